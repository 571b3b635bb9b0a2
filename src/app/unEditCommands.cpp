#include "app/unEditCommands.h"

TModuleValues TModuleValues::Of(const IModule& module) {
  return {module.GetName(),   module.GetDescription(), module.GetType(),    module.GetPosition(),
          module.GetHeight(), module.GetWidth(),       module.GetParamIn(), module.GetParamOut()};
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
}

namespace {

void Tell(const TChanged& changed) {
  if (changed)
    changed();
}

} // namespace

TAddModuleCommand::TAddModuleCommand(std::shared_ptr<IModuleList> list,
                                     std::shared_ptr<IModule> module, TChanged changed)
    : QUndoCommand(QObject::tr("Add Module")), List(std::move(list)), Module(std::move(module)),
      Index(List->IndexOf(Module)), Changed(std::move(changed)) {}

void TAddModuleCommand::undo() {
  List->Remove(Module);
  Done = false;
  Tell(Changed);
}

void TAddModuleCommand::redo() {
  if (Done)
    return;
  List->Insert(Index, Module);
  Done = true;
  Tell(Changed);
}

TDeleteModuleCommand::TDeleteModuleCommand(std::shared_ptr<IModuleList> list,
                                           std::shared_ptr<IModule> module, TChanged changed)
    : QUndoCommand(QObject::tr("Delete")), List(std::move(list)), Module(std::move(module)),
      Index(List->IndexOf(Module)), Changed(std::move(changed)) {}

void TDeleteModuleCommand::undo() {
  // Back with everything it had, its selection too, which no other module keeps then.
  if (Module->GetFocused())
    List->ClearFocus();
  List->Insert(Index, Module);
  Tell(Changed);
}

void TDeleteModuleCommand::redo() {
  List->Remove(Module);
  Tell(Changed);
}

TChangeModuleCommand::TChangeModuleCommand(const QString& text, std::shared_ptr<IModule> module,
                                           TModuleValues before, TModuleValues after,
                                           TChanged changed, int keyRun)
    : QUndoCommand(text), Module(std::move(module)), Before(std::move(before)),
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
  Tell(Changed);
}

void TChangeModuleCommand::redo() {
  if (Done)
    return;
  After.ApplyTo(*Module);
  Done = true;
  Tell(Changed);
}
