#include "plugins/unProjectRun.h"

#include "platform/unLanguage.h"

#include "model/unLinkList.h"
#include "model/unModule.h"
#include "model/unParamList.h"
#include "model/unProject.h"
#include "platform/unStrings.h"
#include "plugins/unComponentList.h"
#include "plugins/unParamAttach.h"

#include <algorithm>
#include <unordered_map>

namespace {

std::vector<std::string> Names(const std::shared_ptr<IParamList>& list) {
  std::vector<std::string> names;
  const auto* params = dynamic_cast<const TParamList*>(list.get());
  for (std::int32_t i = 0; params && i < params->Count(); ++i)
    if (const TParam* p = params->Get(i))
      names.push_back(Utf16ToUtf8(p->Name));
  return names;
}

struct TLevelWalk {
  std::shared_ptr<IModuleList> List;
  std::vector<std::u16string> Path; // names below the main module down to the list's owner
};

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

TProjectRun PlanProjectRun(const TProject& project, const TComponentList& registry) {
  TProjectRun run;
  std::vector<TLevelWalk> open;
  if (auto main = project.GetMainModules())
    open.push_back({main, {}});
  while (!open.empty()) {
    TLevelWalk level = std::move(open.back());
    open.pop_back();
    const IModuleList& list = *level.List;
    const std::int32_t n = list.Count();
    // The modules of this list that run, with their components.
    std::vector<const TComponent*> components(static_cast<std::size_t>(n), nullptr);
    std::vector<std::vector<std::u16string>> paths(static_cast<std::size_t>(n));
    for (std::int32_t i = 0; i < n; ++i) {
      const std::shared_ptr<IModule> m = list.GetItem(i);
      auto& path = paths[static_cast<std::size_t>(i)];
      path = level.Path;
      path.push_back(m->GetName());
      if (auto children = m->GetModules(); children && children->Count() > 0)
        open.push_back({children, path});
      if (m->GetType().empty())
        continue;
      const auto* c = dynamic_cast<const TComponent*>(ComponentOfType(&registry, m->GetType()));
      if (!c)
        run.Notes.push_back("Модуль «" + ModuleLabel(path) + "» не выполняется: нет компонента «" +
                            Utf16ToUtf8(m->GetType()) + "»");
      else if (!c->Executes)
        run.Notes.push_back("Модуль «" + ModuleLabel(path) + "» не выполняется: компонент «" +
                            Utf16ToUtf8(c->Info.Name) + "» только описывает модули");
      else
        components[static_cast<std::size_t>(i)] = c;
    }
    // The links between modules that run, by target.
    std::unordered_map<const IModule*, std::int32_t> index;
    for (std::int32_t i = 0; i < n; ++i)
      index.emplace(list.GetItem(i).get(), i);
    const TLinkList& links = list.GetLinks();
    std::vector<std::vector<std::int32_t>> feeds(static_cast<std::size_t>(n)); // i -> targets
    std::vector<std::int32_t> waiting(static_cast<std::size_t>(n), 0);
    std::vector<std::vector<const TLink*>> into(static_cast<std::size_t>(n));
    for (std::int32_t k = 0; k < links.Count(); ++k) {
      const TLink& link = *links.Get(k);
      if (!link.From || !link.To || !index.contains(link.From.get()) ||
          !index.contains(link.To.get()))
        continue;
      const std::int32_t from = index.at(link.From.get());
      const std::int32_t to = index.at(link.To.get());
      const TComponent* target = components[static_cast<std::size_t>(to)];
      const TComponent* source = components[static_cast<std::size_t>(from)];
      if (!target)
        continue;
      const std::vector<std::string> inputs = Names(target->GetParamIn());
      if (std::find(inputs.begin(), inputs.end(), Utf16ToUtf8(link.Input)) == inputs.end())
        continue; // a link to an input the component no longer has feeds nothing
      if (source) {
        const std::vector<std::string> outputs = Names(source->GetParamOut());
        if (std::find(outputs.begin(), outputs.end(), Utf16ToUtf8(link.Output)) == outputs.end())
          source = nullptr;
      }
      if (!source) {
        run.Notes.push_back("Вход «" + Utf16ToUtf8(link.Input) + "» модуля «" +
                            ModuleLabel(paths[static_cast<std::size_t>(to)]) +
                            "» берёт своё значение: связь к нему не ведёт от выполняемого модуля");
        continue;
      }
      feeds[static_cast<std::size_t>(from)].push_back(to);
      ++waiting[static_cast<std::size_t>(to)];
      into[static_cast<std::size_t>(to)].push_back(&link);
    }
    // Each module after those that feed it, in list order where nothing else decides.
    std::vector<std::int32_t> order, ready;
    for (std::int32_t i = n - 1; i >= 0; --i)
      if (components[static_cast<std::size_t>(i)] && waiting[static_cast<std::size_t>(i)] == 0)
        ready.push_back(i);
    while (!ready.empty()) {
      const std::int32_t i = ready.back();
      ready.pop_back();
      order.push_back(i);
      for (const std::int32_t to : feeds[static_cast<std::size_t>(i)])
        if (--waiting[static_cast<std::size_t>(to)] == 0)
          ready.push_back(to);
    }
    const auto runs = std::count_if(components.begin(), components.end(),
                                    [](const TComponent* c) { return c != nullptr; });
    if (static_cast<std::ptrdiff_t>(order.size()) != runs) {
      // A module on the cycle: walk back along links among the modules left until one repeats.
      std::int32_t at = 0;
      while (!components[static_cast<std::size_t>(at)] ||
             waiting[static_cast<std::size_t>(at)] == 0)
        ++at;
      std::vector<char> seen(static_cast<std::size_t>(n), 0);
      while (!seen[static_cast<std::size_t>(at)]) {
        seen[static_cast<std::size_t>(at)] = 1;
        for (const TLink* link : into[static_cast<std::size_t>(at)]) {
          const std::int32_t from = index.at(link->From.get());
          if (waiting[static_cast<std::size_t>(from)] > 0) {
            at = from;
            break;
          }
        }
      }
      run.Error = Say("Связи образуют цикл через модуль «%s»: проект не запускается",
                      {ModuleLabel(paths[static_cast<std::size_t>(at)])});
      return run;
    }
    // The plan's entries for this list, in order.
    std::vector<std::int32_t> planIndex(static_cast<std::size_t>(n), -1);
    for (const std::int32_t i : order) {
      const std::shared_ptr<IModule> m = list.GetItem(i);
      const TComponent& c = *components[static_cast<std::size_t>(i)];
      TRunModule entry;
      entry.Library = Utf16ToUtf8(c.FileName);
      entry.Label = ModuleLabel(paths[static_cast<std::size_t>(i)]);
      entry.Outputs = Names(c.GetParamOut());
      for (const std::string& input : Names(c.GetParamIn())) {
        const std::u16string name = Utf8ToUtf16(input);
        TRunInput in;
        in.Name = input;
        const TLink* link = nullptr;
        for (const TLink* l : into[static_cast<std::size_t>(i)])
          if (l->Input == name)
            link = l;
        if (link) {
          const std::int32_t from = index.at(link->From.get());
          const std::vector<std::string>& outputs =
              run.Plan.Modules[static_cast<std::size_t>(planIndex[static_cast<std::size_t>(from)])]
                  .Outputs;
          const auto out = std::find(outputs.begin(), outputs.end(), Utf16ToUtf8(link->Output));
          in.FromModule = planIndex[static_cast<std::size_t>(from)];
          in.FromOutput = static_cast<std::int32_t>(out - outputs.begin());
        } else {
          const auto& values = m->GetInputValues();
          const auto typed = std::find_if(values.begin(), values.end(),
                                          [&](const TInputValue& v) { return v.Name == name; });
          if (typed == values.end())
            continue; // missing from the step's text
          in.Constant = Utf16ToUtf8(typed->Value);
        }
        entry.Inputs.push_back(std::move(in));
      }
      planIndex[static_cast<std::size_t>(i)] = static_cast<std::int32_t>(run.Plan.Modules.size());
      run.Plan.Modules.push_back(std::move(entry));
      run.Index.emplace(m.get(), static_cast<std::int32_t>(run.Modules.size()));
      run.Modules.push_back(m);
      run.Lists.push_back(level.List);
    }
  }
  run.Ok = true;
  return run;
}
