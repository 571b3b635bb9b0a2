#pragma once

#include "config/unKvenFormMain.h"

#include <QStringList>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "app/unMainDialogs.h"
#include "app/unProjectDocument.h"
#include "app/unRecentProjects.h"
#include "shell/unModuleText.h"
class IModule;
class QAction;
class QActionGroup;
class QFileSystemWatcher;
class QLabel;
class QMenu;
class QSplitter;
class QStatusBar;
class QTabBar;
class QTableWidget;
class QTreeWidget;
class QUndoStack;
class TCanvasView;
class TComponentList;
class TComponentScanner;
class TPalette;
class TRunControl;
class TScopeView;
class QDockWidget;
class TfmTeach;
class TModuleTree;
class TProgrammingImage;
class TProject;
class TProjectCommands;
class TPropertyGrid;

// The project named on the command line: the first argument after the program's own that is not
// an option, as a full name; empty without one.
QString ProjectArgument(const QStringList& arguments);

// The editor's main window: the menus and what they do, the layout of the views (the module
// tree, the property grid, the canvas), the dialogs and the component registry. The open project,
// its undo stack, recovery and selection live in the document (GetDocument), which the views
// observe.
class TfmMain : public TKvenFormMain {
  Q_OBJECT
public:
  // Without dialogs the window uses the real ones. The log and configuration folders ("Logs",
  // "Configs") and the components lie in the folder (with its trailing '/'); without one, where
  // ProgramFolders puts them (beside the executable, or the user's own folders). Creation reads
  // the configuration, builds and shows the log.
  explicit TfmMain(std::unique_ptr<IMainDialogs> dialogs = nullptr, QWidget* parent = nullptr,
                   std::u16string folder = {});
  ~TfmMain() override;

  // The rest of the start once the window is shown: the components are scanned, work left by a
  // killed editor is offered, and then the file given is opened or, without one, the start
  // dialog asks for a new or an existing project.
  void Start(const QString& file = {});
  // The system asks the editor to end (a signal, the session ending): no question is asked,
  // unsaved work is left for recovery at the next start, the configuration is written.
  void Terminate();
  // Terminate was called: the program is ending.
  bool Terminated() const { return Terminating; }
  void NewProject();
  void OpenProject();
  // Opens the file, asking about unsaved work first; false when nothing was opened.
  bool OpenFile(const QString& file);
  // File ▸ Recent Projects: the last projects opened or saved, newest first.
  const QStringList& GetRecentProjects() const { return Recent.GetFiles(); }
  // Saves to the project's file, or asks for one when it has none; false when nothing was saved.
  bool SaveProject();
  // Saves to a chosen file, which becomes the project's file; false when nothing was saved.
  bool SaveProjectAs();
  // Closes the project if one is open and shows none.
  void CloseProject();
  // Shows the project (or none) in every view.
  void SetProject(std::shared_ptr<TProject> project);
  // View ▸ Refresh: every view shows the project again.
  void RefreshView();
  // File ▸ New ▸ Module: the wizard proposes a free name and a free place in the middle of the
  // view; a subsystem of the library chosen there is inserted as a copy.
  void NewModule();
  // File ▸ New ▸ Input Port, Output Port: a boundary module of the level shown.
  void NewPort(bool output);
  // File ▸ Export Module...: the selected module as a file, offered in the library's folder.
  void ExportModule();
  // The user's library of subsystems: its folder, and the files it holds, by name.
  const QString& GetSubsystemFolder() const { return SubsystemFolder; }
  void SetSubsystemFolder(const QString& folder) { SubsystemFolder = folder; }
  QStringList SubsystemFiles() const;
  // Runs the wizard on the module; its changes are one undo step.
  void EditModule(const std::shared_ptr<IModule>& module);
  // Takes the selected module out (Edit ▸ Delete); undo puts it back.
  void DeleteModule();

  // The project with its unsaved changes and its own file name, kept aside (atomically) every
  // 30 s while it is modified and after every tenth change, in a file of this editor's own;
  // false when it could not be written.
  bool WriteRecovery() { return Document->WriteRecovery(); }
  std::u16string RecoveryFile() const { return Document->RecoveryFile(); }
  static constexpr int RecoveryIntervalMs = TProjectDocument::RecoveryIntervalMs;
  static constexpr int RecoveryEveryChanges = TProjectDocument::RecoveryEveryChanges;

  void Settings();
  // Shows the log window again.
  void ShowLog();
  // Makes the teaching window the first time, then shows it.
  void ShowTeach();
  void ShowHelp();
  void ShowAbout();
  // Null until View ▸ Teach was first used; owned by the window.
  TfmTeach* GetTeach() const { return Teach; }
  // The window's state, then an element "MainMenu" with the items the menu bar itself owns and
  // the recent projects.
  bool SaveState() override;
  // Rescans the components and shows them.
  void ShowComponents();
  // Scans the components in the background; the status bar shows how far it is.
  void ScanComponents();
  // Waits for a scan under way to end.
  void WaitForComponents();
  bool ScanningComponents() const;

  // Project ▸ Run: runs the project's modules in the component host, tick by tick, showing the
  // values on the links and in the grid; the project is locked until the run ends.
  void RunProject();
  // Project ▸ Stop.
  void StopProject();
  // Ticks per second of the runs (0: as fast as possible).
  void SetRunRate(double hz);
  double GetRunRate() const;
  TRunControl* GetRunControl() const { return RunControl; }
  TScopeView* GetScope() const { return Scope; }
  TPropertyGrid* GetGrid() const { return Grid; }
  // The canvas' menu on an output's mark or link: Watch (in the first plot or a new one), or
  // Stop Watching. The caller owns it.
  QMenu* WatchMenu(const std::shared_ptr<IModule>& module, const std::u16string& output);

  TProjectDocument* GetDocument() const { return Document; }
  TProject* GetProject() const { return Document->GetProject(); }
  QUndoStack* GetUndoStack() const { return Document->GetUndoStack(); }
  TComponentList* GetComponents() const { return Components.get(); }
  TProgrammingImage* GetCanvas() const;

protected:
  void closeEvent(QCloseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

private:
  QString SubsystemFolder;
  // The tab names the project, with " *" while it has unsaved changes.
  void UpdateProjectTab();
  // The title: the project's file (or name) with the modified mark, then the caption.
  void UpdateTitle();
  void BuildMenu();
  void BuildLayout();
  // Sizes the window so that the area between the menu bar and the status bar is the client
  // size, and gives the left panel and the tree their sizes.
  void FitClientArea();
  QAction* AddItem(QMenu* menu, const char* caption, const char* name, void (TfmMain::*slot)());
  QAction* AddItem(QMenu* menu, const char* caption, const char* name,
                   const std::function<void()>& slot);
  // Enables the items that need a selection or a level below the main one.
  void UpdateItems();
  // View ▸ Find asks for a text and shows the first module that holds it; Find Next the next.
  void Find();
  void FindNext();
  // Edit ▸ Copy and Paste through the system clipboard.
  void CopyToClipboard();
  void PasteFromClipboard();
  void Nothing() {}
  void Exit() { close(); }
  void SaveProjectClick() { SaveProject(); }
  void SaveProjectAsClick() { SaveProjectAs(); }
  // File ▸ Export Picture: the project's picture as PNG or SVG.
  void ExportPictureClick();
  void ZoomIn();
  void ZoomOut();
  void ActualSize();

  static constexpr int ClientWidth = 688;
  static constexpr int ClientHeight = 434;
  static constexpr int LeftPanelWidth = 137;
  static constexpr int TreeHeight = 168;

  // Scans the folder and says in the status bar what was skipped.
  void RefreshComponents();
  // The scan is done: the modules take the components' lists; the status bar says what was
  // skipped.
  void ComponentsScanned();
  // The Run items, the rates and the lock follow the run.
  void BuildRunMenu(QMenu* project);
  // The recent projects' menu: one item per file (disabled when the file is gone), then Clear.
  void UpdateRecentMenu();
  // The run control's signals reach the items and the views.
  void ConnectRun();
  static constexpr double DefaultRunRate = 10;
  void RunStarted();
  void RunStopped(const QString& failure);
  void RunPaused(qint64 tick, const QString& cause);
  // The status bar's text while the project runs: the tick, the rate achieved, the late ticks.
  QString RunningNote() const;
  // Project ▸ Break When...: the list of break conditions, one per line.
  void EditBreaks();
  // The scope's dock, hidden until something watched runs or View ▸ Scope shows it.
  void BuildScope();
  // While the project runs: the status bar says why nothing changes; true then.
  bool RefuseWhileRunning();
  // Runs the wizard on the module; true on OK.
  // The wizard on the values; what the user gave, or nothing when cancelled.
  // The wizard on the values: of the module (null for a new one, which is offered the library).
  std::optional<TModuleText> RunModuleMaster(const TModuleText& values,
                                             const std::shared_ptr<IModule>& module);

  std::unique_ptr<IMainDialogs> Dialogs;
  TProjectDocument* Document = nullptr;
  QLabel* ZoomLabel = nullptr;
  QAction* miDelete = nullptr;
  QAction* miOpenModule = nullptr;
  QAction* miCut = nullptr;
  QAction* miCopy = nullptr;
  QAction* miDuplicate = nullptr;
  QAction* miUp = nullptr;
  QAction* miNewInputPort = nullptr;
  QAction* miNewOutputPort = nullptr;
  QAction* miMakeSubsystem = nullptr;
  QAction* miExplode = nullptr;
  QAction* miExportModule = nullptr;
  QAction* miRun = nullptr;
  QAction* miStop = nullptr;
  QAction* miPause = nullptr;
  QAction* miResume = nullptr;
  QAction* miStep = nullptr;
  QDockWidget* dkScope = nullptr;
  // The palette of components and subsystems, beside the canvas.
  QDockWidget* dkPalette = nullptr;
  TPalette* Palette = nullptr;
  void BuildPalette();
  // Adds what a palette entry names around the point, or says why not in the status bar.
  void AddPaletteEntry(const QString& entry, TPoint at);
  TScopeView* Scope = nullptr;
  QActionGroup* RunRates = nullptr;
  QMenu* RecentMenu = nullptr;
  bool Terminating = false;
  TRecentProjects Recent;
  // Watches the project's file for writes by other programs.
  QFileSystemWatcher* ProjectWatcher = nullptr;
  bool ChangeNoticed = false;
  // Watches the project's file as it is now (a save may have put a new file in its place).
  void WatchProjectFile();
  // What Find looks for and the modules it found, the last one shown.
  QString FindWhat;
  std::vector<std::weak_ptr<IModule>> Found;
  std::size_t FoundShown = 0;
  std::u16string Folder;
  TfmTeach* Teach = nullptr;
  std::unique_ptr<TComponentList> Components;
  TComponentScanner* Scanner = nullptr;
  TRunControl* RunControl = nullptr;
  std::unique_ptr<TProjectCommands> Commands;
  TCanvasView* CanvasView = nullptr;
  TModuleTree* Tree = nullptr;
  TPropertyGrid* Grid = nullptr;
  QSplitter* Splitter1 = nullptr;
  QSplitter* PanelLeft = nullptr;
  QTreeWidget* tvMain = nullptr;
  QTableWidget* ValueListEditor = nullptr;
  QTabBar* TabControl1 = nullptr;
  QTabBar* TabControlType = nullptr;
  QStatusBar* sbMain = nullptr;
};
