#include "app/unEditCommands.h"

#include <algorithm>
#include <unordered_set>

TModuleValues TModuleValues::Of(const IModule& module) {
  return {module.GetName(),     module.GetDescription(), module.GetType(),
          module.GetPosition(), module.GetHeight(),      module.GetWidth(),
          module.GetParamIn(),  module.GetParamOut(),    module.GetInputValues()};
}

void TModuleValues::ApplyTo(IModule& module) const {
  module.SetName(Name);
  module.SetDescription(Description);
  module.SetType(Type);
  module.SetPosition(Position);
  module.SetHeight(Height);
  module.SetWidth(Width);
  module.SetParamIn(ParamIn);
  module.SetParamOut(ParamOut);
  module.SetInputValues(Inputs);
}

namespace {

void Tell(const TChanged& changed, const TChange& change) {
  if (changed)
    changed(change);
}

std::vector<std::shared_ptr<IModule>>
ModulesOf(const std::vector<std::pair<std::int32_t, std::shared_ptr<IModule>>>& entries) {
  std::vector<std::shared_ptr<IModule>> modules;
  for (const auto& entry : entries)
    modules.push_back(entry.second);
  return modules;
}

} // namespace

TAddModuleCommand::TAddModuleCommand(std::shared_ptr<IModuleList> list,
                                     std::shared_ptr<IModule> module, TChanged changed)
    : QUndoCommand(QObject::tr("Add Module")), List(std::move(list)), Module(std::move(module)),
      Index(List->IndexOf(Module)), Changed(std::move(changed)) {}

void TAddModuleCommand::undo() {
  List->Remove(Module);
  Done = false;
  Tell(Changed, {List, {}, {Module}, {}});
}

void TAddModuleCommand::redo() {
  // Pushed once done, it only shows the change.
  if (!Done)
    List->Insert(Index, Module);
  Done = true;
  Tell(Changed, {List, {Module}, {}, {}});
}

TDeleteModuleCommand::TDeleteModuleCommand(std::shared_ptr<IModuleList> list,
                                           const std::vector<std::shared_ptr<IModule>>& modules,
                                           TChanged changed)
    : QUndoCommand(QObject::tr("Delete")), List(std::move(list)), Changed(std::move(changed)) {
  const std::unordered_set<const IModule*> taken = [&modules] {
    std::unordered_set<const IModule*> set;
    for (const auto& m : modules)
      set.insert(m.get());
    return set;
  }();
  for (std::int32_t i = 0; i < List->Count(); ++i)
    if (auto m = List->GetItem(i); taken.contains(m.get()))
      Modules.emplace_back(i, m);
  const TLinkList& links = List->GetLinks();
  for (std::int32_t i = 0; i < links.Count(); ++i)
    if (taken.contains(links.Get(i)->From.get()) || taken.contains(links.Get(i)->To.get()))
      Links.emplace_back(i, links.Get(i));
}

void TDeleteModuleCommand::undo() {
  // Back with everything they had, their selection too, which no other module keeps then.
  for (const auto& entry : Modules)
    if (entry.second->GetFocused()) {
      List->ClearFocus();
      break;
    }
  // In ascending order each goes back where it was.
  for (const auto& [index, module] : Modules)
    List->Insert(index, module);
  for (const auto& [index, link] : Links)
    List->GetLinks().Insert(index, link);
  Tell(Changed, {List, ModulesOf(Modules), {}, {}});
}

void TDeleteModuleCommand::redo() {
  for (const auto& entry : Links)
    List->GetLinks().Remove(entry.second);
  for (const auto& entry : Modules)
    List->Remove(entry.second);
  Tell(Changed, {List, {}, ModulesOf(Modules), {}});
}

TAddModulesCommand::TAddModulesCommand(const QString& text, std::shared_ptr<IModuleList> list,
                                       std::vector<std::shared_ptr<IModule>> modules,
                                       std::vector<std::shared_ptr<TLink>> links, TChanged changed)
    : QUndoCommand(text), List(std::move(list)), Modules(std::move(modules)),
      Links(std::move(links)), Changed(std::move(changed)) {
  for (std::int32_t i = 0; i < List->Count(); ++i)
    if (auto m = List->GetItem(i); m->GetFocused())
      SelectedBefore.push_back(m);
}

void TAddModulesCommand::redo() {
  List->ClearFocus();
  for (const auto& module : Modules) {
    module->SetFocused(WordTrue);
    List->Insert(List->Count(), module);
  }
  for (const auto& link : Links)
    List->GetLinks().Add(link);
  Tell(Changed, {List, Modules, {}, {}});
}

void TAddModulesCommand::undo() {
  for (const auto& link : Links)
    List->GetLinks().Remove(link);
  for (const auto& module : Modules)
    List->Remove(module);
  List->ClearFocus();
  for (const auto& module : SelectedBefore)
    module->SetFocused(WordTrue);
  Tell(Changed, {List, {}, Modules, {}});
}

TGroupCommand::TGroupCommand(const QString& text, TChanged changed)
    : QUndoCommand(text), Changed(std::move(changed)) {}

TChange TGroupCommand::Change() const {
  TChange change;
  for (int i = 0; i < childCount(); ++i)
    if (const auto* step = dynamic_cast<const TChangeModuleCommand*>(child(i)))
      change.Changed.push_back(step->GetModule());
  return change;
}

void TGroupCommand::undo() {
  QUndoCommand::undo();
  Tell(Changed, Change());
}

void TGroupCommand::redo() {
  QUndoCommand::redo();
  Tell(Changed, Change());
}

TAddLinkCommand::TAddLinkCommand(std::shared_ptr<IModuleList> list, std::shared_ptr<TLink> link,
                                 std::shared_ptr<TLink> replaced, TChanged changed)
    : QUndoCommand(QObject::tr("Link")), List(std::move(list)), Link(std::move(link)),
      Replaced(std::move(replaced)), Changed(std::move(changed)) {}

void TAddLinkCommand::redo() {
  if (Replaced) {
    ReplacedIndex = List->GetLinks().IndexOf(Replaced);
    List->GetLinks().Remove(Replaced);
  }
  List->GetLinks().Add(Link);
  Tell(Changed, {List, {}, {}, {}});
}

void TAddLinkCommand::undo() {
  List->GetLinks().Remove(Link);
  if (Replaced)
    List->GetLinks().Insert(ReplacedIndex, Replaced);
  Tell(Changed, {List, {}, {}, {}});
}

TDeleteLinkCommand::TDeleteLinkCommand(std::shared_ptr<IModuleList> list,
                                       std::shared_ptr<TLink> link, TChanged changed)
    : QUndoCommand(QObject::tr("Delete Link")), List(std::move(list)), Link(std::move(link)),
      Index(List->GetLinks().IndexOf(Link)), Changed(std::move(changed)) {}

void TDeleteLinkCommand::redo() {
  List->GetLinks().Remove(Link);
  Tell(Changed, {List, {}, {}, {}});
}

void TDeleteLinkCommand::undo() {
  List->GetLinks().Insert(Index, Link);
  Tell(Changed, {List, {}, {}, {}});
}

TChangeModuleCommand::TChangeModuleCommand(const QString& text, std::shared_ptr<IModule> module,
                                           TModuleValues before, TModuleValues after,
                                           TChanged changed, int keyRun, QUndoCommand* group)
    : QUndoCommand(text, group), Module(std::move(module)), Before(std::move(before)),
      After(std::move(after)), Changed(std::move(changed)), KeyRun(keyRun) {}

bool TChangeModuleCommand::mergeWith(const QUndoCommand* other) {
  const auto* next = dynamic_cast<const TChangeModuleCommand*>(other);
  if (!next || next->KeyRun != KeyRun || next->Module != Module)
    return false;
  After = next->After;
  return true;
}

void TChangeModuleCommand::undo() {
  Before.ApplyTo(*Module);
  Done = false;
  Tell(Changed, {nullptr, {}, {}, {Module}});
}

void TChangeModuleCommand::redo() {
  // Pushed once done, it only shows the change.
  if (!Done)
    After.ApplyTo(*Module);
  Done = true;
  Tell(Changed, {nullptr, {}, {}, {Module}});
}
