#pragma once

#include "app/unEditCommands.h"
#include "app/unRecovery.h"
#include "platform/unFileIdentity.h"
#include "platform/unResult.h"
#include "platform/unTypes.h"
#include "shell/unEditResult.h"
#include "shell/unModuleText.h"

#include <QObject>
#include <functional>
#include <future>
#include <memory>
#include <string>
#include <vector>

class IComponentList;
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
  // The selected module of the list shown (the first in the list's order), or null.
  std::shared_ptr<IModule> Selected() const;
  // Every selected module of the list shown, in the list's order.
  const std::vector<std::shared_ptr<IModule>>& Selection() const;
  bool IsSelected(const std::shared_ptr<IModule>& module) const;

  // Selection is no undo step and no change, and stays free while the project runs.
  // Makes the module (or none) the only one selected.
  void Select(const std::shared_ptr<IModule>& module);
  // Makes exactly these modules of the list shown the selected ones.
  void SelectModules(const std::vector<std::shared_ptr<IModule>>& modules);
  // Adds the module to the selection, or takes it out when it is in.
  void ToggleSelected(const std::shared_ptr<IModule>& module);
  // Adds the modules to the selection.
  void AddToSelection(const std::vector<std::shared_ptr<IModule>>& modules);
  // Selects every module of the list shown.
  void SelectAll();
  // Selects a link of the list shown (no module is selected then).
  void SelectLink(const std::shared_ptr<TLink>& link);
  // The selected link, or null.
  std::shared_ptr<TLink> SelectedLink() const { return Link; }

  // The edits: each is one undo step, applied at once, refused while the project runs; the
  // result tells why one was refused. An edit that changes nothing is done without a step.
  // Gives a link of the list shown other bend points: a segment moved, a bend added or removed
  // (the text names the undo step). Refused for a link the list does not hold.
  TEditResult SetLinkPoints(const std::shared_ptr<TLink>& link, std::vector<TPoint> points,
                            const QString& text);
  // Moves the modules of the list shown by the offset.
  TEditResult MoveModules(const std::vector<std::shared_ptr<IModule>>& modules, TPoint delta);
  // An arrow key moved the module: presses close together on one module make one step.
  TEditResult MoveByKeys(const std::shared_ptr<IModule>& module, TPoint delta);
  // Writes the text of a row ("Name", "Description", "Type", "Height", "Width", "PositionX",
  // "PositionY") to every module: texts as they are, numbers when they are whole numbers (sizes
  // at least 1).
  TEditResult SetValue(const std::vector<std::shared_ptr<IModule>>& modules, const QString& key,
                       const QString& text);
  // The typed value of an input of every module; an empty text takes it away.
  TEditResult SetInputValue(const std::vector<std::shared_ptr<IModule>>& modules,
                            const std::u16string& name, const std::u16string& text);
  // The values a new module starts with.
  static TModuleText NewModuleText();
  // Adds a module with the values to the list shown and selects it alone; its type's component
  // gives its parameter lists.
  TEditResult AddModule(const TModuleText& text);
  // Adds a module of the component (its file, the type) named after it with the first free
  // number, on a free place around `centre`: one undo step.
  TEditResult AddComponent(const std::u16string& file, const std::u16string& name, TPoint centre);
  // Adds what a palette entry names ("type:FILE" a component, "library:FILE" a subsystem
  // file) around `centre`.
  TEditResult AddPaletteEntry(const QString& entry, TPoint centre);
  // Gives the module the values; a type whose component is registered gives that component's
  // parameter lists, another type empty ones, no type leaves them.
  TEditResult EditModule(const std::shared_ptr<IModule>& module, const TModuleText& text);
  // Adds the link from the output of one module to the input of another of the list shown,
  // replacing the input's link.
  TEditResult AddLink(const std::shared_ptr<IModule>& from, const std::u16string& output,
                      const std::shared_ptr<IModule>& to, const std::u16string& input);
  // The selected modules with the links among them as project-file text (empty without a
  // selection).
  std::u16string CopyText() const;
  // Appends the modules and links of such a text to the list shown, moved by the offset (or,
  // with `at`, with their middle there), and selects them; refused when the text holds no
  // modules.
  TEditResult PasteText(std::u16string_view text, TPoint offset, const TPoint* at = nullptr);
  // Takes out the selected modules with their links, or the selected link. A boundary module
  // takes with it the links to its port on the level above.
  TEditResult DeleteSelected();

  // Subsystems. Adds a boundary module, an input ("@input") or output ("@output") port of the
  // module whose level is shown, at the place; refused on the main level.
  TEditResult AddPort(bool output, TPoint at);
  // Puts the selected modules into a new subsystem, the links that cross the selection through
  // its ports; selects it.
  TEditResult MakeSubsystem();
  // Puts the modules inside the selected subsystem in its place, joining the links through its
  // ports; selects them.
  TEditResult Explode();
  // Writes the module with all it holds as a file in the project-file layout (a subsystem for
  // the library).
  TResult ExportModule(const std::shared_ptr<IModule>& module, const std::u16string& file) const;
  // Inserts a copy of what such a file holds into the level shown, its middle at the place.
  TEditResult InsertFile(const std::u16string& file, TPoint at);
  // Watches an output of the module in a plot of the scope (0 the first), or stops watching it;
  // one undo step, taken while the project runs too (the run under way keeps its watches; the
  // next one has the new). Refused for an output the module does not have.
  TEditResult SetWatched(const std::shared_ptr<IModule>& module, const std::u16string& output,
                         bool watched, std::int32_t plot = 0);
  // Every module that watches outputs, on every level, in the tree's order.
  std::vector<std::shared_ptr<IModule>> WatchingModules() const;
  // Gives the project these break conditions, in this order (empty texts left out); one undo
  // step. Refused, naming the first, when a text reads as no condition.
  TEditResult SetBreaks(std::vector<std::u16string> conditions);

  // The first free name of the stem on the level shown ("Gen" → "Gen1", "Gen2", ...).
  std::u16string FreeName(const std::u16string& stem) const;
  // Why the name cannot be the module's on the level shown (taken by another), or empty.
  QString NameRefusal(const std::u16string& name, const IModule* module) const;
  // A place near the point where a box of that size lies on no other box of the level shown.
  TPoint FreePlace(TPoint near, std::int32_t width, std::int32_t height) const;
  // What the wizard proposes for a new module: a free name, a free place near the point.
  TModuleText ProposedModuleText(TPoint near) const;
  // The components the project's modules take their parameter lists from (may give null).
  std::function<const IComponentList*()> Components;
  // After the components were scanned again: every module takes its component's lists (no
  // undo step), and the views show the project again.
  void AttachComponents();

  // What a command calls around its change: the views show it.
  // The list is the one the command changes, when its change does not name one.
  TNotify Notify(std::shared_ptr<IModuleList> list = nullptr);
  // The views show the project again after a change made outside the undo stack (anything may
  // have changed): the tree is built afresh.
  void Refresh() {
    SelectionKnown = false;
    emit Refreshed();
    emit ContentChanged();
  }
  QUndoStack* GetUndoStack() const { return UndoStack; }
  // Milliseconds of the clock that tells arrow-key presses apart (the system's; tests set theirs).
  std::function<std::int64_t()> Clock;
  // Arrow-key presses at most this far apart on one module are one undo step.
  static constexpr int KeyRunGapMs = 1000;
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
  // Where recovery files go when the first folder cannot take them (full, read-only): tried in
  // order, each made (private to the user) when it is missing.
  void SetRecoveryFallbacks(const std::vector<std::string>& folders);
  // Work left by editors that no longer run, newest first; takes this editor's lock after.
  std::vector<TRecovery::TLeft> LeftRecoveries();
  static constexpr int RecoveryIntervalMs = 30000;
  static constexpr int RecoveryEveryChanges = 10;

  // Restored work: its remembered file is written only while it still holds a project.
  bool CheckFileBeforeSave = false;
  // What the project's file held when this editor last opened or saved it; unknown for a
  // project that never was in its file here (new, restored). Forgotten with the project.
  TFileIdentity OnDisk;

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
  // Before a command gives these modules other values.
  void ModulesChanging(const std::vector<std::shared_ptr<IModule>>& modules);
  // Another level is shown.
  void LevelChanged();
  // The project was locked or unlocked.
  void LockChanged();
  // Outputs began or stopped to be watched.
  void WatchesChanged();
  // The break conditions changed.
  void BreaksChanged();
  // Recovery files go elsewhere now, or nowhere: the note says where and why, in the user's
  // language and as the log has it.
  void RecoveryMoved(const QString& note, const QString& logText);

private:
  // Pushes the command, which its first redo applies; refused while the project is locked
  // (unless it changes nothing a run uses). Every tenth change keeps the work aside.
  TEditResult Push(QUndoCommand* command, bool evenWhileLocked = false);
  // Writes the focus marks of the list shown: exactly these modules selected.
  void WriteSelection(const std::vector<std::shared_ptr<IModule>>& modules);
  // After a change: the selection read again from the focus marks, told when it moved.
  void SelectionAfterChange();
  // The values of a module's text, checked; the field and reason of the first refused.
  TEditResult ReadText(const TModuleText& text, TModuleValues& values) const;
  // The parameter lists a type gives: its component's, empty ones for an unknown type; false
  // for no type (the lists stay).
  bool ParamsOfType(const std::u16string& type, const IModule* module, TModuleValues& values) const;

  // Cuts the level path where a step is no longer in the list above it (an undo took it out).
  void KeepPathValid();
  void SetPath(std::vector<std::shared_ptr<IModule>> path);
  // The list that holds the module whose level is shown (null on the main level).
  std::shared_ptr<IModuleList> ParentLevel() const;
  // The links of the level above that name ports of the boundary modules.
  std::vector<std::shared_ptr<TLink>>
  PortLinks(const std::vector<std::shared_ptr<IModule>>& ports) const;

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
  // The recovery of each folder, the one written to now, and the folders that failed.
  std::vector<std::unique_ptr<TRecovery>> Recoveries;
  std::size_t RecoveryAt = 0;
  // The first folder must be there (as the configuration's); the others are made when needed.
  std::vector<std::string> RecoveryFolders;
  // Takes the next folder after a failure of the one written to; false when there is none. Says
  // so once for each step.
  bool NextRecoveryFolder();
  TRecovery& CurrentRecovery() { return *Recoveries[RecoveryAt]; }
  // Arrow-key moves: presses closer than KeyRunGapMs on one module share a run and an undo step.
  int KeyRun = 0;
  std::int64_t KeyRunAt = 0;
  std::weak_ptr<IModule> KeyRunModule;
  bool IsLocked = false;
  // No folder took the work: nothing more is tried.
  bool RecoveryGivenUp = false;
  // A project to keep aside, and the first folder there (nothing is kept without it).
  bool RecoveryWanted() const;
};
