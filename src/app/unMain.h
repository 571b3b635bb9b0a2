#pragma once

#include "config/unKvenFormMain.h"

#include <QElapsedTimer>
#include <functional>
#include <memory>

#include "app/unMainDialogs.h"
class IModule;
struct TPoint;
class QAction;
class QMenu;
class QSplitter;
class QStatusBar;
class QTabBar;
class QTableWidget;
class QTableWidgetItem;
class QTreeWidget;
class QTreeWidgetItem;
class QUndoCommand;
class QLabel;
class QScrollBar;
class QTimer;
class QUndoStack;
class TComponentList;
class TfmTeach;
class TProgrammingImage;
class TProject;
class TRecovery;

// True when the file is there and holds a project (its root element is the project's).
bool HoldsProject(const std::u16string& file);

// The editor's main window: owns the open project, the canvas, the module tree and the property
// grid, and runs the project commands of its menu.
class TfmMain : public TKvenFormMain {
  Q_OBJECT
public:
  // Without dialogs the window uses the real ones. The log and configuration folders ("Logs",
  // "Configs") and the components lie in the folder (with its trailing '/'), by default the
  // executable's. Creation reads the configuration, builds and shows the log.
  explicit TfmMain(std::unique_ptr<IMainDialogs> dialogs = nullptr, QWidget* parent = nullptr,
                   std::u16string folder = {});
  ~TfmMain() override;

  // The rest of the start once the window is shown: the components are scanned and the start
  // dialog asks for a new or an existing project.
  void Start();
  void NewProject();
  void OpenProject();
  // Saves to the project's file, or asks for one when it has none; false when nothing was saved.
  bool SaveProject();
  // Saves to a chosen file, which becomes the project's file; false when nothing was saved.
  bool SaveProjectAs();
  // Closes the project if one is open and shows none.
  void CloseProject();
  // Shows the project (or none) in the canvas, the tab strip and the tree.
  void SetProject(std::shared_ptr<TProject> project);
  void RefreshView();
  void NewModule();
  void EditModule(const std::shared_ptr<IModule>& module);
  void ShowModuleProperties(const std::shared_ptr<IModule>& module);
  void ShowModulePosition(const std::shared_ptr<IModule>& module);
  // View ▸ Zoom In, Zoom Out, Actual Size: around the mouse on the canvas.
  void ZoomIn();
  void ZoomOut();
  void ActualSize();
  // The scroll bars and the zoom shown in the status bar (only while it is not 100 %).
  void UpdateView();
  // Selects the module of a tree entry (none for the project's own entry).
  void SelectFromTree(QTreeWidgetItem* item);
  // Makes the module (or none) the project's one selected module and shows it so everywhere.
  void Select(const std::shared_ptr<IModule>& module);
  // Shows the project's selected module in the tree, the grid and the Delete item.
  void ShowSelection();
  // Makes the selected module's entry the tree's current one.
  void ShowSelectionInTree();
  // Takes the selected module out (Edit ▸ Delete); undo puts it back.
  void DeleteModule();
  QUndoStack* GetUndoStack() const { return UndoStack; }

  // The project with its unsaved changes and its own file name, kept aside (atomically) every
  // 30 s while it is modified and after every tenth change, in a file of this editor's own;
  // false when it could not be written.
  bool WriteRecovery();
  std::u16string RecoveryFile() const;
  static constexpr int RecoveryIntervalMs = 30000;
  static constexpr int RecoveryEveryChanges = 10;

  void Settings();
  // Shows the log window again.
  void ShowLog();
  // Makes the teaching window the first time, then shows it.
  void ShowTeach();
  void ShowHelp();
  void ShowAbout();
  // Null until View ▸ Teach was first used; owned by the window.
  TfmTeach* GetTeach() const { return Teach; }
  // The window's state, then an element "MainMenu" with the items the menu bar itself owns.
  bool SaveState() override;
  // Rescans the components and shows them.
  void ShowComponents();

  TProject* GetProject() const { return Project.get(); }
  TComponentList* GetComponents() const { return Components.get(); }
  TProgrammingImage* GetCanvas() const { return Canvas; }

protected:
  void closeEvent(QCloseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

private:
  // Before unsaved work is dropped: asks whether to save it; false when the command must stop.
  bool ConfirmDiscard();
  // Removes the work kept aside (after a save, a discard or a clean exit).
  void RemoveRecovery();
  // At the start: offers, newest first, the work editors that no longer run left, naming the
  // project and when it was kept; true when one was restored. Declined work is removed.
  bool OfferRecovery();
  // The project is saved: the stack's current state is the clean one.
  void MarkSaved();
  // Pushes a command (already done, or done by its first redo) onto the undo stack.
  void Push(QUndoCommand* command);
  // What a command calls once it changed the project: the tree, canvas and grid are shown again.
  std::function<void()> Changed();
  std::shared_ptr<IModule> FocusedModule() const;
  // An arrow key moved the module from where it was: one undo step per run of presses.
  void MoveByKeys(const std::shared_ptr<IModule>& module, TPoint from);
  QPoint ZoomAnchor() const;
  // The tab names the project, with " *" while it has unsaved changes.
  void UpdateProjectTab();
  void BuildMenu();
  void BuildLayout();
  // Sizes the window so that the area between the menu bar and the status bar is the client
  // size, and gives the left panel and the tree their sizes.
  void FitClientArea();
  QAction* AddItem(QMenu* menu, const char* caption, const char* name, void (TfmMain::*slot)());
  void Nothing() {}
  void Exit() { close(); }
  void SaveProjectClick() { SaveProject(); }
  void SaveProjectAsClick() { SaveProjectAs(); }
  // File ▸ Export Picture: the project's picture as PNG or SVG.
  void ExportPictureClick();
  void SetGridValue(const QString& key, const QString& value);
  void GridItemChanged(QTableWidgetItem* item);

  static constexpr int ClientWidth = 688;
  static constexpr int ClientHeight = 434;
  static constexpr int LeftPanelWidth = 137;
  static constexpr int TreeHeight = 168;

  // The form's log as a handler, keeping the text of the last error in reason when given.
  TAddToLog LoggingTo(QString* reason);
  // Saves the project to the file; false, with the error and its reason shown, when it fails.
  bool SaveTo(const std::u16string& file);
  // Scans the folder and says in the status bar what was skipped.
  void RefreshComponents();
  // Runs the wizard on the module; true on OK.
  bool RunModuleMaster(const std::shared_ptr<IModule>& module);

  std::unique_ptr<IMainDialogs> Dialogs;
  QUndoStack* UndoStack = nullptr;
  QScrollBar* ScrollX = nullptr;
  QScrollBar* ScrollY = nullptr;
  QLabel* ZoomLabel = nullptr;
  bool UpdatingScroll = false;
  QTimer* RecoveryTimer = nullptr;
  int ChangesSinceRecovery = 0;
  QAction* miDelete = nullptr;
  std::u16string Folder;
  TfmTeach* Teach = nullptr;
  std::unique_ptr<TComponentList> Components;
  std::unique_ptr<TRecovery> Recovery;
  // Restored work: its remembered file is written only while it still holds a project.
  bool CheckFileBeforeSave = false;
  std::shared_ptr<TProject> Project;
  TProgrammingImage* Canvas = nullptr;
  QSplitter* Splitter1 = nullptr;
  QSplitter* PanelLeft = nullptr;
  QTreeWidget* tvMain = nullptr;
  QTableWidget* ValueListEditor = nullptr;
  QTabBar* TabControl1 = nullptr;
  QTabBar* TabControlType = nullptr;
  QStatusBar* sbMain = nullptr;
  // The module whose values the grid shows; the grid does not keep it alive.
  std::weak_ptr<IModule> GridModule;
  bool FillingGrid = false;
  // Arrow-key moves: presses closer than KeyRunGapMs on one module share a run and an undo step.
  static constexpr int KeyRunGapMs = 1000;
  int KeyRun = 0;
  QElapsedTimer KeyRunClock;
  std::weak_ptr<IModule> KeyRunModule;
};
