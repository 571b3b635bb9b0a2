#include "app/unMain.h"

#include "app/unEditCommands.h"
#include "app/unMainDialogs.h"
#include "app/unRecovery.h"
#include "canvas/unPictureExport.h"
#include "canvas/unProgrammingImage.h"
#include "canvas/unQtStrings.h"
#include "help/unAbout.h"
#include "help/unHelp.h"
#include "help/unTeach.h"
#include "log/unLogDocumentForm.h"
#include "log/unLogSystem.h"
#include "model/unIModule.h"
#include "model/unProject.h"
#include "platform/unExeFolder.h"
#include "platform/unIntText.h"
#include "platform/unStrings.h"
#include "plugins/unComponentList.h"
#include "shell/unCheck1.h"
#include "shell/unComponents.h"
#include "shell/unModuleMaster.h"
#include "shell/unSettings.h"
#include "xml/unXml.h"

#include <QApplication>
#include <QCloseEvent>
#include <QCursor>
#include <QDateTime>
#include <QGridLayout>
#include <QHeaderView>
#include <QKeySequence>
#include <QLabel>
#include <QMenuBar>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QSplitter>
#include <QStatusBar>
#include <QTabBar>
#include <QTableWidget>
#include <QTimer>
#include <QTreeWidget>
#include <QUndoStack>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>

namespace {

const char* const GridRows[] = {"Name",  "Description", "Type",     "Height",
                                "Width", "PositionX",   "PositionY"};

// The grid's text of one row of the module.
QString ModuleValue(const IModule& module, const QString& key) {
  if (key == "Name")
    return ToQString(module.GetName());
  if (key == "Description")
    return ToQString(module.GetDescription());
  if (key == "Type")
    return ToQString(module.GetType());
  if (key == "Height")
    return QString::number(module.GetHeight());
  if (key == "Width")
    return QString::number(module.GetWidth());
  if (key == "PositionX")
    return QString::number(module.GetPosition().X);
  if (key == "PositionY")
    return QString::number(module.GetPosition().Y);
  return {};
}

} // namespace

TfmMain::TfmMain(std::unique_ptr<IMainDialogs> dialogs, QWidget* parent, std::u16string folder)
    : TKvenFormMain(parent), Dialogs(std::move(dialogs)) {
  if (!Dialogs)
    Dialogs = std::make_unique<TQtMainDialogs>(this);
  if (folder.empty())
    folder = Utf8ToUtf16(ExeFolder());
  Folder = folder;
  setObjectName("fmMain");
  setWindowTitle("Kven.ZU.Programming");
  UndoStack = new QUndoStack(this);
  // The modified mark follows the stack: undoing back to the saved state clears it.
  connect(UndoStack, &QUndoStack::cleanChanged, this, [this](bool clean) {
    if (!Project)
      return;
    Project->Modified = !clean;
    UpdateProjectTab();
  });
  BuildMenu();
  BuildLayout();
  FitClientArea();

  LogTypeSet = {lFile, lWindow, lLogSystem};
  LogFilePath = folder + u"Logs/";
  ConfigFilePath = folder + u"Configs/";
  LogName = "ZU_Programming";
  LogID = 21;
  MakeLogWindow = [](TKvenXmlNode1* element) -> TLogDocument* { return new TLogForm(element); };
  MakeLogService = [](std::int32_t id, const std::string& name) -> TLogDocument* {
    return new TLogSystem(id, name);
  };
  Startup();
  ShowLog();
  Log(lgGeneral, ltInformation, "Программа запущена", {});

  // The canvas has changed the selection in the project; the other views follow.
  Canvas->OnModuleSelect = [this](const std::shared_ptr<IModule>&) { ShowSelection(); };
  Canvas->OnModuleKeyMove = [this](const std::shared_ptr<IModule>& m, TPoint from) {
    MoveByKeys(m, from);
  };
  Canvas->OnModuleMove = [this](const std::shared_ptr<IModule>& m) { ShowModulePosition(m); };
  // One step per drag, not per mouse move.
  Canvas->OnModuleDrop = [this](const std::shared_ptr<IModule>& m, TPoint from) {
    TModuleValues before = TModuleValues::Of(*m);
    before.Position = from;
    Push(new TChangeModuleCommand(tr("Move"), m, before, TModuleValues::Of(*m), Changed()));
  };
  Canvas->OnModuleEdit = [this](const std::shared_ptr<IModule>& m) { EditModule(m); };

  // Work in progress is kept aside while the project has unsaved changes.
  RecoveryTimer = new QTimer(this);
  RecoveryTimer->setInterval(RecoveryIntervalMs);
  connect(RecoveryTimer, &QTimer::timeout, this, [this] {
    if (Project && Project->Modified)
      WriteRecovery();
  });
  RecoveryTimer->start();

  Recovery = std::make_unique<TRecovery>(Utf16ToUtf8(ConfigFilePath));
  Components = std::make_unique<TComponentList>();
  Components->OnLog = LogHandler();
  Components->Path = Utf16ToUtf8(folder);
}

TfmMain::~TfmMain() {
  // An open grid editor commits while the child widgets are destroyed; nothing may reach us then.
  disconnect(ValueListEditor, nullptr, this, nullptr);
  Canvas->SetProject(nullptr);
  if (Project)
    Project->Close();
  Project.reset();
  Components->Clear();
  RemoveRecovery(); // a clean exit leaves nothing to recover
  Log(lgGeneral, ltInformation, "Программа остановлена", {});
  Shutdown();
}

bool TfmMain::SaveState() {
  if (!TKvenFormMain::SaveState())
    return false;
  // The items the menu bar itself owns; the window owns the menus' items, so none are written.
  TKvenXmlNode1* menu = ConfigNode->GetChild(u"MainMenu");
  for (QAction* item : menuBar()->findChildren<QAction*>(QString(), Qt::FindDirectChildrenOnly)) {
    try {
      if (!item->objectName().isEmpty())
        menu->WriteString(ToU16(item->objectName()), ToU16(item->text()));
    } catch (...) {
    }
  }
  return true;
}

void TfmMain::ShowTeach() {
  if (!Teach)
    Teach = new TfmTeach(this, ToQString(Folder));
  Teach->show();
  Teach->raise();
}

void TfmMain::ShowHelp() {
  TfmHelp help(this);
  Dialogs->Execute(help);
}

void TfmMain::ShowAbout() {
  TfmAbout about(this);
  Dialogs->Execute(about);
}

bool TfmMain::eventFilter(QObject* watched, QEvent* event) {
  // Mouse moves over the tree and the status bar ask the teaching window, once it exists, for
  // their pages.
  if (event->type() == QEvent::MouseMove && Teach) {
    if (watched == tvMain->viewport() || watched == tvMain)
      Teach->ShowPage("DOC\\Programming\\TreeViewMain.html");
    else if (watched == sbMain)
      Teach->ShowPage("DOC\\Programming\\StatusBarMain.html");
  }
  return TKvenFormMain::eventFilter(watched, event);
}

void TfmMain::ShowLog() {
  if (LogDocuments)
    LogDocuments->Show();
}

TAddToLog TfmMain::LoggingTo(QString* reason) {
  return [this, reason](TLogGroupMessage g, TLogTypeMessage t, const std::string& f,
                        const TLogArgs& a) {
    if (reason && t == ltError)
      *reason = QString::fromStdString(FormatLogOrAsIs(f, a));
    return Log(g, t, f, a);
  };
}

void TfmMain::Start() {
  show();
  QApplication::processEvents();
  RefreshComponents();
  if (OfferRecovery())
    return;
  TFormCheck1 check(this);
  switch (Dialogs->Execute(check)) {
  case IMainDialogs::mrYes:
    NewProject();
    break;
  case IMainDialogs::mrNo:
    OpenProject();
    break;
  default:
    break;
  }
}

void TfmMain::RefreshComponents() {
  Components->Refresh();
  const auto& skipped = Components->GetSkipped();
  if (skipped.empty()) {
    sbMain->clearMessage();
    return;
  }
  QStringList files;
  for (const auto& s : skipped)
    files << QString::fromStdString(s.File).section('/', -1);
  sbMain->showMessage(
      QString::fromUtf8("Компоненты пропущены (%1): %2").arg(skipped.size()).arg(files.join(", ")));
}

void TfmMain::Settings() {
  TFormSettings settings(this);
  Dialogs->Execute(settings);
}

void TfmMain::ShowComponents() {
  RefreshComponents();
  TfmComponents browser(this);
  browser.SetComponents(Components.get());
  Dialogs->Execute(browser);
}

bool TfmMain::RunModuleMaster(const std::shared_ptr<IModule>& module) {
  TFormModuleMaster master(this);
  master.SetModule(module);
  master.SetComponents(Components.get());
  return Dialogs->Execute(master) == IMainDialogs::mrOk;
}

QAction* TfmMain::AddItem(QMenu* menu, const char* caption, const char* name,
                          void (TfmMain::*slot)()) {
  QAction* action = menu->addAction(QString::fromUtf8(caption));
  action->setObjectName(name);
  connect(action, &QAction::triggered, this, slot);
  return action;
}

void TfmMain::BuildMenu() {
  // Captions carry their Alt mnemonic as '&'; the caption shown is the text without it.
  QMenu* file = menuBar()->addMenu("&File");
  file->setObjectName("miFile");
  QMenu* fileNew = file->addMenu("&New");
  fileNew->setObjectName("miNew");
  AddItem(fileNew, "&Project", "miNewProject", &TfmMain::NewProject)
      ->setShortcut(QKeySequence::New);
  AddItem(fileNew, "&Module", "miNewModule", &TfmMain::NewModule);
  AddItem(fileNew, "M&ethod", "miNewMethod", &TfmMain::Nothing);
  AddItem(fileNew, "P&roperty", "miNewProperty", &TfmMain::Nothing);
  AddItem(fileNew, "Poin&t", "miNewPoint", &TfmMain::Nothing);
  AddItem(file, "&Open Project...", "miOpenProject", &TfmMain::OpenProject)
      ->setShortcut(QKeySequence::Open);
  AddItem(file, "&Save Project", "miSaveProject", &TfmMain::SaveProjectClick)
      ->setShortcut(QKeySequence::Save);
  // The platform's standard Save As key may be empty, so the usual one is given outright.
  AddItem(file, "Save Project &As...", "miSaveProjectAs", &TfmMain::SaveProjectAsClick)
      ->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S));
  AddItem(file, "Export &Picture...", "miExportPicture", &TfmMain::ExportPictureClick);
  file->addSeparator();
  AddItem(file, "Se&ttings", "miSettings", &TfmMain::Settings);
  file->addSeparator();
  AddItem(file, "E&xit", "miExit1", &TfmMain::Exit)->setShortcut(QKeySequence::Quit);

  QMenu* edit = menuBar()->addMenu("&Edit");
  edit->setObjectName("miEdit");
  QAction* undo = UndoStack->createUndoAction(this, tr("&Undo"));
  undo->setObjectName("miUndo");
  undo->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Z));
  QAction* redo = UndoStack->createRedoAction(this, tr("&Redo"));
  redo->setObjectName("miRedo");
  redo->setShortcuts(
      {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), QKeySequence(Qt::CTRL | Qt::Key_Y)});
  edit->addAction(undo);
  edit->addAction(redo);
  edit->addSeparator();
  miDelete = AddItem(edit, "&Delete", "miDelete", &TfmMain::DeleteModule);
  miDelete->setShortcut(QKeySequence::Delete);
  miDelete->setEnabled(false);

  QMenu* view = menuBar()->addMenu("&View");
  view->setObjectName("miView");
  AddItem(view, "&Refresh", "miRefresh", &TfmMain::RefreshView)->setShortcut(QKeySequence::Refresh);
  QAction* zoomIn = AddItem(view, "Zoom &In", "miZoomIn", &TfmMain::ZoomIn);
  zoomIn->setShortcuts(
      {QKeySequence(Qt::CTRL | Qt::Key_Plus), QKeySequence(Qt::CTRL | Qt::Key_Equal)});
  AddItem(view, "Zoom &Out", "miZoomOut", &TfmMain::ZoomOut)
      ->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Minus));
  AddItem(view, "&Actual Size", "miActualSize", &TfmMain::ActualSize)
      ->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_0));
  AddItem(view, "&Components", "miComponents", &TfmMain::ShowComponents);
  AddItem(view, "&Log", "miLog", &TfmMain::ShowLog);
  AddItem(view, "&Teach", "miTeach", &TfmMain::ShowTeach);

  QMenu* project = menuBar()->addMenu("&Project");
  project->setObjectName("miProject");
  AddItem(project, "&Run", "miRun", &TfmMain::Nothing);

  QMenu* help = menuBar()->addMenu("&Help");
  help->setObjectName("miHelp");
  AddItem(help, "&Description", "miDescription", &TfmMain::ShowHelp);
  AddItem(help, "&About", "miAbout", &TfmMain::ShowAbout);
}

void TfmMain::BuildLayout() {
  auto* panel1 = new QWidget(this);
  panel1->setObjectName("Panel1");
  auto* layout = new QVBoxLayout(panel1);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);

  TabControl1 = new QTabBar(panel1);
  TabControl1->setObjectName("TabControl1");
  TabControl1->setExpanding(false);
  TabControl1->setDrawBase(false);
  layout->addWidget(TabControl1);

  auto* split = new QSplitter(Qt::Horizontal, panel1);
  split->setObjectName("Splitter1");
  auto* left = new QSplitter(Qt::Vertical, split);
  left->setObjectName("PanelLeft");
  tvMain = new QTreeWidget(left);
  tvMain->setObjectName("tvMain");
  tvMain->setHeaderHidden(true);
  tvMain->setIndentation(19);
  // Choosing a module in the tree, by mouse or keys, selects it everywhere.
  connect(tvMain, &QTreeWidget::currentItemChanged, this,
          [this](QTreeWidgetItem* item) { SelectFromTree(item); });
  ValueListEditor = new QTableWidget(0, 2, left);
  ValueListEditor->setObjectName("ValueListEditor");
  ValueListEditor->setHorizontalHeaderLabels({"Key", "Value"});
  ValueListEditor->verticalHeader()->hide();
  ValueListEditor->verticalHeader()->setDefaultSectionSize(ValueListEditor->fontMetrics().height() +
                                                           6);
  ValueListEditor->setColumnWidth(0, 70);
  ValueListEditor->setColumnWidth(1, 59);
  // The tree and the left panel keep their sizes when the window grows.
  left->setStretchFactor(0, 0);
  left->setStretchFactor(1, 1);
  // The canvas with the scroll bars that move its view over the modules' extent.
  auto* canvasArea = new QWidget(split);
  canvasArea->setObjectName("CanvasArea");
  auto* grid = new QGridLayout(canvasArea);
  grid->setContentsMargins(0, 0, 0, 0);
  grid->setSpacing(0);
  Canvas = new TProgrammingImage(canvasArea);
  ScrollX = new QScrollBar(Qt::Horizontal, canvasArea);
  ScrollX->setObjectName("CanvasScrollX");
  ScrollY = new QScrollBar(Qt::Vertical, canvasArea);
  ScrollY->setObjectName("CanvasScrollY");
  grid->addWidget(Canvas, 0, 0);
  grid->addWidget(ScrollY, 0, 1);
  grid->addWidget(ScrollX, 1, 0);
  for (QScrollBar* bar : {ScrollX, ScrollY})
    connect(bar, &QScrollBar::valueChanged, this, [this] {
      if (!UpdatingScroll)
        Canvas->SetOrigin({ScrollX->value(), ScrollY->value()});
    });
  Canvas->OnViewChange = [this] { UpdateView(); };
  split->addWidget(left);
  split->addWidget(canvasArea);
  split->setStretchFactor(0, 0);
  split->setStretchFactor(1, 1);
  layout->addWidget(split, 1);
  PanelLeft = left;
  Splitter1 = split;

  TabControlType = new QTabBar(panel1);
  TabControlType->setObjectName("TabControlType");
  TabControlType->setShape(QTabBar::RoundedSouth);
  layout->addWidget(TabControlType);
  setCentralWidget(panel1);

  sbMain = new QStatusBar(this);
  sbMain->setObjectName("sbMain");
  setStatusBar(sbMain);
  ZoomLabel = new QLabel(sbMain);
  ZoomLabel->setObjectName("ZoomLabel");
  sbMain->addPermanentWidget(ZoomLabel);
  ZoomLabel->hide();

  connect(ValueListEditor, &QTableWidget::itemChanged, this, &TfmMain::GridItemChanged);
  for (QWidget* area : {static_cast<QWidget*>(tvMain->viewport()), static_cast<QWidget*>(sbMain)}) {
    area->setMouseTracking(true);
    area->installEventFilter(this);
  }
}

void TfmMain::FitClientArea() {
  // The sizes are in the toolkit's device-independent pixels, which it scales by the screen's
  // device-pixel ratio.
  const int menuHeight = menuBar()->heightForWidth(ClientWidth) > 0
                             ? menuBar()->heightForWidth(ClientWidth)
                             : menuBar()->sizeHint().height();
  resize(ClientWidth, ClientHeight + menuHeight + sbMain->sizeHint().height());
  layout()->activate();
  centralWidget()->layout()->activate();
  const int splitWidth = Splitter1->width() - Splitter1->handleWidth();
  Splitter1->setSizes({LeftPanelWidth, std::max(splitWidth - LeftPanelWidth, 0)});
  const int leftHeight = PanelLeft->height() - PanelLeft->handleWidth();
  PanelLeft->setSizes({TreeHeight, std::max(leftHeight - TreeHeight, 0)});
}

void TfmMain::NewProject() {
  if (Project && Project->Modified) {
    if (!ConfirmDiscard())
      return;
  } else if (Project && Dialogs->ConfirmYesNo(QString::fromUtf8(
                            "Вы хотите закрыть текущий проект?")) != IMainDialogs::mrYes) {
    return;
  }
  auto project = std::make_shared<TProject>(Components.get(), LoggingTo(nullptr), u"", u"Project1");
  try {
    if (auto modules = project->GetMainModules())
      modules->AddModule(100, 100, u"Module1", 100, 100);
  } catch (...) {
  }
  CloseProject();
  SetProject(std::move(project));
}

void TfmMain::OpenProject() {
  if (!ConfirmDiscard())
    return;
  const std::optional<QString> file = Dialogs->ChooseOpenFile();
  if (!file)
    return;
  QString reason;
  auto project = std::make_shared<TProject>(Components.get(), LoggingTo(&reason), u"", u"");
  // Load reports every failure, errors inside it included, as false; the reason is in the log.
  if (!project->Load(ToU16(*file))) {
    Dialogs->ShowError(QString::fromUtf8("Ошибка загрузки из файла."), reason);
    project->Close();
    return;
  }
  project->OnLog = LoggingTo(nullptr);
  project->FileName = ToU16(*file);
  project->Modified = false;
  CloseProject();
  SetProject(std::move(project));
}

bool TfmMain::SaveProject() {
  if (!Project)
    return false;
  // A file that held something other than a project is never written over by a plain save; nor
  // is the remembered file of restored work once it no longer holds a project.
  if (Project->FileName.empty() || Project->ForeignFile ||
      (CheckFileBeforeSave && !HoldsProject(Project->FileName)))
    return SaveProjectAs();
  if (!SaveTo(Project->FileName))
    return false;
  MarkSaved();
  return true;
}

bool TfmMain::SaveProjectAs() {
  if (!Project)
    return false;
  const std::optional<QString> file = Dialogs->ChooseSaveFile();
  if (!file)
    return false;
  if (!SaveTo(ToU16(*file)))
    return false;
  Project->FileName = ToU16(*file);
  Project->ForeignFile = false;
  MarkSaved();
  return true;
}

bool TfmMain::SaveTo(const std::u16string& file) {
  QString reason;
  Project->OnLog = LoggingTo(&reason);
  const bool saved = Project->Save(file);
  Project->OnLog = LoggingTo(nullptr);
  if (!saved)
    Dialogs->ShowError(QString::fromUtf8("Ошибка при сохранении."), reason);
  return saved;
}

bool TfmMain::ConfirmDiscard() {
  if (!Project || !Project->Modified)
    return true;
  switch (Dialogs->AskYesNoCancel(QString::fromUtf8("Сохранить изменения в проекте?"))) {
  case IMainDialogs::mrYes:
    return SaveProject();
  case IMainDialogs::mrNo:
    return true;
  default:
    return false;
  }
}

void TfmMain::MarkSaved() {
  CheckFileBeforeSave = false;
  UndoStack->setClean();
  Project->Modified = false;
  UpdateProjectTab();
  RemoveRecovery();
}

std::u16string TfmMain::RecoveryFile() const {
  return Utf8ToUtf16(Recovery->File());
}

bool TfmMain::WriteRecovery() {
  ChangesSinceRecovery = 0;
  std::error_code ec;
  // Like the configuration, nothing is kept without its folder.
  if (!Project || !std::filesystem::is_directory(Utf16ToUtf8(ConfigFilePath), ec) ||
      !Recovery->Hold())
    return false;
  const std::u16string original = Project->FileName;
  // Written atomically like every project file; the project's own file name goes with it.
  return Project->Save(RecoveryFile(), [&original](TKvenXmlNode1& root) {
    root.WriteString(u"RecoveredFrom", original);
  });
}

void TfmMain::RemoveRecovery() {
  ChangesSinceRecovery = 0;
  Recovery->Remove();
}

bool TfmMain::OfferRecovery() {
  // Only work of editors that no longer run; this editor's own lock is taken afterwards.
  const std::vector<TRecovery::TLeft> left = Recovery->Left();
  Recovery->Hold();
  for (const TRecovery::TLeft& entry : left) {
    const std::u16string file = Utf8ToUtf16(entry.File);
    TKvenXmlDocument1 document;
    std::u16string name, original;
    if (document.LoadFromFile(file)) {
      document.GetRoot()->ReadString(u"Name", name);
      document.GetRoot()->ReadString(u"RecoveredFrom", original);
    }
    const QString question =
        QString::fromUtf8("Восстановить несохранённый проект «%1», сохранённый %2?")
            .arg(ToQString(name),
                 QDateTime::fromSecsSinceEpoch(entry.Kept).toString("dd.MM.yyyy HH:mm"));
    if (Dialogs->ConfirmYesNo(question) != IMainDialogs::mrYes) {
      std::error_code ec;
      std::filesystem::remove(entry.File, ec);
      continue;
    }
    auto project = std::make_shared<TProject>(Components.get(), LoggingTo(nullptr), u"", u"");
    if (!project->Load(file)) {
      Dialogs->ShowError(QString::fromUtf8("Ошибка загрузки из файла."));
      continue;
    }
    project->FileName = original;
    project->Modified = true;
    CloseProject();
    SetProject(std::move(project));
    // The remembered file is written only while it still holds a project.
    CheckFileBeforeSave = true;
    // Kept aside again at once, as this editor's: killed once more, the editor loses nothing.
    if (WriteRecovery()) {
      std::error_code ec;
      std::filesystem::remove(entry.File, ec);
    }
    return true;
  }
  return false;
}

bool HoldsProject(const std::u16string& file) {
  std::error_code ec;
  if (!std::filesystem::is_regular_file(Utf16ToUtf8(file), ec))
    return false;
  TKvenXmlDocument1 document;
  return document.LoadFromFile(file) && document.HasElement() &&
         document.GetRoot()->GetName() == ProjectRootName;
}

void TfmMain::Push(QUndoCommand* command) {
  UndoStack->push(command);
  // The modified mark comes with the stack's cleanChanged.
  if (++ChangesSinceRecovery >= RecoveryEveryChanges)
    WriteRecovery();
}

TChanged TfmMain::Changed() {
  return [this] { RefreshView(); };
}

std::shared_ptr<IModule> TfmMain::FocusedModule() const {
  auto modules = Project ? Project->GetMainModules() : nullptr;
  return modules ? modules->GetFocused() : nullptr;
}

void TfmMain::ExportPictureClick() {
  if (!Project)
    return;
  const std::optional<QString> file = Dialogs->ChooseExportFile();
  if (!file)
    return;
  QString reason;
  if (!ExportPicture(*Project, *file, &reason)) {
    Log(lgGeneral, ltError, "%s", {ToU16(reason)});
    Dialogs->ShowError(QString::fromUtf8("Рисунок не сохранён."), reason);
  }
}

QPoint TfmMain::ZoomAnchor() const {
  // Around the mouse when it is over the canvas, else around the canvas's middle.
  const QPoint cursor = Canvas->mapFromGlobal(QCursor::pos());
  return Canvas->rect().contains(cursor) ? cursor : Canvas->rect().center();
}

void TfmMain::ZoomIn() {
  Canvas->SetZoom(Canvas->GetZoom() * 1.25, ZoomAnchor());
}

void TfmMain::ZoomOut() {
  Canvas->SetZoom(Canvas->GetZoom() / 1.25, ZoomAnchor());
}

void TfmMain::ActualSize() {
  Canvas->SetZoom(1, ZoomAnchor());
}

void TfmMain::UpdateView() {
  const double zoom = Canvas->GetZoom();
  ZoomLabel->setVisible(std::abs(zoom - 1) > 1e-9);
  ZoomLabel->setText(QString::fromUtf8("Масштаб: %1 %").arg(std::lround(zoom * 100)));
  // The bars reach over the modules' extent and wherever the view is now.
  const TPoint origin = Canvas->GetOrigin();
  const int pageX = std::max(1, static_cast<int>(Canvas->width() / zoom));
  const int pageY = std::max(1, static_cast<int>(Canvas->height() / zoom));
  TRect extent = Canvas->ProjectExtent();
  if (extent.Empty())
    extent = {0, 0, 0, 0};
  UpdatingScroll = true;
  ScrollX->setRange(std::min({0, extent.Left, origin.X}),
                    std::max({0, extent.Right - pageX, origin.X}));
  ScrollY->setRange(std::min({0, extent.Top, origin.Y}),
                    std::max({0, extent.Bottom - pageY, origin.Y}));
  ScrollX->setPageStep(pageX);
  ScrollY->setPageStep(pageY);
  ScrollX->setSingleStep(std::max(1, pageX / 20));
  ScrollY->setSingleStep(std::max(1, pageY / 20));
  ScrollX->setValue(origin.X);
  ScrollY->setValue(origin.Y);
  UpdatingScroll = false;
}

void TfmMain::SelectFromTree(QTreeWidgetItem* item) {
  auto modules = Project ? Project->GetMainModules() : nullptr;
  if (!modules)
    return;
  // The project's own entry stands for no module.
  Select(item && item->parent() ? modules->GetItem(item->parent()->indexOfChild(item)) : nullptr);
}

void TfmMain::Select(const std::shared_ptr<IModule>& module) {
  if (auto modules = Project ? Project->GetMainModules() : nullptr) {
    modules->ClearFocus();
    if (module)
      module->SetFocused(WordTrue);
  }
  Canvas->Redraw();
  ShowSelection();
}

void TfmMain::ShowSelection() {
  const std::shared_ptr<IModule> selected = FocusedModule();
  ShowSelectionInTree();
  if (selected) {
    ShowModuleProperties(selected);
  } else {
    GridModule.reset();
    ValueListEditor->setRowCount(0);
  }
  miDelete->setEnabled(selected != nullptr);
}

void TfmMain::ShowSelectionInTree() {
  auto modules = Project ? Project->GetMainModules() : nullptr;
  QTreeWidgetItem* root = tvMain->topLevelItem(0);
  if (!modules || !root)
    return;
  const std::int32_t index = modules->IndexOf(modules->GetFocused());
  QTreeWidgetItem* item = index >= 0 ? root->child(index) : nullptr;
  // Shown, not chosen: the tree's own signal would select again.
  const QSignalBlocker quiet(tvMain);
  tvMain->setCurrentItem(item);
  if (!item)
    tvMain->clearSelection();
}

void TfmMain::MoveByKeys(const std::shared_ptr<IModule>& module, TPoint from) {
  // Presses less than a second apart on one module make one step.
  if (!KeyRunClock.isValid() || KeyRunClock.elapsed() > KeyRunGapMs ||
      KeyRunModule.lock() != module)
    ++KeyRun;
  KeyRunClock.restart();
  KeyRunModule = module;
  TModuleValues before = TModuleValues::Of(*module);
  before.Position = from;
  Push(new TChangeModuleCommand(tr("Move"), module, before, TModuleValues::Of(*module), Changed(),
                                KeyRun));
  ShowModulePosition(module);
}

void TfmMain::DeleteModule() {
  auto module = FocusedModule();
  if (!module)
    return;
  Push(new TDeleteModuleCommand(Project->GetMainModules(), module, Changed()));
}

void TfmMain::UpdateProjectTab() {
  if (!Project || TabControl1->count() == 0)
    return;
  QString text = ToQString(Project->GetName());
  if (Project->Modified)
    text += " *";
  TabControl1->setTabText(0, text);
  TabControl1->setTabToolTip(0, ToQString(Project->FileName));
}

void TfmMain::closeEvent(QCloseEvent* event) {
  if (!ConfirmDiscard()) {
    event->ignore();
    return;
  }
  TKvenFormMain::closeEvent(event);
  // The program ends with its main window, whatever other windows are open; the shut-down runs
  // when the window is destroyed after the event loop.
  QCoreApplication::quit();
}

void TfmMain::CloseProject() {
  if (!Project)
    return;
  try {
    Project->Close();
  } catch (...) {
  }
  SetProject(nullptr);
}

void TfmMain::SetProject(std::shared_ptr<TProject> project) {
  // The work kept aside belonged to the project that goes.
  if (Project != project) {
    RemoveRecovery();
    CheckFileBeforeSave = false;
  }
  Project = std::move(project);
  UndoStack->clear();
  // A project that comes with changes (recovered work) is not in a saved state.
  if (Project && Project->Modified)
    UndoStack->resetClean();
  Canvas->SetProject(Project.get());
  while (TabControl1->count() > 0)
    TabControl1->removeTab(0);
  if (Project) {
    TabControl1->addTab(QString());
    UpdateProjectTab();
  }
  RefreshView();
}

void TfmMain::RefreshView() {
  update();
  {
    // Rebuilding the tree is no choice of the user's.
    const QSignalBlocker quiet(tvMain);
    tvMain->clear();
  }
  if (!Project) {
    ShowSelection();
    return;
  }
  Canvas->Redraw();
  {
    const QSignalBlocker quiet(tvMain);
    auto* root = new QTreeWidgetItem(tvMain, {ToQString(Project->GetName())});
    if (auto modules = Project->GetMainModules())
      for (std::int32_t i = 0; i < modules->Count(); ++i)
        new QTreeWidgetItem(root, {ToQString(modules->GetItem(i)->GetName())});
    tvMain->expandAll();
  }
  ShowSelection();
  UpdateView();
}

void TfmMain::NewModule() {
  if (!Project)
    return;
  auto modules = Project->GetMainModules();
  if (!modules)
    return;
  auto module = modules->AddNew();
  RefreshView();
  if (!RunModuleMaster(module)) {
    modules->Remove(module);
    RefreshView();
    return;
  }
  Push(new TAddModuleCommand(modules, module, Changed()));
  // The new module is the one shown selected everywhere.
  Select(module);
  RefreshView();
}

void TfmMain::EditModule(const std::shared_ptr<IModule>& module) {
  if (!module)
    return;
  const TModuleValues before = TModuleValues::Of(*module);
  if (!RunModuleMaster(module))
    return;
  const TModuleValues after = TModuleValues::Of(*module);
  if (!(after == before))
    Push(new TChangeModuleCommand(tr("Edit Module"), module, before, after, Changed()));
  // The tree, the grid and the canvas show the new values at once.
  RefreshView();
}

void TfmMain::SetGridValue(const QString& key, const QString& value) {
  for (int row = 0; row < ValueListEditor->rowCount(); ++row) {
    if (ValueListEditor->item(row, 0)->text() == key) {
      ValueListEditor->item(row, 1)->setText(value);
      return;
    }
  }
  const int row = ValueListEditor->rowCount();
  ValueListEditor->insertRow(row);
  auto* keyItem = new QTableWidgetItem(key);
  keyItem->setFlags(keyItem->flags() & ~Qt::ItemIsEditable);
  ValueListEditor->setItem(row, 0, keyItem);
  ValueListEditor->setItem(row, 1, new QTableWidgetItem(value));
}

void TfmMain::ShowModuleProperties(const std::shared_ptr<IModule>& module) {
  if (!module)
    return;
  GridModule = module;
  FillingGrid = true;
  for (const char* key : GridRows)
    SetGridValue(key, ModuleValue(*module, key));
  FillingGrid = false;
}

void TfmMain::ShowModulePosition(const std::shared_ptr<IModule>& module) {
  if (!module)
    return;
  FillingGrid = true;
  SetGridValue("PositionX", ModuleValue(*module, "PositionX"));
  SetGridValue("PositionY", ModuleValue(*module, "PositionY"));
  FillingGrid = false;
  update();
}

void TfmMain::GridItemChanged(QTableWidgetItem* item) {
  if (FillingGrid || item->column() != 1)
    return;
  auto module = GridModule.lock();
  QTableWidgetItem* keyItem = ValueListEditor->item(item->row(), 0);
  if (!module || !keyItem)
    return;
  const QString key = keyItem->text();
  const std::u16string text = ToU16(item->text());
  const TModuleValues before = TModuleValues::Of(*module);
  if (key == "Name") {
    module->SetName(text);
  } else if (key == "Description") {
    module->SetDescription(text);
  } else if (key == "Type") {
    module->SetType(text);
  } else {
    // A refused value: the row shows the module's again and the status bar says why.
    auto refuse = [&](const char* why) {
      FillingGrid = true;
      item->setText(ModuleValue(*module, key));
      FillingGrid = false;
      sbMain->showMessage(QString::fromUtf8(why).arg(ToQString(text), key));
    };
    const TIntTextResult number = ParseIntText(text, 32);
    if (!number.Ok)
      return refuse("Значение «%1» поля %2 не является целым числом");
    const auto value = static_cast<std::int32_t>(number.Value);
    if ((key == "Height" || key == "Width") && value < 1)
      return refuse("Значение «%1» поля %2 меньше 1: размер — целое число не меньше 1");
    const TPoint position = module->GetPosition();
    if (key == "Height")
      module->SetHeight(value);
    else if (key == "Width")
      module->SetWidth(value);
    else if (key == "PositionX")
      module->SetPosition({value, position.Y});
    else if (key == "PositionY")
      module->SetPosition({position.X, value});
    else
      return;
  }
  sbMain->clearMessage();
  const TModuleValues after = TModuleValues::Of(*module);
  if (!(after == before))
    Push(new TChangeModuleCommand(tr("Change %1").arg(key), module, before, after, Changed()));
  RefreshView();
}
