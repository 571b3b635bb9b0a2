#pragma once

#include "app/unEditCommands.h"
#include "app/unRecovery.h"
#include "platform/unTypes.h"

#include <QObject>
#include <functional>
#include <future>
#include <memory>
#include <string>
#include <vector>

class IModule;
class IModuleList;
class QTimer;
class QUndoCommand;
class QUndoStack;
class TProject;
struct TLink;

// The open project (or none) and all that belongs to it but is no view: its undo stack and
// modified mark, the work kept aside for crash recovery, the module list shown and the selection
// (the project's focus marks). Commands change it; the tree, the canvas and the grid observe it
// through its signals and keep no state of their own that could disagree.
class TProjectDocument : public QObject {
  Q_OBJECT
public:
  // Recovery files are kept in the folder (with its trailing '/').
  TProjectDocument(QObject* parent, const std::string& recoveryFolder);
  ~TProjectDocument() override;

  TProject* GetProject() const { return Project.get(); }
  // Replaces the project (or none): its undo steps are forgotten, the old one's recovery file
  // removed. A project that comes modified (restored work) starts in an unsaved state.
  void SetProject(std::shared_ptr<TProject> project);
  // Closes the project, if any, and shows none.
  void CloseProject();

  // The module list shown, or null without a project: the main module's children, or those of
  // the last module of the level path.
  std::shared_ptr<IModuleList> Level() const;
  // The modules opened from the main level down to the level shown (empty on the main level).
  const std::vector<std::shared_ptr<IModule>>& LevelPath() const { return Path; }
  // Shows the children of a module of the level shown (no undo step, no change).
  void OpenModule(const std::shared_ptr<IModule>& module);
  // Shows the level above the one shown; false on the main level.
  bool Up();
  // Shows the level reached by the first `depth` steps of the level path.
  void ShowLevel(std::size_t depth);
  // Shows the level that holds the module, wherever it is in the project, and selects it; false
  // when the project does not hold it.
  bool Reveal(const std::shared_ptr<IModule>& module);
  // The selected module of the list shown, or null.
  std::shared_ptr<IModule> Selected() const;
  // Makes the module (or none) the one selected; selection is no undo step and no change.
  void Select(const std::shared_ptr<IModule>& module);
  // Every selected module of the list shown, in the list's order.
  const std::vector<std::shared_ptr<IModule>>& Selection() const;
  // Selects every module of the list shown.
  void SelectAll();
  // A view has changed the focus marks itself (a press on the canvas): the others follow.
  void SelectionTouched();
  // Selects a link of the list shown (no module is selected then).
  void SelectLink(const std::shared_ptr<TLink>& link);
  // The selected link, or null.
  std::shared_ptr<TLink> SelectedLink() const { return Link; }
  // Adds the link from the output of one module to the input of another of the list shown (one
  // undo step, replacing the input's link); the reason when the rules refuse it, else empty.
  std::u16string AddLink(const std::shared_ptr<IModule>& from, const std::u16string& output,
                         const std::shared_ptr<IModule>& to, const std::u16string& input);
  // The selected modules with the links among them as project-file text (empty without a
  // selection).
  std::u16string CopyText() const;
  // Appends the modules and links of such a text to the list shown, moved by the offset (or,
  // with `at`, with their middle there), and selects them (one undo step); false when the text
  // holds no modules.
  bool PasteText(std::u16string_view text, TPoint offset, const TPoint* at = nullptr);
  // Gives pasted modules their components' parameter lists.
  std::function<void(IModuleList&)> AttachParameters;
  // Takes out the selected modules with their links, or the selected link (one undo step).
  void DeleteSelected();
  // A module is being moved (a drag step): the views that show its position follow.
  void Moving(const std::shared_ptr<IModule>& module) { emit ModuleMoving(module); }

  // Pushes a command that is done, or is done by its first redo; every tenth change keeps the
  // work aside.
  void Push(QUndoCommand* command);
  // What a command calls once it changed the project: the views show it again.
  TChanged Changed();
  // The views show the project again after a change made outside the undo stack (anything may
  // have changed): the tree is built afresh.
  void Refresh() {
    SelectionKnown = false;
    emit Refreshed();
    emit ContentChanged();
  }
  // An arrow key moved the module from where it was: one undo step per run of presses.
  void MoveByKeys(const std::shared_ptr<IModule>& module, TPoint from);
  QUndoStack* GetUndoStack() const { return UndoStack; }
  // The project was saved: the stack's current state is the clean one, the recovery file goes.
  void MarkSaved();

  // The project with its unsaved changes and its own file name, kept aside (atomically) in a
  // file of this editor's own; false when it could not be written.
  bool WriteRecovery();
  // The same without waiting: a copy of the project is taken at once and written by a worker
  // thread; false when nothing could be started (no project, no folder, the lock taken).
  bool KeepRecovery();
  // Waits for a write under way; whether it succeeded (true when there was none).
  bool WaitForRecovery();
  // Removes this editor's recovery file, unless LeaveRecovery kept it.
  void RemoveRecovery();
  // The editor is made to end without questions: unsaved work is written aside now and left for
  // the next start to offer (nothing removes it afterwards); true when there is such work.
  bool LeaveRecovery();
  std::u16string RecoveryFile() const;
  // Work left by editors that no longer run, newest first; takes this editor's lock after.
  std::vector<TRecovery::TLeft> LeftRecoveries();
  static constexpr int RecoveryIntervalMs = 30000;
  static constexpr int RecoveryEveryChanges = 10;

  // Restored work: its remembered file is written only while it still holds a project.
  bool CheckFileBeforeSave = false;

  // While the project runs it is locked: the views offer no edit (selection stays free).
  bool Locked() const { return IsLocked; }
  void SetLocked(bool locked);
  // The status bar's note for an edit tried while the project is locked.
  static QString LockedNote();

signals:
  // Another project, or none, is open.
  void ProjectChanged();
  // Modules or links were added, removed or changed: the views draw again.
  void ContentChanged();
  // Before ContentChanged: what a command changed in one list.
  void ModulesChanged(const TChange& change);
  // Anything may have changed (Refresh).
  void Refreshed();
  void SelectionChanged();
  // The modified mark changed.
  void ModifiedChanged();
  void ModuleMoving(const std::shared_ptr<IModule>& module);
  // Another level is shown.
  void LevelChanged();
  // The project was locked or unlocked.
  void LockChanged();

private:
  // Cuts the level path where a step is no longer in the list above it (an undo took it out).
  void KeepPathValid();
  void SetPath(std::vector<std::shared_ptr<IModule>> path);

  // A selected link that is no longer in the list shown is forgotten.
  void ForgetGoneLink();

  std::shared_ptr<TProject> Project;
  std::vector<std::shared_ptr<IModule>> Path;
  // The selected modules of the level shown, read from the focus marks when not known.
  mutable std::vector<std::shared_ptr<IModule>> SelectionCache;
  mutable bool SelectionKnown = false;
  std::shared_ptr<TLink> Link;
  QUndoStack* UndoStack;
  QTimer* RecoveryTimer;
  int ChangesSinceRecovery = 0;
  // Unsaved work was left for the next start: it is never removed.
  bool Leaving = false;
  std::future<bool> Writing;
  TRecovery Recovery;
  std::string RecoveryFolder;
  // Arrow-key moves: presses closer than KeyRunGapMs on one module share a run and an undo step.
  static constexpr int KeyRunGapMs = 1000;
  int KeyRun = 0;
  std::int64_t KeyRunAt = 0;
  std::weak_ptr<IModule> KeyRunModule;
  bool IsLocked = false;
};
