#include "model/unSubsystem.h"

#include "model/unLink.h"
#include "model/unLinkList.h"
#include "model/unModule.h"
#include "model/unModuleList.h"
#include "model/unNames.h"
#include "model/unPorts.h"
#include "platform/unLanguage.h"

#include <algorithm>
#include <climits>
#include <map>
#include <unordered_map>
#include <unordered_set>

TListState TListState::Of(const std::shared_ptr<IModuleList>& list) {
  TListState state{list, {}, {}};
  for (std::int32_t i = 0; i < list->Count(); ++i)
    state.Modules.push_back(list->GetItem(i));
  state.Links = list->GetLinks().All();
  return state;
}

void TListState::ApplyTo() const {
  if (auto* modules = dynamic_cast<TModuleList*>(List.get()))
    modules->SetItems(Modules);
  List->GetLinks().Assign(Links);
}

void TRestructure::Apply(bool after) const {
  (after ? After : Before).ApplyTo();
  for (const TMove& move : Moves)
    move.Module->SetPosition(after ? move.To : move.From);
  for (const TValues& values : Values)
    values.Module->SetInputValues(after ? values.To : values.From);
  // The modules that go into a subsystem keep no focus mark there.
  for (const auto& m : Before.Modules)
    m->SetFocused(WordFalse);
  for (const auto& m : After.Modules)
    m->SetFocused(WordFalse);
  for (const auto& m : after ? SelectAfter : SelectBefore)
    m->SetFocused(WordTrue);
}

namespace {

std::shared_ptr<TLink> NewLink(std::shared_ptr<IModule> from, std::u16string output,
                               std::shared_ptr<IModule> to, std::u16string input) {
  auto link = std::make_shared<TLink>();
  link->From = std::move(from);
  link->Output = std::move(output);
  link->To = std::move(to);
  link->Input = std::move(input);
  return link;
}

std::shared_ptr<IModule> NewPort(const std::shared_ptr<IModuleList>& list, bool output,
                                 const std::u16string& name, TPoint at) {
  auto port = std::make_shared<TModule>(nullptr, std::weak_ptr<IModuleList>(list));
  port->SetType(std::u16string(output ? OutputPortType : InputPortType));
  port->SetName(name);
  port->SetPosition(at);
  port->SetWidth(60);
  port->SetHeight(30);
  UpdatePorts(*port);
  return port;
}

} // namespace

TRestructure PlanMakeSubsystem(const std::shared_ptr<IModuleList>& level,
                               const std::vector<std::shared_ptr<IModule>>& modules) {
  TRestructure plan;
  if (!level)
    return plan;
  std::unordered_set<const IModule*> inside;
  for (const auto& m : modules)
    if (m && level->IndexOf(m) >= 0)
      inside.insert(m.get());
  if (inside.empty()) {
    plan.Reason = Say("Не выбраны модули для подсистемы");
    return plan;
  }
  plan.Before = TListState::Of(level);
  for (const auto& m : plan.Before.Modules)
    if (m->GetFocused())
      plan.SelectBefore.push_back(m);
  // The modules that stay and those that go in, in the list's order; the box around those.
  std::vector<std::shared_ptr<IModule>> stay, moved;
  TRect box{INT32_MAX, INT32_MAX, INT32_MIN, INT32_MIN};
  for (const auto& m : plan.Before.Modules) {
    if (!inside.contains(m.get())) {
      stay.push_back(m);
      continue;
    }
    moved.push_back(m);
    const TPoint p = m->GetPosition();
    const std::int32_t w = std::abs(m->GetWidth()) / 2, h = std::abs(m->GetHeight()) / 2;
    box = {std::min(box.Left, p.X - w), std::min(box.Top, p.Y - h), std::max(box.Right, p.X + w),
           std::max(box.Bottom, p.Y + h)};
  }
  auto subsystem = std::make_shared<TModule>(nullptr, std::weak_ptr<IModuleList>(level));
  std::unordered_set<std::u16string> taken;
  for (const auto& m : stay)
    taken.insert(m->GetName());
  subsystem->SetName(NumberedName(taken, u"Subsystem"));
  subsystem->SetPosition({static_cast<std::int32_t>((std::int64_t{box.Left} + box.Right) / 2),
                          static_cast<std::int32_t>((std::int64_t{box.Top} + box.Bottom) / 2)});
  const std::shared_ptr<IModuleList> children = subsystem->GetModules();
  auto* childList = dynamic_cast<TModuleList*>(children.get());
  childList->SetItems(moved);
  std::unordered_set<std::u16string> names;
  for (const auto& m : moved)
    names.insert(m->GetName());
  // Links: inside, outside, or through a port made for the output that feeds them.
  std::vector<std::shared_ptr<TLink>> outer, inner;
  std::map<std::pair<const IModule*, std::u16string>, std::shared_ptr<IModule>> inPorts, outPorts;
  std::vector<std::shared_ptr<IModule>> ports;
  std::int32_t ins = 0, outs = 0;
  for (const auto& link : plan.Before.Links) {
    const bool from = link->From && inside.contains(link->From.get());
    const bool to = link->To && inside.contains(link->To.get());
    if (from && to) {
      inner.push_back(link);
    } else if (!link->From || !link->To || (!from && !to)) {
      outer.push_back(link);
    } else if (to) {
      auto& port = inPorts[{link->From.get(), link->Output}];
      if (!port) {
        const std::u16string name = FreeName(names, link->Input);
        names.insert(name);
        port = NewPort(children, false, name, {box.Left - 60, box.Top + 40 * ins++});
        ports.push_back(port);
        outer.push_back(NewLink(link->From, link->Output, subsystem, name));
      }
      inner.push_back(NewLink(port, std::u16string(PortValueName), link->To, link->Input));
    } else {
      auto& port = outPorts[{link->From.get(), link->Output}];
      if (!port) {
        const std::u16string name = FreeName(names, link->Output);
        names.insert(name);
        port = NewPort(children, true, name, {box.Right + 60, box.Top + 40 * outs++});
        ports.push_back(port);
        inner.push_back(NewLink(link->From, link->Output, port, std::u16string(PortValueName)));
      }
      outer.push_back(NewLink(subsystem, port->GetName(), link->To, link->Input));
    }
  }
  for (const auto& port : ports)
    childList->Append(port);
  children->GetLinks().Assign(std::move(inner));
  for (const auto& m : moved)
    m->SetFocused(WordFalse);
  // Tall enough for its ports.
  subsystem->SetHeight(std::max<std::int32_t>(100, 20 * std::max(ins, outs) + 20));
  UpdatePorts(*subsystem);
  // The subsystem takes the place of the first module that went in.
  plan.After.List = level;
  const auto first = std::find_if(plan.Before.Modules.begin(), plan.Before.Modules.end(),
                                  [&](const auto& m) { return inside.contains(m.get()); });
  for (auto it = plan.Before.Modules.begin(); it != plan.Before.Modules.end(); ++it) {
    if (it == first)
      plan.After.Modules.push_back(subsystem);
    if (!inside.contains(it->get()))
      plan.After.Modules.push_back(*it);
  }
  plan.After.Links = std::move(outer);
  plan.Subsystem = subsystem;
  plan.SelectAfter = {subsystem};
  plan.Ok = true;
  return plan;
}

TRestructure PlanExplode(const std::shared_ptr<IModuleList>& level,
                         const std::shared_ptr<IModule>& subsystem) {
  TRestructure plan;
  const auto children = subsystem ? subsystem->GetModules() : nullptr;
  if (!level || !subsystem || level->IndexOf(subsystem) < 0 || !children ||
      children->Count() == 0) {
    plan.Reason = Say("Разобрать можно только модуль, в котором есть модули");
    return plan;
  }
  plan.Before = TListState::Of(level);
  for (const auto& m : plan.Before.Modules)
    if (m->GetFocused())
      plan.SelectBefore.push_back(m);
  std::vector<std::shared_ptr<IModule>> freed;
  TRect box{INT32_MAX, INT32_MAX, INT32_MIN, INT32_MIN};
  for (std::int32_t i = 0; i < children->Count(); ++i) {
    auto m = children->GetItem(i);
    if (IsPort(*m))
      continue;
    const TPoint p = m->GetPosition();
    box = {std::min(box.Left, p.X), std::min(box.Top, p.Y), std::max(box.Right, p.X),
           std::max(box.Bottom, p.Y)};
    freed.push_back(std::move(m));
  }
  // Names free on the level: a module that would take a name there takes the next free one.
  std::unordered_set<std::u16string> taken;
  for (const auto& m : plan.Before.Modules)
    if (m != subsystem)
      taken.insert(m->GetName());
  for (const auto& m : freed)
    if (taken.contains(m->GetName())) {
      plan.Reason = Say("Имя «%s» уже есть на этом уровне", {m->GetName()});
      return plan;
    }
  const TPoint centre = subsystem->GetPosition();
  if (!freed.empty()) {
    const TPoint middle{static_cast<std::int32_t>((std::int64_t{box.Left} + box.Right) / 2),
                        static_cast<std::int32_t>((std::int64_t{box.Top} + box.Bottom) / 2)};
    for (const auto& m : freed) {
      const TPoint p = m->GetPosition();
      const TPoint to{p.X + centre.X - middle.X, p.Y + centre.Y - middle.Y};
      if (!(to == p))
        plan.Moves.push_back({m, p, to});
    }
  }
  plan.After.List = level;
  for (const auto& m : plan.Before.Modules) {
    if (m != subsystem) {
      plan.After.Modules.push_back(m);
      continue;
    }
    plan.After.Modules.insert(plan.After.Modules.end(), freed.begin(), freed.end());
  }
  // What feeds each input port from outside, and what each output port feeds outside.
  std::unordered_map<std::u16string, std::vector<std::shared_ptr<TLink>>> feedsPort, fedByPort;
  for (const auto& link : plan.Before.Links) {
    if (link->To == subsystem)
      feedsPort[link->Input].push_back(link);
    else if (link->From == subsystem)
      fedByPort[link->Output].push_back(link);
    else
      plan.After.Links.push_back(link);
  }
  // What feeds each output port inside, and what each input port feeds inside.
  const std::vector<std::shared_ptr<TLink>>& inner = children->GetLinks().All();
  for (const auto& link : inner) {
    if (!link->From || !link->To)
      continue;
    const bool fromPort = IsInputPort(*link->From), toPort = IsOutputPort(*link->To);
    if (!fromPort && !toPort) {
      if (!IsPort(*link->From) && !IsPort(*link->To))
        plan.After.Links.push_back(link);
      continue;
    }
    // The outside ends of the value: where it comes from and where it goes.
    std::vector<std::pair<std::shared_ptr<IModule>, std::u16string>> sources, targets;
    if (fromPort) {
      for (const auto& outside : feedsPort[link->From->GetName()])
        sources.emplace_back(outside->From, outside->Output);
    } else {
      sources.emplace_back(link->From, link->Output);
    }
    if (toPort) {
      for (const auto& outside : fedByPort[link->To->GetName()])
        targets.emplace_back(outside->To, outside->Input);
    } else {
      targets.emplace_back(link->To, link->Input);
    }
    for (const auto& [from, output] : sources)
      for (const auto& [to, input] : targets)
        if (from && to)
          plan.After.Links.push_back(NewLink(from, output, to, input));
    // A port nothing feeds from outside gave the value typed for it on the subsystem.
    if (fromPort && !toPort && sources.empty())
      for (const TInputValue& typed : subsystem->GetInputValues())
        if (typed.Name == link->From->GetName()) {
          auto found =
              std::find_if(plan.Values.begin(), plan.Values.end(),
                           [&](const TRestructure::TValues& v) { return v.Module == link->To; });
          if (found == plan.Values.end()) {
            plan.Values.push_back(
                {link->To, link->To->GetInputValues(), link->To->GetInputValues()});
            found = plan.Values.end() - 1;
          }
          std::vector<TInputValue>& to = found->To;
          const auto it = std::find_if(to.begin(), to.end(),
                                       [&](const TInputValue& v) { return v.Name == link->Input; });
          if (it != to.end())
            it->Value = typed.Value;
          else
            to.push_back({link->Input, typed.Value});
        }
  }
  plan.SelectAfter = freed;
  plan.Ok = true;
  return plan;
}
