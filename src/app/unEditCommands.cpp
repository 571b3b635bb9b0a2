#include "app/unEditCommands.h"

#include "model/unProject.h"

#include <algorithm>
#include <unordered_set>

TModuleValues TModuleValues::Of(const IModule& module, unsigned fields) {
  TModuleValues values;
  if (fields & mfName)
    values.Name = module.GetName();
  if (fields & mfDescription)
    values.Description = module.GetDescription();
  if (fields & mfType)
    values.Type = module.GetType();
  if (fields & mfPosition)
    values.Position = module.GetPosition();
  if (fields & mfHeight)
    values.Height = module.GetHeight();
  if (fields & mfWidth)
    values.Width = module.GetWidth();
  if (fields & mfParams) {
    values.ParamIn = module.GetParamIn();
    values.ParamOut = module.GetParamOut();
    values.TypeTitle = module.GetTypeTitle();
  }
  if (fields & mfInputs)
    values.Inputs = module.GetInputValues();
  if (fields & mfWatches)
    values.Watches = module.GetWatches();
  return values;
}

void TModuleValues::ApplyTo(IModule& module, unsigned fields) const {
  if (fields & mfName)
    module.SetName(Name);
  if (fields & mfDescription)
    module.SetDescription(Description);
  if (fields & mfType)
    module.SetType(Type);
  if (fields & mfPosition)
    module.SetPosition(Position);
  if (fields & mfHeight)
    module.SetHeight(Height);
  if (fields & mfWidth)
    module.SetWidth(Width);
  if (fields & mfParams) {
    module.SetParamIn(ParamIn);
    module.SetParamOut(ParamOut);
    module.SetTypeTitle(TypeTitle);
  }
  if (fields & mfInputs)
    module.SetInputValues(Inputs);
  if (fields & mfWatches)
    module.SetWatches(Watches);
}

TSetBreaksCommand::TSetBreaksCommand(const QString& text, TProject& project,
                                     std::vector<std::u16string> breaks,
                                     std::function<void()> changed)
    : QUndoCommand(text), Project(project), Other(std::move(breaks)), Changed(std::move(changed)) {}

// Undo and redo alike swap the conditions the project has with the others.
void TSetBreaksCommand::redo() {
  std::vector<std::u16string> had = Project.GetBreaks();
  Project.SetBreaks(std::move(Other));
  Other = std::move(had);
  if (Changed)
    Changed();
}

void TSetBreaksCommand::undo() {
  redo();
}

namespace {

void Tell(const TNotify& notify, const TChange& change) {
  if (notify.Changed)
    notify.Changed(change);
}

std::vector<std::shared_ptr<IModule>>
ModulesOf(const std::vector<std::pair<std::int32_t, std::shared_ptr<IModule>>>& entries) {
  std::vector<std::shared_ptr<IModule>> modules;
  for (const auto& entry : entries)
    modules.push_back(entry.second);
  return modules;
}

} // namespace

TAddModulesCommand::TAddModulesCommand(const QString& text, std::shared_ptr<IModuleList> list,
                                       std::vector<std::shared_ptr<IModule>> modules,
                                       std::vector<std::shared_ptr<TLink>> links, TNotify notify)
    : QUndoCommand(text), List(std::move(list)), Modules(std::move(modules)),
      Links(std::move(links)), Notify(std::move(notify)) {}

void TAddModulesCommand::redo() {
  SelectedBefore.clear();
  for (std::int32_t i = 0; i < List->Count(); ++i)
    if (auto m = List->GetItem(i); m->GetFocused())
      SelectedBefore.push_back(m);
  List->ClearFocus();
  for (const auto& module : Modules) {
    module->SetFocused(WordTrue);
    List->Insert(List->Count(), module);
  }
  for (const auto& link : Links)
    List->GetLinks().Add(link);
  Tell(Notify, {List, Modules, {}, {}});
}

void TAddModulesCommand::undo() {
  for (const auto& link : Links)
    List->GetLinks().Remove(link);
  for (const auto& module : Modules)
    List->Remove(module);
  List->ClearFocus();
  for (const auto& module : SelectedBefore)
    module->SetFocused(WordTrue);
  Tell(Notify, {List, {}, Modules, {}});
}

TDeleteModuleCommand::TDeleteModuleCommand(std::shared_ptr<IModuleList> list,
                                           const std::vector<std::shared_ptr<IModule>>& modules,
                                           TNotify notify)
    : QUndoCommand(QObject::tr("Delete")), List(std::move(list)), Notify(std::move(notify)) {
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
  Tell(Notify, {List, ModulesOf(Modules), {}, {}});
}

void TDeleteModuleCommand::redo() {
  for (const auto& entry : Links)
    List->GetLinks().Remove(entry.second);
  for (const auto& entry : Modules)
    List->Remove(entry.second);
  Tell(Notify, {List, {}, ModulesOf(Modules), {}});
}

TAddLinkCommand::TAddLinkCommand(std::shared_ptr<IModuleList> list, std::shared_ptr<TLink> link,
                                 std::shared_ptr<TLink> replaced, TNotify notify)
    : QUndoCommand(QObject::tr("Link")), List(std::move(list)), Link(std::move(link)),
      Replaced(std::move(replaced)), Notify(std::move(notify)) {}

void TAddLinkCommand::redo() {
  if (Replaced) {
    ReplacedIndex = List->GetLinks().IndexOf(Replaced);
    List->GetLinks().Remove(Replaced);
  }
  List->GetLinks().Add(Link);
  Tell(Notify, {List, {}, {}, {}});
}

void TAddLinkCommand::undo() {
  List->GetLinks().Remove(Link);
  if (Replaced)
    List->GetLinks().Insert(ReplacedIndex, Replaced);
  Tell(Notify, {List, {}, {}, {}});
}

TDeleteLinkCommand::TDeleteLinkCommand(std::shared_ptr<IModuleList> list,
                                       std::shared_ptr<TLink> link, TNotify notify)
    : QUndoCommand(QObject::tr("Delete Link")), List(std::move(list)), Link(std::move(link)),
      Notify(std::move(notify)) {}

void TDeleteLinkCommand::redo() {
  Index = List->GetLinks().IndexOf(Link);
  List->GetLinks().Remove(Link);
  Tell(Notify, {List, {}, {}, {}});
}

void TDeleteLinkCommand::undo() {
  List->GetLinks().Insert(Index, Link);
  Tell(Notify, {List, {}, {}, {}});
}

TLinkPointsCommand::TLinkPointsCommand(const QString& text, std::shared_ptr<IModuleList> list,
                                       std::shared_ptr<TLink> link, std::vector<TPoint> points,
                                       TNotify notify)
    : QUndoCommand(text), List(std::move(list)), Link(std::move(link)), Other(std::move(points)),
      Notify(std::move(notify)) {}

// Undo and redo alike swap the points the link has with the others.
void TLinkPointsCommand::redo() {
  std::swap(Link->Points, Other);
  Tell(Notify, {List, {}, {}, {}});
}

TChangeModulesCommand::TChangeModulesCommand(const QString& text, std::vector<TStep> steps,
                                             unsigned fields, TNotify notify, int keyRun)
    : QUndoCommand(text), Steps(std::move(steps)), Fields(fields), Notify(std::move(notify)),
      KeyRun(keyRun) {}

bool TChangeModulesCommand::mergeWith(const QUndoCommand* other) {
  const auto* next = dynamic_cast<const TChangeModulesCommand*>(other);
  if (!next || next->KeyRun != KeyRun || next->Fields != Fields || Steps.size() != 1 ||
      next->Steps.size() != 1 || next->Steps.front().Module != Steps.front().Module)
    return false;
  Steps.front().After = next->Steps.front().After;
  return true;
}

void TChangeModulesCommand::Apply(bool after) {
  std::vector<std::shared_ptr<IModule>> modules;
  modules.reserve(Steps.size());
  for (const auto& step : Steps)
    modules.push_back(step.Module);
  if (Notify.Changing)
    Notify.Changing(modules);
  for (const auto& step : Steps)
    (after ? step.After : step.Before).ApplyTo(*step.Module, Fields);
  Tell(Notify, {nullptr, {}, {}, std::move(modules)});
}

void TChangeModulesCommand::undo() {
  Apply(false);
}

void TChangeModulesCommand::redo() {
  Apply(true);
}

TRestructureCommand::TRestructureCommand(const QString& text, TRestructure plan, TNotify notify)
    : QUndoCommand(text), Plan(std::move(plan)), Notify(std::move(notify)) {}

void TRestructureCommand::Apply(bool after) {
  const TListState& from = after ? Plan.Before : Plan.After;
  const TListState& to = after ? Plan.After : Plan.Before;
  Plan.Apply(after);
  // The tree takes out the modules that left the level and adds those that came.
  std::unordered_set<const IModule*> was, is;
  for (const auto& m : from.Modules)
    was.insert(m.get());
  for (const auto& m : to.Modules)
    is.insert(m.get());
  TChange change{to.List, {}, {}, {}};
  for (const auto& m : from.Modules)
    if (!is.contains(m.get()))
      change.Removed.push_back(m);
  for (const auto& m : to.Modules)
    if (!was.contains(m.get()))
      change.Added.push_back(m);
  Tell(Notify, change);
}

void TRestructureCommand::redo() {
  Apply(true);
}

void TRestructureCommand::undo() {
  Apply(false);
}

TGroupCommand::TGroupCommand(const QString& text, std::vector<QUndoCommand*> commands)
    : QUndoCommand(text), Commands(std::move(commands)) {}

TGroupCommand::~TGroupCommand() {
  for (QUndoCommand* command : Commands)
    delete command;
}

void TGroupCommand::redo() {
  for (QUndoCommand* command : Commands)
    command->redo();
}

void TGroupCommand::undo() {
  for (auto it = Commands.rbegin(); it != Commands.rend(); ++it)
    (*it)->undo();
}

TRenameLinkEndsCommand::TRenameLinkEndsCommand(std::shared_ptr<IModuleList> list,
                                               std::vector<TRename> renames, TNotify notify)
    : QUndoCommand(QObject::tr("Rename")), List(std::move(list)), Renames(std::move(renames)),
      Notify(std::move(notify)) {}

void TRenameLinkEndsCommand::redo() {
  for (const TRename& r : Renames)
    (r.Output ? r.Link->Output : r.Link->Input) = r.After;
  Tell(Notify, {List, {}, {}, {}});
}

void TRenameLinkEndsCommand::undo() {
  for (const TRename& r : Renames)
    (r.Output ? r.Link->Output : r.Link->Input) = r.Before;
  Tell(Notify, {List, {}, {}, {}});
}
