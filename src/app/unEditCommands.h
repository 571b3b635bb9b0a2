#pragma once

#include "model/unIModule.h"
#include "model/unLinkList.h"
#include "model/unSubsystem.h"

class TProject;

#include <QUndoCommand>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

// The values of a module a command may change, as flags.
enum TModuleField : unsigned {
  mfName = 1u << 0,
  mfDescription = 1u << 1,
  mfType = 1u << 2,
  mfPosition = 1u << 3,
  mfHeight = 1u << 4,
  mfWidth = 1u << 5,
  mfParams = 1u << 6, // both parameter lists
  mfInputs = 1u << 7, // the typed input values
  mfAll = (1u << 8) - 1,
  mfWatches = 1u << 8, // the outputs watched (not among mfAll: what a module is, not its scope)
};

// What the user can change of a module, taken at one moment (only the fields asked for).
struct TModuleValues {
  std::u16string Name, Description, Type;
  std::u16string TypeTitle; // with the parameters
  TPoint Position;
  std::int32_t Height = 0, Width = 0;
  std::shared_ptr<IParamList> ParamIn, ParamOut;
  std::vector<TInputValue> Inputs;
  std::vector<TWatch> Watches;

  static TModuleValues Of(const IModule& module, unsigned fields = mfAll);
  // Writes the fields asked for into the module.
  void ApplyTo(IModule& module, unsigned fields = mfAll) const;
  friend bool operator==(const TModuleValues&, const TModuleValues&) = default;
};

// What a command changed in one list: the modules it put in, took out, or gave other values
// (none of them when only links changed).
struct TChange {
  std::shared_ptr<IModuleList> List;
  std::vector<std::shared_ptr<IModule>> Added, Removed, Changed;
};

// How a command tells of its change: Changing before it gives modules other values (the views
// note where they stand), Changed after any change.
struct TNotify {
  std::function<void(const std::vector<std::shared_ptr<IModule>>&)> Changing;
  std::function<void(const TChange&)> Changed;
};

// The project's break conditions set to others; undo gives back those there were.
class TSetBreaksCommand : public QUndoCommand {
public:
  TSetBreaksCommand(const QString& text, TProject& project, std::vector<std::u16string> breaks,
                    std::function<void()> changed);
  void undo() override;
  void redo() override;

private:
  TProject& Project;
  std::vector<std::u16string> Other;
  std::function<void()> Changed;
};

// Modules and links put into a list (a new module, a paste) and selected alone; undo takes them
// out again and gives back the selection there was. Applied by its first redo.
class TAddModulesCommand : public QUndoCommand {
public:
  TAddModulesCommand(const QString& text, std::shared_ptr<IModuleList> list,
                     std::vector<std::shared_ptr<IModule>> modules,
                     std::vector<std::shared_ptr<TLink>> links, TNotify notify);
  void undo() override;
  void redo() override;

private:
  std::shared_ptr<IModuleList> List;
  std::vector<std::shared_ptr<IModule>> Modules;
  std::vector<std::shared_ptr<TLink>> Links;
  std::vector<std::shared_ptr<IModule>> SelectedBefore;
  TNotify Notify;
};

// Takes modules out of their list with their links; undo puts them back at their indices with
// everything they had, their links at their places and their selection as it was.
class TDeleteModuleCommand : public QUndoCommand {
public:
  TDeleteModuleCommand(std::shared_ptr<IModuleList> list,
                       const std::vector<std::shared_ptr<IModule>>& modules, TNotify notify);
  void undo() override;
  void redo() override;

private:
  std::shared_ptr<IModuleList> List;
  // The modules and their indices, the links of any of them and theirs, in ascending order of
  // index.
  std::vector<std::pair<std::int32_t, std::shared_ptr<IModule>>> Modules;
  std::vector<std::pair<std::int32_t, std::shared_ptr<TLink>>> Links;
  TNotify Notify;
};

// Adds a link to a list, taking out the link it replaces (the one into the same input); undo
// puts that back.
class TAddLinkCommand : public QUndoCommand {
public:
  TAddLinkCommand(std::shared_ptr<IModuleList> list, std::shared_ptr<TLink> link,
                  std::shared_ptr<TLink> replaced, TNotify notify);
  void undo() override;
  void redo() override;

private:
  std::shared_ptr<IModuleList> List;
  std::shared_ptr<TLink> Link, Replaced;
  std::int32_t ReplacedIndex = -1;
  TNotify Notify;
};

// Takes a link out of its list; undo puts it back at its index.
class TDeleteLinkCommand : public QUndoCommand {
public:
  TDeleteLinkCommand(std::shared_ptr<IModuleList> list, std::shared_ptr<TLink> link,
                     TNotify notify);
  void undo() override;
  void redo() override;

private:
  std::shared_ptr<IModuleList> List;
  std::shared_ptr<TLink> Link;
  std::int32_t Index = -1;
  TNotify Notify;
};

// Gives a link other bend points (its route); undo gives back the ones it had.
class TLinkPointsCommand : public QUndoCommand {
public:
  TLinkPointsCommand(const QString& text, std::shared_ptr<IModuleList> list,
                     std::shared_ptr<TLink> link, std::vector<TPoint> points, TNotify notify);
  void undo() override { redo(); }
  void redo() override;

private:
  std::shared_ptr<IModuleList> List;
  std::shared_ptr<TLink> Link;
  std::vector<TPoint> Other; // the points the link does not have now
  TNotify Notify;
};

// Modules' values changed from before to after, only the fields named: a move, a grid edit, the
// wizard, input values. Applied by its first redo. Commands of one run of arrow keys (the same
// run number above 0) on one module merge into one.
class TChangeModulesCommand : public QUndoCommand {
public:
  struct TStep {
    std::shared_ptr<IModule> Module;
    TModuleValues Before, After;
  };
  TChangeModulesCommand(const QString& text, std::vector<TStep> steps, unsigned fields,
                        TNotify notify, int keyRun = 0);
  void undo() override;
  void redo() override;
  int id() const override { return KeyRun > 0 ? KeyMoveId : -1; }
  bool mergeWith(const QUndoCommand* other) override;

  static constexpr int KeyMoveId = 1;

private:
  void Apply(bool after);

  std::vector<TStep> Steps;
  unsigned Fields;
  TNotify Notify;
  int KeyRun;
};

// A change of a level's structure worked out beforehand (Make Subsystem, Explode): its first redo
// makes it, undo puts the level back as it was.
class TRestructureCommand : public QUndoCommand {
public:
  TRestructureCommand(const QString& text, TRestructure plan, TNotify notify);
  void undo() override;
  void redo() override;

private:
  void Apply(bool after);

  TRestructure Plan;
  TNotify Notify;
};

// Several commands as one undo step: redo applies them in order, undo takes them back in the
// reverse order. Owns them.
class TGroupCommand : public QUndoCommand {
public:
  TGroupCommand(const QString& text, std::vector<QUndoCommand*> commands);
  ~TGroupCommand() override;
  TGroupCommand(const TGroupCommand&) = delete;
  TGroupCommand& operator=(const TGroupCommand&) = delete;
  void undo() override;
  void redo() override;

private:
  std::vector<QUndoCommand*> Commands;
};

// A link's ends named again: the links named by the port of a renamed boundary module follow
// it. Undo gives back the names.
class TRenameLinkEndsCommand : public QUndoCommand {
public:
  struct TRename {
    std::shared_ptr<TLink> Link;
    bool Output; // the link's "Output" (else its "Input")
    std::u16string Before, After;
  };
  TRenameLinkEndsCommand(std::shared_ptr<IModuleList> list, std::vector<TRename> renames,
                         TNotify notify);
  void undo() override;
  void redo() override;

private:
  std::shared_ptr<IModuleList> List;
  std::vector<TRename> Renames;
  TNotify Notify;
};
