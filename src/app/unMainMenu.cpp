// The main window's menus and the actions behind its Edit and View items: the items, their keys
// and when they are enabled; Find; the clipboard.

#include "app/unMain.h"

#include "app/unCanvasView.h"
#include "app/unProjectDocument.h"
#include "canvas/unProgrammingImage.h"
#include "canvas/unQtStrings.h"
#include "model/unFindModules.h"
#include "model/unIModule.h"
#include "model/unProject.h"

#include <QClipboard>
#include <QCoreApplication>
#include <QCursor>
#include <QDockWidget>
#include <QGuiApplication>
#include <QKeySequence>
#include <QMenuBar>
#include <QStatusBar>
#include <QUndoStack>

QAction* TfmMain::AddItem(QMenu* menu, const char* caption, const char* name,
                          void (TfmMain::*slot)()) {
  QAction* action = menu->addAction(QCoreApplication::translate("TfmMain", caption));
  action->setObjectName(name);
  connect(action, &QAction::triggered, this, slot);
  return action;
}

QAction* TfmMain::AddItem(QMenu* menu, const char* caption, const char* name,
                          const std::function<void()>& slot) {
  QAction* action = menu->addAction(QCoreApplication::translate("TfmMain", caption));
  action->setObjectName(name);
  connect(action, &QAction::triggered, this, slot);
  return action;
}

void TfmMain::Find() {
  TProject* project = GetProject();
  if (!project)
    return;
  const auto text = Dialogs->AskText(
      QCoreApplication::translate("TfmMain", "Найти модули по имени или типу:"), FindWhat);
  if (!text || text->isEmpty())
    return;
  FindWhat = *text;
  Found.clear();
  if (auto modules = project->GetMainModules())
    for (const auto& m : FindModules(*modules, ToU16(FindWhat)))
      Found.push_back(m);
  FoundShown = Found.size() - 1; // the next one shown is the first
  if (Found.empty()) {
    sbMain->showMessage(
        QCoreApplication::translate("TfmMain", "Модули «%1» не найдены").arg(FindWhat));
    return;
  }
  FindNext();
}

void TfmMain::FindNext() {
  if (Found.empty()) {
    Find();
    return;
  }
  // The next one still in the project, after the one shown last.
  for (std::size_t tried = 0; tried < Found.size(); ++tried) {
    FoundShown = (FoundShown + 1) % Found.size();
    auto module = Found[FoundShown].lock();
    if (module && Document->Reveal(module)) {
      CanvasView->CenterOn(module);
      sbMain->showMessage(QCoreApplication::translate("TfmMain", "Найдено «%1»: %2 из %3")
                              .arg(FindWhat)
                              .arg(FoundShown + 1)
                              .arg(Found.size()));
      return;
    }
  }
  sbMain->showMessage(
      QCoreApplication::translate("TfmMain", "Модули «%1» не найдены").arg(FindWhat));
}

void TfmMain::CopyToClipboard() {
  const std::u16string text = Document->CopyText();
  if (!text.empty())
    QGuiApplication::clipboard()->setText(ToQString(text));
}

void TfmMain::PasteFromClipboard() {
  const QString text = QGuiApplication::clipboard()->text();
  // At the mouse when it is over the canvas, else beside the originals.
  TProgrammingImage* canvas = GetCanvas();
  const QPoint mouse = canvas->mapFromGlobal(QCursor::pos());
  const TPoint at = canvas->ToProject(mouse);
  const bool over = canvas->underMouse() && canvas->rect().contains(mouse);
  if (const TEditResult pasted = Document->PasteText(ToU16(text), {20, 20}, over ? &at : nullptr))
    pasted.Reason.isEmpty() ? sbMain->clearMessage() : sbMain->showMessage(pasted.Reason);
  else if (Document->Locked())
    sbMain->showMessage(pasted.Reason);
  else
    sbMain->showMessage(
        QCoreApplication::translate("TfmMain", "В буфере обмена нет модулей проекта"));
}

void TfmMain::UpdateItems() {
  const bool editable = !Document->Locked();
  miDelete->setEnabled(editable &&
                       (Document->Selected() != nullptr || Document->SelectedLink() != nullptr));
  for (QAction* item : {miCut, miDuplicate})
    item->setEnabled(editable && Document->Selected() != nullptr);
  miCopy->setEnabled(Document->Selected() != nullptr);
  for (const char* name : {"miPaste", "miNewModule", "miUndo", "miRedo"})
    if (QAction* item = findChild<QAction*>(name))
      item->setEnabled(editable && (QString(name) == "miUndo"   ? GetUndoStack()->canUndo()
                                    : QString(name) == "miRedo" ? GetUndoStack()->canRedo()
                                                                : true));
  miOpenModule->setEnabled(Document->Selected() != nullptr);
  miUp->setEnabled(!Document->LevelPath().empty());
  // Ports belong to a module opened below the main level.
  for (QAction* item : {miNewInputPort, miNewOutputPort})
    item->setEnabled(editable && !Document->LevelPath().empty());
  miMakeSubsystem->setEnabled(editable && !Document->Selection().empty());
  const auto selected = Document->Selected();
  const auto children = selected ? selected->GetModules() : nullptr;
  miExplode->setEnabled(editable && Document->Selection().size() == 1 && children &&
                        children->Count() > 0);
  miExportModule->setEnabled(Document->Selection().size() == 1);
}

void TfmMain::BuildMenu() {
  // Captions carry their Alt mnemonic as '&'; the caption shown is the text without it.
  QMenu* file = menuBar()->addMenu(tr("&File"));
  file->setObjectName("miFile");
  QMenu* fileNew = file->addMenu(tr("&New"));
  fileNew->setObjectName("miNew");
  AddItem(fileNew, QT_TRANSLATE_NOOP("TfmMain", "&Project"), "miNewProject", &TfmMain::NewProject)
      ->setShortcut(QKeySequence::New);
  AddItem(fileNew, QT_TRANSLATE_NOOP("TfmMain", "&Module"), "miNewModule", &TfmMain::NewModule);
  miNewInputPort = AddItem(fileNew, QT_TRANSLATE_NOOP("TfmMain", "&Input Port"), "miNewInputPort",
                           [this] { NewPort(false); });
  miNewOutputPort = AddItem(fileNew, QT_TRANSLATE_NOOP("TfmMain", "O&utput Port"),
                            "miNewOutputPort", [this] { NewPort(true); });
  AddItem(fileNew, QT_TRANSLATE_NOOP("TfmMain", "M&ethod"), "miNewMethod", &TfmMain::Nothing);
  AddItem(fileNew, QT_TRANSLATE_NOOP("TfmMain", "P&roperty"), "miNewProperty", &TfmMain::Nothing);
  AddItem(fileNew, QT_TRANSLATE_NOOP("TfmMain", "Poin&t"), "miNewPoint", &TfmMain::Nothing);
  AddItem(file, QT_TRANSLATE_NOOP("TfmMain", "&Open Project..."), "miOpenProject",
          &TfmMain::OpenProject)
      ->setShortcut(QKeySequence::Open);
  RecentMenu = file->addMenu(tr("&Recent Projects"));
  RecentMenu->setObjectName("miRecentProjects");
  RecentMenu->setToolTipsVisible(true);
  // A file removed since the menu was made shows disabled when the menu opens.
  connect(RecentMenu, &QMenu::aboutToShow, this, &TfmMain::UpdateRecentMenu);
  AddItem(file, QT_TRANSLATE_NOOP("TfmMain", "&Save Project"), "miSaveProject",
          &TfmMain::SaveProjectClick)
      ->setShortcut(QKeySequence::Save);
  // The platform's standard Save As key may be empty, so the usual one is given outright.
  AddItem(file, QT_TRANSLATE_NOOP("TfmMain", "Save Project &As..."), "miSaveProjectAs",
          &TfmMain::SaveProjectAsClick)
      ->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S));
  AddItem(file, QT_TRANSLATE_NOOP("TfmMain", "Export &Picture..."), "miExportPicture",
          &TfmMain::ExportPictureClick);
  miExportModule = AddItem(file, QT_TRANSLATE_NOOP("TfmMain", "Export &Module..."),
                           "miExportModule", &TfmMain::ExportModule);
  file->addSeparator();
  AddItem(file, QT_TRANSLATE_NOOP("TfmMain", "Se&ttings"), "miSettings", &TfmMain::Settings);
  file->addSeparator();
  AddItem(file, QT_TRANSLATE_NOOP("TfmMain", "E&xit"), "miExit1", &TfmMain::Exit)
      ->setShortcut(QKeySequence::Quit);

  QMenu* edit = menuBar()->addMenu(tr("&Edit"));
  edit->setObjectName("miEdit");
  QAction* undo = GetUndoStack()->createUndoAction(this, tr("&Undo"));
  undo->setObjectName("miUndo");
  undo->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Z));
  QAction* redo = GetUndoStack()->createRedoAction(this, tr("&Redo"));
  redo->setObjectName("miRedo");
  redo->setShortcuts(
      {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), QKeySequence(Qt::CTRL | Qt::Key_Y)});
  edit->addAction(undo);
  edit->addAction(redo);
  edit->addSeparator();
  miDelete =
      AddItem(edit, QT_TRANSLATE_NOOP("TfmMain", "&Delete"), "miDelete", &TfmMain::DeleteModule);
  miDelete->setShortcut(QKeySequence::Delete);
  AddItem(edit, QT_TRANSLATE_NOOP("TfmMain", "Select &All"), "miSelectAll", [this] {
    Document->SelectAll();
  })->setShortcut(QKeySequence::SelectAll);
  edit->addSeparator();
  miCut = AddItem(edit, QT_TRANSLATE_NOOP("TfmMain", "Cu&t"), "miCut", [this] {
    if (RefuseWhileRunning())
      return;
    CopyToClipboard();
    DeleteModule();
  });
  miCut->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_X));
  miCopy =
      AddItem(edit, QT_TRANSLATE_NOOP("TfmMain", "&Copy"), "miCopy", &TfmMain::CopyToClipboard);
  miCopy->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_C));
  AddItem(edit, QT_TRANSLATE_NOOP("TfmMain", "&Paste"), "miPaste", &TfmMain::PasteFromClipboard)
      ->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_V));
  miDuplicate = AddItem(edit, QT_TRANSLATE_NOOP("TfmMain", "Dup&licate"), "miDuplicate", [this] {
    if (const TEditResult pasted = Document->PasteText(Document->CopyText(), {20, 20}); !pasted)
      sbMain->showMessage(pasted.Reason);
  });
  miDuplicate->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_D));
  edit->addSeparator();
  miMakeSubsystem =
      AddItem(edit, QT_TRANSLATE_NOOP("TfmMain", "&Make Subsystem"), "miMakeSubsystem", [this] {
        const TEditResult made = Document->MakeSubsystem();
        made.Reason.isEmpty() ? sbMain->clearMessage() : sbMain->showMessage(made.Reason);
      });
  miMakeSubsystem->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_G));
  miExplode = AddItem(edit, QT_TRANSLATE_NOOP("TfmMain", "E&xplode"), "miExplode", [this] {
    const TEditResult exploded = Document->Explode();
    exploded.Reason.isEmpty() ? sbMain->clearMessage() : sbMain->showMessage(exploded.Reason);
  });
  miExplode->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_G));

  QMenu* view = menuBar()->addMenu(tr("&View"));
  view->setObjectName("miView");
  // F5 runs the project; Refresh has a key of its own.
  AddItem(view, QT_TRANSLATE_NOOP("TfmMain", "&Refresh"), "miRefresh", &TfmMain::RefreshView)
      ->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_R));
  QAction* zoomIn =
      AddItem(view, QT_TRANSLATE_NOOP("TfmMain", "Zoom &In"), "miZoomIn", &TfmMain::ZoomIn);
  zoomIn->setShortcuts(
      {QKeySequence(Qt::CTRL | Qt::Key_Plus), QKeySequence(Qt::CTRL | Qt::Key_Equal)});
  AddItem(view, QT_TRANSLATE_NOOP("TfmMain", "Zoom &Out"), "miZoomOut", &TfmMain::ZoomOut)
      ->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Minus));
  AddItem(view, QT_TRANSLATE_NOOP("TfmMain", "&Actual Size"), "miActualSize", &TfmMain::ActualSize)
      ->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_0));
  view->addSeparator();
  miOpenModule = AddItem(view, QT_TRANSLATE_NOOP("TfmMain", "O&pen Module"), "miOpenModule",
                         [this] { Document->OpenModule(Document->Selected()); });
  miOpenModule->setShortcuts(
      {QKeySequence(Qt::CTRL | Qt::Key_Return), QKeySequence(Qt::CTRL | Qt::Key_Enter)});
  miUp = AddItem(view, QT_TRANSLATE_NOOP("TfmMain", "&Up"), "miUp", [this] { Document->Up(); });
  miUp->setShortcut(QKeySequence(Qt::ALT | Qt::Key_Up));
  AddItem(view, QT_TRANSLATE_NOOP("TfmMain", "&Fit"), "miFit", [this] {
    CanvasView->Fit();
  })->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_1));
  QAction* overview = AddItem(view, QT_TRANSLATE_NOOP("TfmMain", "O&verview"), "miOverview", [] {});
  overview->setCheckable(true);
  overview->setChecked(true);
  connect(overview, &QAction::toggled, this, [this](bool shown) {
    if (CanvasView)
      CanvasView->ShowOverview(shown);
  });
  AddItem(view, QT_TRANSLATE_NOOP("TfmMain", "Fi&nd..."), "miFind", &TfmMain::Find)
      ->setShortcut(QKeySequence::Find);
  AddItem(view, QT_TRANSLATE_NOOP("TfmMain", "Find N&ext"), "miFindNext", &TfmMain::FindNext)
      ->setShortcut(QKeySequence::FindNext);
  view->addSeparator();
  AddItem(view, QT_TRANSLATE_NOOP("TfmMain", "&Components"), "miComponents",
          &TfmMain::ShowComponents);
  AddItem(view, QT_TRANSLATE_NOOP("TfmMain", "&Log"), "miLog", &TfmMain::ShowLog);
  AddItem(view, QT_TRANSLATE_NOOP("TfmMain", "&Scope"), "miScope", [this] {
    dkScope->show();
    dkScope->raise();
  });
  AddItem(view, QT_TRANSLATE_NOOP("TfmMain", "&Palette"), "miPalette", [this] {
    dkPalette->show();
    dkPalette->raise();
  })->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_P));
  AddItem(view, QT_TRANSLATE_NOOP("TfmMain", "&Teach"), "miTeach", &TfmMain::ShowTeach);

  QMenu* project = menuBar()->addMenu(tr("&Project"));
  project->setObjectName("miProject");
  BuildRunMenu(project);

  QMenu* help = menuBar()->addMenu(tr("&Help"));
  help->setObjectName("miHelp");
  AddItem(help, QT_TRANSLATE_NOOP("TfmMain", "&Description"), "miDescription", &TfmMain::ShowHelp);
  AddItem(help, QT_TRANSLATE_NOOP("TfmMain", "&About"), "miAbout", &TfmMain::ShowAbout);
}
