#include "plugins/unProjectRun.h"

#include "model/unLinkList.h"
#include "model/unModule.h"
#include "model/unParamList.h"
#include "model/unPorts.h"
#include "model/unProject.h"
#include "model/unValueType.h"
#include "platform/unLanguage.h"
#include "platform/unStrings.h"
#include "plugins/unComponentList.h"
#include "plugins/unParamAttach.h"

#include <algorithm>
#include <functional>
#include <queue>
#include <set>
#include <unordered_map>

namespace {

std::vector<const TParam*> Params(const std::shared_ptr<IParamList>& list) {
  std::vector<const TParam*> params;
  const auto* all = dynamic_cast<const TParamList*>(list.get());
  for (std::int32_t i = 0; all && i < all->Count(); ++i)
    if (const TParam* p = all->Get(i))
      params.push_back(p);
  return params;
}

// A component's parameters as a plan names them, found once per component.
struct TNames {
  std::string Library;
  std::vector<std::string> Outputs;
  std::vector<std::u16string> Outputs16;
  std::vector<std::pair<std::string, const TParam*>> Inputs;
  // Every parameter is a number or a truth value (then the outputs' kinds).
  bool Numeric = false;
  std::vector<std::uint8_t> OutputKinds;
};

// How a parameter's values are numbers in a numeric step; false for values that are not.
bool NumericKind(const TParam& param, std::uint8_t& kind) {
  kind = param.Type == u"double" ? rkDouble
         : param.Type == u"int"  ? rkInt
         : param.Type == u"bool" ? rkBool
                                 : 255;
  return kind != 255;
}

// One module of the project, wherever it is.
struct TNode {
  std::shared_ptr<IModule> Module;
  std::shared_ptr<IModuleList> List; // the list that holds it
  std::int32_t Owner = -1;           // the node whose children the list holds; -1: the main level
  std::vector<std::u16string> Path;  // names below the main module down to it
  const TComponent* Component = nullptr; // set when it runs
  const TNames* Names = nullptr;         // the component's
  std::int32_t Plan = -1;
};

// Where a value comes from while it is followed through ports: a node's output, a constant, or
// nothing.
struct TFound {
  std::int32_t Node = -1;
  std::int32_t Output = -1;
  bool HasConstant = false;
  std::string Constant;
  bool FromLink = false; // a link was followed on the way
};

class TPlanner {
public:
  TPlanner(const TProject& project, const TComponentList& registry, TProjectRun& run)
      : Registry(registry), Run(run) {
    Walk(project);
  }

  bool Plan();

private:
  void Walk(const TProject& project);
  // What feeds the input of a node (Input), or leaves an output of a node (Output).
  TFound FromInput(std::int32_t node, const std::u16string& input);
  TFound FromOutput(std::int32_t node, const std::u16string& output);
  TFound Follow(bool output, std::int32_t node, std::u16string name);
  std::string Label(std::int32_t node) const { return ModuleLabel(Nodes[node].Path); }

  const TComponentList& Registry;
  TProjectRun& Run;
  std::vector<TNode> Nodes;
  std::unordered_map<const IModule*, std::int32_t> NodeOf;
  // The links into each module, by module (the last one into an input counts).
  std::unordered_map<const IModule*, std::vector<const TLink*>> Into;
  // Pass-throughs already followed, and a node on a loop of them when one was found.
  std::map<std::tuple<bool, std::int32_t, std::u16string>, TFound> Known;
  std::int32_t Loop = -1;
  std::unordered_map<std::u16string, const TComponent*> Resolved;
  // The names of each component's outputs and its input parameters, found once.
  std::unordered_map<const TComponent*, TNames> ComponentNames;
};

void TPlanner::Walk(const TProject& project) {
  struct TLevel {
    std::shared_ptr<IModuleList> List;
    std::int32_t Owner;
  };
  std::vector<TLevel> open;
  if (auto main = project.GetMainModules())
    open.push_back({main, -1});
  while (!open.empty()) {
    const TLevel level = std::move(open.back());
    open.pop_back();
    const IModuleList& list = *level.List;
    for (std::int32_t i = 0; i < list.Count(); ++i) {
      TNode node;
      node.Module = list.GetItem(i);
      node.List = level.List;
      node.Owner = level.Owner;
      if (level.Owner >= 0)
        node.Path = Nodes[static_cast<std::size_t>(level.Owner)].Path;
      node.Path.push_back(node.Module->GetName());
      const auto index = static_cast<std::int32_t>(Nodes.size());
      NodeOf.emplace(node.Module.get(), index);
      if (auto children = node.Module->GetModules(); children && children->Count() > 0)
        open.push_back({children, index});
      const IModule& m = *node.Module;
      if (!m.GetType().empty() && !IsPort(m) && !IsSubsystem(m)) {
        // Types resolved once each: a project of many modules names few components.
        auto [known, added] = Resolved.try_emplace(m.GetType(), nullptr);
        if (added)
          known->second = dynamic_cast<const TComponent*>(ComponentOfType(&Registry, m.GetType()));
        const TComponent* c = known->second;
        if (!c)
          Run.Notes.push_back("Модуль «" + ModuleLabel(node.Path) +
                              "» не выполняется: нет компонента «" + Utf16ToUtf8(m.GetType()) +
                              "»");
        else if (!c->Executes)
          Run.Notes.push_back("Модуль «" + ModuleLabel(node.Path) +
                              "» не выполняется: компонент «" + Utf16ToUtf8(c->Info.Name) +
                              "» только описывает модули");
        else {
          node.Component = c;
          auto [names, fresh] = ComponentNames.try_emplace(c);
          if (fresh) {
            names->second.Library = Utf16ToUtf8(c->FileName);
            for (const TParam* p : Params(c->GetParamOut())) {
              names->second.Outputs.push_back(Utf16ToUtf8(p->Name));
              names->second.Outputs16.push_back(p->Name);
            }
            for (const TParam* p : Params(c->GetParamIn()))
              names->second.Inputs.emplace_back(Utf16ToUtf8(p->Name), p);
            bool numeric = true;
            std::uint8_t kind = 0;
            for (const TParam* p : Params(c->GetParamOut())) {
              numeric = NumericKind(*p, kind) && numeric;
              names->second.OutputKinds.push_back(kind);
            }
            for (const auto& [name, p] : names->second.Inputs)
              numeric = NumericKind(*p, kind) && numeric;
            names->second.Numeric = numeric;
            if (!numeric)
              names->second.OutputKinds.clear();
          }
          node.Names = &names->second;
        }
      }
      if (!node.Component)
        Run.Others.emplace(ModuleLabel(node.Path), node.Module.get());
      Nodes.push_back(std::move(node));
    }
    const TLinkList& links = list.GetLinks();
    for (std::int32_t k = 0; k < links.Count(); ++k)
      if (const TLink* link = links.Get(k).get(); link->From && link->To)
        Into[link->To.get()].push_back(link);
  }
}

TFound TPlanner::FromInput(std::int32_t node, const std::u16string& input) {
  return Follow(false, node, input);
}

TFound TPlanner::FromOutput(std::int32_t node, const std::u16string& output) {
  return Follow(true, node, output);
}

TFound TPlanner::Follow(bool output, std::int32_t node, std::u16string name) {
  // A chain of steps without branches: input ← link ← output ← port ← ... It is followed in a
  // loop (deep nesting needs no deep recursion), and every step on it learns where it ends.
  // Only the steps through modules that do not run are remembered: the others are taken once.
  std::vector<std::tuple<bool, std::int32_t, std::u16string>> steps;
  TFound found;
  bool linked = false;
  for (;;) {
    const TNode& at = Nodes[static_cast<std::size_t>(node)];
    if (!at.Component) {
      auto key = std::make_tuple(output, node, name);
      if (const auto known = Known.find(key); known != Known.end()) {
        found = known->second;
        break;
      }
      if (std::find(steps.begin(), steps.end(), key) != steps.end()) {
        // Ports that feed themselves: nothing runs on the loop, and nothing comes out of it.
        Loop = node;
        found = {};
        break;
      }
      steps.push_back(std::move(key));
    }
    const IModule& m = *at.Module;
    if (!output) {
      const TLink* link = nullptr;
      if (const auto into = Into.find(&m); into != Into.end())
        for (const TLink* l : into->second)
          if (l->Input == name)
            link = l;
      if (link) {
        const auto from = NodeOf.find(link->From.get());
        if (from == NodeOf.end()) {
          found = {};
          break;
        }
        linked = true;
        output = true;
        node = from->second;
        name = link->Output;
        continue;
      }
      // Unlinked: the value typed for it, when there is one.
      found = {};
      for (const TInputValue& typed : m.GetInputValues())
        if (typed.Name == name) {
          found.HasConstant = true;
          found.Constant = Utf16ToUtf8(typed.Value);
        }
      break;
    }
    if (at.Component) {
      found = {};
      const std::vector<std::u16string>& outputs = at.Names->Outputs16;
      const auto o = std::find(outputs.begin(), outputs.end(), name);
      if (o != outputs.end()) {
        found.Node = node;
        found.Output = static_cast<std::int32_t>(o - outputs.begin());
      }
      break;
    }
    if (IsInputPort(m) && name == PortValueName && at.Owner >= 0) {
      // Into the subsystem by its port of this module's name.
      output = false;
      name = m.GetName();
      node = at.Owner;
      continue;
    }
    if (auto port = PortModule(m, true, name)) {
      output = false;
      name = std::u16string(PortValueName);
      node = NodeOf.at(port.get());
      continue;
    }
    found = {};
    break;
  }
  for (const auto& step : steps)
    Known.emplace(step, found);
  found.FromLink = found.FromLink || linked;
  return found;
}

bool TPlanner::Plan() {
  // The sources of every input of every module that runs.
  struct TIn {
    std::string Name;
    const TParam* Param;
    TFound From;
  };
  std::vector<std::vector<TIn>> inputs(Nodes.size());
  std::vector<std::vector<std::int32_t>> feeds(Nodes.size());
  std::vector<std::int32_t> waiting(Nodes.size(), 0);
  for (std::size_t n = 0; n < Nodes.size(); ++n) {
    const TNode& node = Nodes[n];
    if (!node.Component)
      continue;
    std::set<std::int32_t> sources;
    for (const auto& [inputName, param] : node.Names->Inputs) {
      TIn in{inputName, param, FromInput(static_cast<std::int32_t>(n), param->Name)};
      if (Loop >= 0) {
        Run.Error =
            Say("Связи образуют цикл через модуль «%s»: проект не запускается", {Label(Loop)});
        return false;
      }
      if (in.From.Node < 0 && !in.From.HasConstant && in.From.FromLink) {
        Run.Notes.push_back("Вход «" + in.Name + "» модуля «" +
                            Label(static_cast<std::int32_t>(n)) +
                            "» берёт своё значение: связь к нему не ведёт от выполняемого модуля");
        // Its own typed value, as an unlinked input's.
        in.From = {};
        for (const TInputValue& typed : node.Module->GetInputValues())
          if (typed.Name == param->Name) {
            in.From.HasConstant = true;
            in.From.Constant = Utf16ToUtf8(typed.Value);
          }
      }
      if (in.From.Node < 0 && in.From.HasConstant)
        if (const std::string why = ValueProblem(*param, Utf8ToUtf16(in.From.Constant));
            !why.empty()) {
          Run.Error = Say("Модуль «%s», вход «%s»: %s",
                          {Label(static_cast<std::int32_t>(n)), in.Name, why});
          return false;
        }
      if (in.From.Node >= 0 && sources.insert(in.From.Node).second) {
        feeds[static_cast<std::size_t>(in.From.Node)].push_back(static_cast<std::int32_t>(n));
        ++waiting[n];
      }
      inputs[n].push_back(std::move(in));
    }
  }
  // Each module after those that feed it, in the order found where nothing else decides.
  std::priority_queue<std::int32_t, std::vector<std::int32_t>, std::greater<>> ready;
  std::size_t runs = 0;
  for (std::size_t n = 0; n < Nodes.size(); ++n)
    if (Nodes[n].Component) {
      ++runs;
      if (waiting[n] == 0)
        ready.push(static_cast<std::int32_t>(n));
    }
  std::vector<std::int32_t> order;
  while (!ready.empty()) {
    const std::int32_t n = ready.top();
    ready.pop();
    order.push_back(n);
    for (const std::int32_t to : feeds[static_cast<std::size_t>(n)])
      if (--waiting[static_cast<std::size_t>(to)] == 0)
        ready.push(to);
  }
  if (order.size() != runs) {
    // A module on the cycle: walk back along what feeds the modules left until one repeats.
    std::int32_t at = 0;
    while (!Nodes[static_cast<std::size_t>(at)].Component ||
           waiting[static_cast<std::size_t>(at)] == 0)
      ++at;
    std::vector<char> seen(Nodes.size(), 0);
    while (!seen[static_cast<std::size_t>(at)]) {
      seen[static_cast<std::size_t>(at)] = 1;
      for (const TIn& in : inputs[static_cast<std::size_t>(at)])
        if (in.From.Node >= 0 && waiting[static_cast<std::size_t>(in.From.Node)] > 0) {
          at = in.From.Node;
          break;
        }
    }
    Run.Error = Say("Связи образуют цикл через модуль «%s»: проект не запускается", {Label(at)});
    return false;
  }
  for (const std::int32_t n : order) {
    TNode& node = Nodes[static_cast<std::size_t>(n)];
    TRunModule entry;
    entry.Library = node.Names->Library;
    entry.Label = Label(n);
    entry.Outputs = node.Names->Outputs;
    for (TIn& in : inputs[static_cast<std::size_t>(n)]) {
      TRunInput run;
      run.Name = in.Name;
      if (in.From.Node >= 0) {
        run.FromModule = Nodes[static_cast<std::size_t>(in.From.Node)].Plan;
        run.FromOutput = in.From.Output;
      } else if (in.From.HasConstant) {
        run.Constant = std::move(in.From.Constant);
      } else {
        continue; // missing from the step's text
      }
      entry.Inputs.push_back(std::move(run));
    }
    if (node.Names->Numeric && entry.Inputs.size() == node.Names->Inputs.size()) {
      entry.Numeric = true;
      entry.OutputKinds = node.Names->OutputKinds;
    }
    node.Plan = static_cast<std::int32_t>(Run.Plan.Modules.size());
    Run.Plan.Modules.push_back(std::move(entry));
    Run.Index.emplace(node.Module.get(), static_cast<std::int32_t>(Run.Modules.size()));
    Run.Modules.push_back(node.Module);
    Run.Lists.push_back(node.List);
  }
  // Values that links take from ports and boundary modules.
  for (const auto& [module, links] : Into)
    for (const TLink* link : links) {
      const auto from = NodeOf.find(link->From.get());
      if (from == NodeOf.end() || Nodes[static_cast<std::size_t>(from->second)].Component)
        continue;
      const TFound found = FromOutput(from->second, link->Output);
      TProjectRun::TSource source;
      if (found.Node >= 0) {
        source.Module = Nodes[static_cast<std::size_t>(found.Node)].Plan;
        source.Output = found.Output;
      } else if (found.HasConstant) {
        source.HasConstant = true;
        source.Constant = found.Constant;
      } else {
        continue;
      }
      Run.Passes.emplace(std::make_pair(link->From.get(), link->Output), std::move(source));
    }
  return true;
}

} // namespace

std::string ModuleLabel(const std::vector<std::u16string>& path) {
  std::string label;
  for (const std::u16string& name : path) {
    if (!label.empty())
      label += '/';
    label += Utf16ToUtf8(name);
  }
  return label;
}

std::int32_t TProjectRun::IndexOf(const IModule* module) const {
  const auto it = Index.find(module);
  return it == Index.end() ? -1 : it->second;
}

const TProjectRun::TSource* TProjectRun::PassedThrough(const IModule* module,
                                                       const std::u16string& output) const {
  const auto it = Passes.find({module, output});
  return it == Passes.end() ? nullptr : &it->second;
}

bool TProjectRun::ValueOf(const std::string& label, const std::string& param, TSource& source,
                          std::string& why) const {
  for (std::size_t m = 0; m < Plan.Modules.size(); ++m) {
    const TRunModule& module = Plan.Modules[m];
    if (module.Label != label)
      continue;
    source = {static_cast<std::int32_t>(m), -1, false, {}};
    for (std::size_t o = 0; o < module.Outputs.size(); ++o)
      if (module.Outputs[o] == param)
        source.Output = static_cast<std::int32_t>(o);
    for (const TRunInput& in : module.Inputs)
      if (in.Name == param) {
        if (in.FromModule < 0) {
          source = {-1, -1, true, in.Constant};
          return true;
        }
        source = {in.FromModule, in.FromOutput, false, {}};
      }
    if (source.Output < 0)
      break;
    return true;
  }
  // A port of a subsystem, or the value of a boundary module: where its value comes from.
  if (const auto other = Others.find(label); other != Others.end()) {
    if (const TSource* passed = PassedThrough(other->second, Utf8ToUtf16(param))) {
      source = *passed;
      if (source.Module < 0)
        source.HasConstant = true;
      return true;
    }
  } else if (std::none_of(Plan.Modules.begin(), Plan.Modules.end(),
                          [&](const TRunModule& m) { return m.Label == label; })) {
    why = Say("no module \"%s\" runs in the project", {label});
    return false;
  }
  why = Say("module \"%s\" has no parameter \"%s\" with a value", {label, param});
  return false;
}

bool TProjectRun::AddBreak(const TCondition& condition, std::string& why) {
  TRunBreak added;
  for (const TConditionTerm& term : condition.Terms) {
    TSource source;
    if (!ValueOf(term.Module, term.Param, source, why))
      return false;
    TRunTerm t;
    t.Module = source.HasConstant ? -1 : source.Module;
    t.Output = source.HasConstant ? -1 : source.Output;
    t.Constant = source.HasConstant ? source.Constant : std::string();
    t.Op = static_cast<std::int32_t>(term.Op);
    t.Number = term.Number;
    t.And = term.And;
    added.Terms.push_back(std::move(t));
  }
  Plan.Breaks.push_back(std::move(added));
  return true;
}

TProjectRun PlanProjectRun(const TProject& project, const TComponentList& registry) {
  TProjectRun run;
  TPlanner planner(project, registry, run);
  run.Ok = planner.Plan();
  if (!run.Ok) {
    run.Plan.Modules.clear();
    run.Modules.clear();
    run.Lists.clear();
    run.Index.clear();
  }
  return run;
}
