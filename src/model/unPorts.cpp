#include "model/unPorts.h"

#include "model/unIModule.h"
#include "model/unParamList.h"

namespace {

std::shared_ptr<TParamList> PortList(const std::vector<std::u16string>& names) {
  auto list = std::make_shared<TParamList>();
  list->Ports = true;
  for (std::size_t i = 0; i < names.size(); ++i) {
    TParam* param = list->AddNew();
    param->Index = static_cast<std::int32_t>(i);
    param->Name = names[i];
    param->Title = names[i];
    param->Type = std::u16string(PortValueType);
  }
  return list;
}

// The lists of boundary modules, the same for all of them.
const std::shared_ptr<TParamList>& NoPorts() {
  static const std::shared_ptr<TParamList> list = PortList({});
  return list;
}
const std::shared_ptr<TParamList>& ValuePort() {
  static const std::shared_ptr<TParamList> list = PortList({std::u16string(PortValueName)});
  return list;
}

// True when the list is a port list of exactly these names.
bool SamePorts(const IParamList* list, const std::vector<std::u16string>& names) {
  const auto* params = dynamic_cast<const TParamList*>(list);
  if (!params || !params->Ports || params->Count() != static_cast<std::int32_t>(names.size()))
    return false;
  for (std::size_t i = 0; i < names.size(); ++i)
    if (params->Get(static_cast<std::int32_t>(i))->Name != names[i])
      return false;
  return true;
}

bool SetLists(IModule& module, std::shared_ptr<IParamList> in, std::shared_ptr<IParamList> out) {
  if (module.GetParamIn() == in && module.GetParamOut() == out)
    return false;
  module.SetParamIn(std::move(in));
  module.SetParamOut(std::move(out));
  return true;
}

} // namespace

bool IsInputPort(const IModule& module) {
  return module.GetType() == InputPortType;
}

bool IsOutputPort(const IModule& module) {
  return module.GetType() == OutputPortType;
}

bool IsPort(const IModule& module) {
  return IsInputPort(module) || IsOutputPort(module);
}

bool IsSubsystem(const IModule& module) {
  const auto children = module.GetModules();
  for (std::int32_t i = 0; children && i < children->Count(); ++i)
    if (IsPort(*children->GetItem(i)))
      return true;
  return false;
}

std::vector<std::shared_ptr<IModule>> PortModules(const IModule& module, bool outputs) {
  std::vector<std::shared_ptr<IModule>> ports;
  const auto children = module.GetModules();
  for (std::int32_t i = 0; children && i < children->Count(); ++i)
    if (auto child = children->GetItem(i); outputs ? IsOutputPort(*child) : IsInputPort(*child))
      ports.push_back(std::move(child));
  return ports;
}

std::shared_ptr<IModule> PortModule(const IModule& module, bool output,
                                    const std::u16string& name) {
  const auto children = module.GetModules();
  for (std::int32_t i = 0; children && i < children->Count(); ++i)
    if (auto child = children->GetItem(i);
        (output ? IsOutputPort(*child) : IsInputPort(*child)) && child->GetName() == name)
      return child;
  return nullptr;
}

bool IsPortList(const IParamList* list) {
  const auto* params = dynamic_cast<const TParamList*>(list);
  return params && params->Ports;
}

bool UpdatePorts(IModule& module) {
  if (IsInputPort(module))
    return SetLists(module, NoPorts(), ValuePort());
  if (IsOutputPort(module))
    return SetLists(module, ValuePort(), NoPorts());
  std::vector<std::u16string> ins, outs;
  bool any = false;
  const auto children = module.GetModules();
  for (std::int32_t i = 0; children && i < children->Count(); ++i) {
    const auto child = children->GetItem(i);
    if (IsInputPort(*child))
      ins.push_back(child->GetName());
    else if (IsOutputPort(*child))
      outs.push_back(child->GetName());
    else
      continue;
    any = true;
  }
  if (!any) {
    // Ports it no longer has: no marks. A component's lists stay as they are.
    if (!IsPortList(module.GetParamIn().get()) && !IsPortList(module.GetParamOut().get()))
      return false;
    return SetLists(module, std::make_shared<TParamList>(), std::make_shared<TParamList>());
  }
  const bool sameIn = SamePorts(module.GetParamIn().get(), ins);
  const bool sameOut = SamePorts(module.GetParamOut().get(), outs);
  if (sameIn && sameOut)
    return false;
  return SetLists(module, sameIn ? module.GetParamIn() : PortList(ins),
                  sameOut ? module.GetParamOut() : PortList(outs));
}

void UpdateAllPorts(IModuleList& list) {
  // Level by level with a list of its own (a deep tree needs no deep recursion); the modules in
  // the order found, then updated from the last found up, so children come before parents.
  std::vector<std::shared_ptr<IModule>> found;
  std::vector<IModuleList*> open{&list};
  while (!open.empty()) {
    IModuleList* at = open.back();
    open.pop_back();
    for (std::int32_t i = 0; i < at->Count(); ++i) {
      auto module = at->GetItem(i);
      if (auto children = module->GetModules(); children && children->Count() > 0)
        open.push_back(children.get());
      found.push_back(std::move(module));
    }
  }
  for (auto it = found.rbegin(); it != found.rend(); ++it)
    UpdatePorts(**it);
}
