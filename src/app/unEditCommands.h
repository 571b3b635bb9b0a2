#pragma once

#include "model/unIModule.h"
#include "model/unLinkList.h"

#include <QUndoCommand>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

// What the user can change of a module, taken at one moment.
struct TModuleValues {
  std::u16string Name, Description, Type;
  TPoint Position;
  std::int32_t Height = 0, Width = 0;
  std::shared_ptr<IParamList> ParamIn, ParamOut;
  std::vector<TInputValue> Inputs;

  static TModuleValues Of(const IModule& module);
  void ApplyTo(IModule& module) const;
  friend bool operator==(const TModuleValues&, const TModuleValues&) = default;
};

// What a command changed in one list: the modules it put in, took out, or gave other values
// (none of them when only links changed).
struct TChange {
  std::shared_ptr<IModuleList> List;
  std::vector<std::shared_ptr<IModule>> Added, Removed, Changed;
};

// Called after a command changed the project, to show the change.
using TChanged = std::function<void(const TChange&)>;

// A module was added to a list (already done when the command is pushed).
class TAddModuleCommand : public QUndoCommand {
public:
  TAddModuleCommand(std::shared_ptr<IModuleList> list, std::shared_ptr<IModule> module,
                    TChanged changed);
  void undo() override;
  void redo() override;

private:
  std::shared_ptr<IModuleList> List;
  std::shared_ptr<IModule> Module;
  std::int32_t Index;
  TChanged Changed;
  bool Done = true;
};

// Takes modules out of their list with their links; undo puts them back at their indices with
// everything they had, their links at their places and their selection as it was.
class TDeleteModuleCommand : public QUndoCommand {
public:
  TDeleteModuleCommand(std::shared_ptr<IModuleList> list,
                       const std::vector<std::shared_ptr<IModule>>& modules, TChanged changed);
  void undo() override;
  void redo() override;

private:
  std::shared_ptr<IModuleList> List;
  // The modules and their indices, the links of any of them and theirs, in ascending order of
  // index.
  std::vector<std::pair<std::int32_t, std::shared_ptr<IModule>>> Modules;
  std::vector<std::pair<std::int32_t, std::shared_ptr<TLink>>> Links;
  TChanged Changed;
};

// Modules and links appended to a list (a paste), the modules selected; undo takes them out again
// and gives back the selection there was.
class TAddModulesCommand : public QUndoCommand {
public:
  TAddModulesCommand(const QString& text, std::shared_ptr<IModuleList> list,
                     std::vector<std::shared_ptr<IModule>> modules,
                     std::vector<std::shared_ptr<TLink>> links, TChanged changed);
  void undo() override;
  void redo() override;

private:
  std::shared_ptr<IModuleList> List;
  std::vector<std::shared_ptr<IModule>> Modules;
  std::vector<std::shared_ptr<TLink>> Links;
  std::vector<std::shared_ptr<IModule>> SelectedBefore;
  TChanged Changed;
};

// Steps taken together (a drag of several modules, one value written to several): undone and
// redone as one, the change shown once.
class TGroupCommand : public QUndoCommand {
public:
  TGroupCommand(const QString& text, TChanged changed);
  void undo() override;
  void redo() override;

private:
  // The modules its steps change.
  TChange Change() const;
  TChanged Changed;
};

// Adds a link to a list, taking out the link it replaces (the one into the same input); undo
// puts that back.
class TAddLinkCommand : public QUndoCommand {
public:
  TAddLinkCommand(std::shared_ptr<IModuleList> list, std::shared_ptr<TLink> link,
                  std::shared_ptr<TLink> replaced, TChanged changed);
  void undo() override;
  void redo() override;

private:
  std::shared_ptr<IModuleList> List;
  std::shared_ptr<TLink> Link, Replaced;
  std::int32_t ReplacedIndex = -1;
  TChanged Changed;
};

// Takes a link out of its list; undo puts it back at its index.
class TDeleteLinkCommand : public QUndoCommand {
public:
  TDeleteLinkCommand(std::shared_ptr<IModuleList> list, std::shared_ptr<TLink> link,
                     TChanged changed);
  void undo() override;
  void redo() override;

private:
  std::shared_ptr<IModuleList> List;
  std::shared_ptr<TLink> Link;
  std::int32_t Index;
  TChanged Changed;
};

// A module's values changed from before to after (already done when the command is pushed):
// a drag, a grid edit, the wizard or arrow keys. Commands of one run of arrow keys (the same
// run number above 0) on one module merge into one.
class TChangeModuleCommand : public QUndoCommand {
public:
  TChangeModuleCommand(const QString& text, std::shared_ptr<IModule> module, TModuleValues before,
                       TModuleValues after, TChanged changed, int keyRun = 0,
                       QUndoCommand* group = nullptr);
  void undo() override;
  void redo() override;
  int id() const override { return KeyRun > 0 ? KeyMoveId : -1; }
  bool mergeWith(const QUndoCommand* other) override;
  const std::shared_ptr<IModule>& GetModule() const { return Module; }

  static constexpr int KeyMoveId = 1;

private:
  std::shared_ptr<IModule> Module;
  TModuleValues Before, After;
  TChanged Changed;
  int KeyRun;
  bool Done = true;
};
