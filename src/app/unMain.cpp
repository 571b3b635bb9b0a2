#include "app/unMain.h"

#include "app/unCanvasView.h"
#include "app/unComponentScanner.h"
#include "app/unEditCommands.h"
#include "app/unMainDialogs.h"
#include "app/unModuleTree.h"
#include "app/unPalette.h"
#include "app/unProjectCommands.h"
#include "app/unPropertyGrid.h"
#include "app/unRunControl.h"
#include "canvas/unPictureExport.h"
#include "canvas/unProgrammingImage.h"
#include "canvas/unQtStrings.h"
#include "config/unWindowState.h"
#include "help/unAbout.h"
#include "help/unHelp.h"
#include "help/unTeach.h"
#include "log/unLogDocumentForm.h"
#include "log/unLogSystem.h"
#include "model/unIModule.h"
#include "model/unProject.h"
#include "platform/unExeFolder.h"
#include "platform/unProgramFolders.h"
#include "platform/unStrings.h"
#include "plugins/unComponentList.h"
#include "plugins/unParamAttach.h"
#include "shell/unCheck1.h"
#include "shell/unComponents.h"
#include "shell/unModuleMaster.h"
#include "shell/unSettings.h"
#include "xml/unXml.h"

#include <QApplication>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDateTime>
#include <QDialog>
#include <QDir>
#include <QDockWidget>
#include <QFileInfo>
#include <QFileSystemWatcher>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QIcon>
#include <QKeySequence>
#include <QLabel>
#include <QMenuBar>
#include <QSplitter>
#include <QStatusBar>
#include <QTabBar>
#include <QTableWidget>
#include <QTimer>
#include <QTreeWidget>
#include <QUndoStack>
#include <QVBoxLayout>
#include <algorithm>
#include <filesystem>
#include <sys/stat.h>

QString ProjectArgument(const QStringList& arguments) {
  for (qsizetype i = 1; i < arguments.size(); ++i)
    if (!arguments[i].startsWith('-'))
      return QFileInfo(arguments[i]).absoluteFilePath();
  return {};
}

TfmMain::TfmMain(std::unique_ptr<IMainDialogs> dialogs, QWidget* parent, std::u16string folder)
    : TKvenFormMain(parent), Dialogs(std::move(dialogs)) {
  if (!Dialogs)
    Dialogs = std::make_unique<TQtMainDialogs>(this);
  // Beside the given folder as in a build folder; without one, where the program's folders are.
  const bool given = !folder.empty();
  if (!given)
    folder = Utf8ToUtf16(ExeFolder());
  const TProgramFolders folders = given ? FoldersBeside(Utf16ToUtf8(folder)) : ProgramFolders();
  // The user's own folders are made when missing; the build folder's are never made.
  if (folders.PerUser)
    for (const std::string& made : {folders.Config, folders.Log, folders.Components.back()})
      MakeFolders(made);
  Folder = folder;
  SubsystemFolder = QString::fromStdString(folders.Subsystems);
  setObjectName("fmMain");
  // The title names the project's file with its modified mark; the caption kept in the
  // configuration stays apart from it.
  setProperty(CaptionProperty, QString("Kven.ZU.Programming"));
  setWindowTitle("Kven.ZU.Programming");
  QIcon icon;
  for (const int size : {16, 32, 48, 256})
    icon.addFile(QString(":/icons/zu-programming-%1.png").arg(size), QSize(size, size));
  setWindowIcon(icon);
  Document = new TProjectDocument(this, folders.Recovery);
  Document->SetRecoveryFallbacks(RecoveryFallbacks(ProcessEnv));
  BuildMenu();
  BuildLayout();
  FitClientArea();
  // The tab and the Delete item follow the document.
  connect(Document, &TProjectDocument::ProjectChanged, this, [this] {
    while (TabControl1->count() > 0)
      TabControl1->removeTab(0);
    if (GetProject())
      TabControl1->addTab(QString());
    UpdateProjectTab();
  });
  connect(Document, &TProjectDocument::ModifiedChanged, this, &TfmMain::UpdateProjectTab);
  for (auto signal : {&TProjectDocument::ProjectChanged, &TProjectDocument::ContentChanged,
                      &TProjectDocument::SelectionChanged, &TProjectDocument::LevelChanged,
                      &TProjectDocument::LockChanged})
    connect(Document, signal, this, &TfmMain::UpdateItems);
  UpdateItems();

  LogTypeSet = {lFile, lWindow, lLogSystem};
  LogFilePath = Utf8ToUtf16(folders.Log);
  ConfigFilePath = Utf8ToUtf16(folders.Config);
  LogName = "ZU_Programming";
  LogID = 21;
  MakeLogWindow = [](TKvenXmlNode1* element) -> TLogDocument* { return new TLogForm(element); };
  MakeLogService = [](std::int32_t id, const std::string& name) -> TLogDocument* {
    return new TLogSystem(id, name);
  };
  Startup();
  UpdateTitle();
  Recent.Load(ConfigNode ? ConfigNode->GetChildNodes().Find(TRecentProjects::ElementName)
                         : nullptr);
  UpdateRecentMenu();
  ShowLog();
  Log(lgGeneral, ltInformation, "Программа запущена", {});

  // Where unsaved work goes when its folder fails is said once, in the status bar and the log.
  connect(Document, &TProjectDocument::RecoveryMoved, this,
          [this](const QString& note, const QString& logText) {
            sbMain->showMessage(note);
            Log(lgGeneral, ltWarning, "%s", {logText.toStdString()});
          });
  CanvasView->OnEdit = [this](const std::shared_ptr<IModule>& m) { EditModule(m); };
  CanvasView->OnMessage = [this](const QString& text) { sbMain->showMessage(text); };
  CanvasView->OnDropEntry = [this](const QString& entry, TPoint at) { AddPaletteEntry(entry, at); };
  Components = std::make_unique<TComponentList>();
  Components->OnLog = LogHandler();
  Components->Path = folders.Components.front();
  Components->MorePaths.assign(folders.Components.begin() + 1, folders.Components.end());
  // The hosts' answers are kept between starts, so that a folder that has not changed is not
  // asked again: in the user's cache folder (zu-cli's too), or beside the configuration of a
  // build folder, like the configuration only when that folder is there.
  if (folders.PerUser)
    Components->CacheFile = folders.CacheFile;
  else if (struct stat st{}; stat(folders.Config.c_str(), &st) == 0 && S_ISDIR(st.st_mode))
    Components->CacheFile = folders.CacheFile;
  Scanner = new TComponentScanner(*Components, this);
  connect(Scanner, &TComponentScanner::Progress, this, [this](int done, int total) {
    sbMain->showMessage(QCoreApplication::translate("TfmMain", "Проверка компонентов: %1 из %2")
                            .arg(done)
                            .arg(total));
  });
  connect(Scanner, &TComponentScanner::Finished, this, &TfmMain::ComponentsScanned);
  RunControl = new TRunControl(*Document, *Components, this);
  ConnectRun();
  BuildPalette();
  Document->Components = [this]() -> const IComponentList* { return Components.get(); };
  Commands = std::make_unique<TProjectCommands>(
      *Document, *Dialogs, Components.get(),
      [this](TLogGroupMessage g, TLogTypeMessage t, const std::string& f, const TLogArgs& a) {
        return Log(g, t, f, a);
      });
  Commands->OnFileUsed = [this](const QString& file) {
    Recent.Add(file);
    UpdateRecentMenu();
    WatchProjectFile();
  };
  // Another program that writes the project's file is noticed: the window offers to load it.
  ProjectWatcher = new QFileSystemWatcher(this);
  connect(ProjectWatcher, &QFileSystemWatcher::fileChanged, this, [this] {
    // A file replaced by a rename is no longer watched: its new self is.
    WatchProjectFile();
    if (!ChangeNoticed) {
      ChangeNoticed = true;
      // After the writer has done: a save is a run of changes.
      QTimer::singleShot(200, this, [this] {
        ChangeNoticed = false;
        if (Commands && !QApplication::activeModalWidget())
          Commands->FileChangedOnDisk();
      });
    }
  });
  connect(Document, &TProjectDocument::ProjectChanged, this, &TfmMain::WatchProjectFile);
}

void TfmMain::WatchProjectFile() {
  if (!ProjectWatcher)
    return;
  if (!ProjectWatcher->files().isEmpty())
    ProjectWatcher->removePaths(ProjectWatcher->files());
  if (GetProject() && !GetProject()->FileName.empty() &&
      QFileInfo::exists(ToQString(GetProject()->FileName)))
    ProjectWatcher->addPath(ToQString(GetProject()->FileName));
}

TfmMain::~TfmMain() {
  // A run ends and a scan is let go before anything they use goes.
  delete RunControl;
  RunControl = nullptr;
  delete Scanner;
  Scanner = nullptr;
  // An open grid editor commits, and the tree changes its current entry, while the child widgets
  // are destroyed; nothing may reach the document then.
  disconnect(ValueListEditor, nullptr, nullptr, nullptr);
  disconnect(tvMain, nullptr, nullptr, nullptr);
  GetCanvas()->SetProject(nullptr);
  if (TProject* project = GetProject())
    project->Close();
  Document->RemoveRecovery(); // a clean exit leaves nothing to recover
  Document->blockSignals(true);
  Document->SetProject(nullptr);
  Components->Clear();
  Log(lgGeneral, ltInformation, "Программа остановлена", {});
  Shutdown();
}

TProgrammingImage* TfmMain::GetCanvas() const {
  return CanvasView->GetCanvas();
}

bool TfmMain::SaveState() {
  if (!TKvenFormMain::SaveState())
    return false;
  // The items the menu bar itself owns; the window owns the menus' items, so none are written.
  TKvenXmlNode1* menu = ConfigNode->GetChild(u"MainMenu");
  for (QAction* item : menuBar()->findChildren<QAction*>(QString(), Qt::FindDirectChildrenOnly)) {
    if (!item->objectName().isEmpty())
      menu->WriteString(ToU16(item->objectName()), ToU16(item->text()));
  }
  Recent.Save(*ConfigNode->GetChild(TRecentProjects::ElementName));
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

void TfmMain::Start(const QString& file) {
  show();
  QApplication::processEvents();
  ScanComponents();
  if (Commands->OfferRecovery())
    return;
  if (!file.isEmpty()) {
    // The modules of the file get their components' lists once the scan is done.
    OpenFile(file);
    return;
  }
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
  Scanner->Start();
  Scanner->Wait();
}

void TfmMain::ScanComponents() {
  Scanner->Start();
}

void TfmMain::WaitForComponents() {
  Scanner->Wait();
}

bool TfmMain::ScanningComponents() const {
  return Scanner->Scanning();
}

void TfmMain::AddPaletteEntry(const QString& entry, TPoint at) {
  if (const TEditResult added = Document->AddPaletteEntry(entry, at); !added)
    sbMain->showMessage(added.Reason);
}

void TfmMain::BuildPalette() {
  dkPalette = new QDockWidget(QCoreApplication::translate("TfmMain", "Palette"), this);
  dkPalette->setObjectName("dkPalette");
  Palette = new TPalette(dkPalette);
  Palette->OnChosen = [this](const QString& entry) {
    AddPaletteEntry(entry, CanvasView->ViewCentre());
  };
  dkPalette->setWidget(Palette);
  addDockWidget(Qt::LeftDockWidgetArea, dkPalette);
  // Shown when asked (View ▸ Palette): the window opens with the client area it always had.
  dkPalette->hide();
}

void TfmMain::ComponentsScanned() {
  // The components of the last scan are gone: the modules take the new ones' lists.
  Document->AttachComponents();
  Palette->Fill(Components.get(), SubsystemFiles());
  const auto& skipped = Components->GetSkipped();
  if (skipped.empty()) {
    sbMain->clearMessage();
    return;
  }
  QStringList files;
  for (const auto& s : skipped)
    files << QString::fromStdString(s.File).section('/', -1);
  sbMain->showMessage(QCoreApplication::translate("TfmMain", "Компоненты пропущены (%1): %2")
                          .arg(skipped.size())
                          .arg(files.join(", ")));
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

std::optional<TModuleText> TfmMain::RunModuleMaster(const TModuleText& values,
                                                    const std::shared_ptr<IModule>& module) {
  // The wizard offers the components: a scan under way ends first.
  WaitForComponents();
  TFormModuleMaster master(this);
  master.ProposeName = [this](const QString& stem) {
    return ToQString(Document->FreeName(ToU16(stem)));
  };
  master.NameRefusal = [this, module](const QString& name) {
    return Document->NameRefusal(ToU16(name), module.get());
  };
  master.SetValues(values);
  master.SetComponents(Components.get());
  if (!module)
    master.SetLibrary(SubsystemFiles());
  if (Dialogs->Execute(master) != IMainDialogs::mrOk)
    return std::nullopt;
  return master.Values();
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
  Commands->NewProject();
}

void TfmMain::OpenProject() {
  Commands->OpenProject();
}

bool TfmMain::OpenFile(const QString& file) {
  return Commands->OpenFile(file);
}

void TfmMain::UpdateRecentMenu() {
  RecentMenu->clear();
  const QStringList& files = Recent.GetFiles();
  RecentMenu->setEnabled(!files.isEmpty());
  for (const QString& file : files) {
    const QFileInfo info(file);
    QAction* item = RecentMenu->addAction(info.fileName(), this, [this, file] { OpenFile(file); });
    item->setToolTip(file);
    item->setEnabled(info.isFile());
  }
  if (files.isEmpty())
    return;
  RecentMenu->addSeparator();
  QAction* clear = RecentMenu->addAction(tr("Clear"), this, [this] {
    Recent.Clear();
    UpdateRecentMenu();
  });
  clear->setObjectName("miClearRecentProjects");
}

bool TfmMain::SaveProject() {
  return Commands->SaveProject();
}

bool TfmMain::SaveProjectAs() {
  return Commands->SaveProjectAs();
}

void TfmMain::ExportPictureClick() {
  Commands->ExportPicture();
}

void TfmMain::UpdateTitle() {
  const QString caption = property(CaptionProperty).toString();
  const TProject* project = GetProject();
  if (!project) {
    setWindowTitle(caption);
    setWindowModified(false);
    return;
  }
  // The file's name, or the project's while it has none; "[*]" is the modified mark's place.
  const QString name = project->FileName.empty()
                           ? ToShownQString(project->GetName())
                           : QFileInfo(ToQString(project->FileName)).fileName();
  setWindowTitle(name + "[*] \u2014 " + caption);
  setWindowModified(project->Modified);
}

void TfmMain::UpdateProjectTab() {
  UpdateTitle();
  if (!GetProject() || TabControl1->count() == 0)
    return;
  QString text = ToQString(GetProject()->GetName());
  if (GetProject()->Modified)
    text += " *";
  TabControl1->setTabText(0, text);
  TabControl1->setTabToolTip(0, ToQString(GetProject()->FileName));
}

namespace {

// While the program ends by a signal: every dialog open gives up, and every one opened later
// gives up as soon as it shows, so that no nested event loop keeps the program.
class TDialogCloser : public QObject {
public:
  explicit TDialogCloser(QObject* parent) : QObject(parent) {
    qApp->installEventFilter(this);
    for (QWidget* widget : QApplication::topLevelWidgets())
      if (auto* dialog = qobject_cast<QDialog*>(widget); dialog && dialog->isVisible())
        GiveUp(dialog);
  }

protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Show)
      if (auto* dialog = qobject_cast<QDialog*>(watched))
        GiveUp(dialog);
    return false;
  }

private:
  static void GiveUp(QDialog* dialog) {
    QMetaObject::invokeMethod(dialog, &QDialog::reject, Qt::QueuedConnection);
  }
};

} // namespace

void TfmMain::Terminate() {
  if (Terminating)
    return;
  Terminating = true;
  Commands->Ending = true;
  Document->LeaveRecovery();
  new TDialogCloser(this);
  close();
}

void TfmMain::closeEvent(QCloseEvent* event) {
  if (!Terminating && !Commands->ConfirmDiscard()) {
    event->ignore();
    return;
  }
  TKvenFormMain::closeEvent(event);
  // The program ends with its main window, whatever other windows are open; the shut-down runs
  // when the window is destroyed after the event loop.
  QCoreApplication::quit();
}

bool TfmMain::RefuseWhileRunning() {
  if (!Document->Locked())
    return false;
  sbMain->showMessage(TProjectDocument::LockedNote());
  return true;
}

void TfmMain::NewModule() {
  if (!GetProject() || RefuseWhileRunning() || !Document->Level())
    return;
  const std::optional<TModuleText> values =
      RunModuleMaster(Document->ProposedModuleText(CanvasView->ViewCentre()), nullptr);
  if (!values)
    return;
  // A subsystem of the library: a copy of it, where the wizard says.
  if (!values->Library.isEmpty()) {
    const TPoint at{values->PositionX.toInt(), values->PositionY.toInt()};
    if (const TEditResult inserted = Document->InsertFile(ToU16(values->Library), at); !inserted)
      sbMain->showMessage(inserted.Reason);
    return;
  }
  // The new module is the one shown selected everywhere, with the wizard's values.
  if (const TEditResult added = Document->AddModule(*values); !added)
    sbMain->showMessage(added.Reason);
}

void TfmMain::NewPort(bool output) {
  if (!GetProject() || RefuseWhileRunning())
    return;
  const TEditResult added = Document->AddPort(output, CanvasView->ViewCentre());
  added.Reason.isEmpty() ? sbMain->clearMessage() : sbMain->showMessage(added.Reason);
}

QStringList TfmMain::SubsystemFiles() const {
  QStringList files;
  if (SubsystemFolder.isEmpty())
    return files;
  const QDir folder(SubsystemFolder);
  for (const QFileInfo& file :
       folder.entryInfoList({QString("*.") + ProjectSuffix, "*.xml"}, QDir::Files, QDir::Name))
    files << file.absoluteFilePath();
  return files;
}

void TfmMain::ExportModule() {
  const auto module = Document->Selected();
  if (!module) {
    sbMain->showMessage(QCoreApplication::translate("TfmMain", "Выберите модуль для вывода"));
    return;
  }
  // The library's folder is made when first written to.
  if (!SubsystemFolder.isEmpty())
    MakeFolders(SubsystemFolder.toStdString());
  const std::optional<QString> file = Dialogs->ChooseModuleFile(
      SubsystemFolder, ToQString(module->GetName()) + "." + ProjectSuffix);
  if (!file)
    return;
  const QString target = WithProjectSuffix(*file);
  if (const TResult written = Document->ExportModule(module, ToU16(target)); !written)
    Dialogs->ShowError(QCoreApplication::translate("TfmMain", "Модуль не записан в файл."),
                       QString::fromStdString(written.Reason));
  else {
    sbMain->showMessage(QCoreApplication::translate("TfmMain", "Модуль «%1» записан в «%2»")
                            .arg(ToQString(module->GetName()), target));
    // The palette lists the library's subsystems: the new one too.
    Palette->Fill(Components.get(), SubsystemFiles());
  }
}

void TfmMain::EditModule(const std::shared_ptr<IModule>& module) {
  if (!module || RefuseWhileRunning())
    return;
  const std::optional<TModuleText> values = RunModuleMaster(TModuleText::Of(*module), module);
  if (!values)
    return;
  // The tree, the grid and the canvas show the new values at once.
  if (const TEditResult edited = Document->EditModule(module, *values); !edited)
    sbMain->showMessage(edited.Reason);
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
  // The path of the level shown stands beside the project's tab, above the canvas.
  auto* top = new QHBoxLayout;
  top->setContentsMargins(0, 0, 0, 0);
  top->addWidget(TabControl1);
  auto* levelPath = new QLabel(panel1);
  levelPath->setObjectName("LevelPath");
  top->addWidget(levelPath, 1);
  layout->addLayout(top);

  auto* split = new QSplitter(Qt::Horizontal, panel1);
  split->setObjectName("Splitter1");
  auto* left = new QSplitter(Qt::Vertical, split);
  left->setObjectName("PanelLeft");
  tvMain = new QTreeWidget(left);
  tvMain->setObjectName("tvMain");
  tvMain->setHeaderHidden(true);
  tvMain->setIndentation(19);
  // One line per entry: the view need not measure every entry above the one it shows.
  tvMain->setUniformRowHeights(true);
  ValueListEditor = new QTableWidget(0, 2, left);
  ValueListEditor->setObjectName("ValueListEditor");
  ValueListEditor->setHorizontalHeaderLabels({tr("Key"), tr("Value")});
  ValueListEditor->verticalHeader()->hide();
  ValueListEditor->verticalHeader()->setDefaultSectionSize(ValueListEditor->fontMetrics().height() +
                                                           6);
  ValueListEditor->setColumnWidth(0, 70);
  ValueListEditor->setColumnWidth(1, 59);
  // The tree and the left panel keep their sizes when the window grows.
  left->setStretchFactor(0, 0);
  left->setStretchFactor(1, 1);
  // The canvas with the scroll bars that move its view over the modules' extent.
  ZoomLabel = new QLabel(this);
  ZoomLabel->setObjectName("ZoomLabel");
  ZoomLabel->hide();
  CanvasView = new TCanvasView(*Document, split, ZoomLabel, levelPath);
  split->addWidget(left);
  split->addWidget(CanvasView);
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
  sbMain->addPermanentWidget(ZoomLabel);
  ZoomLabel->hide();
  // The views of the document.
  Tree = new TModuleTree(*Document, tvMain);
  Grid = new TPropertyGrid(*Document, ValueListEditor, [this](const QString& text) {
    if (text.isEmpty())
      sbMain->clearMessage();
    else
      sbMain->showMessage(text);
  });

  for (QWidget* area : {static_cast<QWidget*>(tvMain->viewport()), static_cast<QWidget*>(sbMain)}) {
    area->setMouseTracking(true);
    area->installEventFilter(this);
  }
}

void TfmMain::CloseProject() {
  Document->CloseProject();
}

void TfmMain::SetProject(std::shared_ptr<TProject> project) {
  Document->SetProject(std::move(project));
}

void TfmMain::RefreshView() {
  update();
  Document->Refresh();
}

void TfmMain::DeleteModule() {
  if (const TEditResult deleted = Document->DeleteSelected(); !deleted)
    sbMain->showMessage(deleted.Reason);
}

void TfmMain::ZoomIn() {
  CanvasView->ZoomIn();
}

void TfmMain::ZoomOut() {
  CanvasView->ZoomOut();
}

void TfmMain::ActualSize() {
  CanvasView->ActualSize();
}
