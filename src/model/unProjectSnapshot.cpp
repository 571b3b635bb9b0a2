#include "model/unProjectSnapshot.h"

#include "model/unIModule.h"
#include "model/unLinkList.h"
#include "model/unModule.h"
#include "model/unModuleList.h"
#include "model/unProject.h"

#include <unordered_map>
#include <utility>

void TProjectSnapshot::CopyModule(const IModule& module) {
  TModuleCopy copy;
  copy.Name = module.GetName();
  copy.Description = module.GetDescription();
  copy.Type = module.GetType();
  const TPoint at = module.GetPosition();
  copy.X = at.X;
  copy.Y = at.Y;
  copy.Height = module.GetHeight();
  copy.Width = module.GetWidth();
  copy.Focused = module.GetFocused() != 0;
  copy.Inputs = module.GetInputValues();
  copy.Watches = module.GetWatches();
  if (const auto* own = dynamic_cast<const TModule*>(&module); own && own->GetPoints())
    for (std::int32_t i = 0; i < own->GetPoints()->Count(); ++i)
      copy.Points.push_back(
          {own->GetPoints()->Get(i)->PositionX, own->GetPoints()->Get(i)->PositionY});
  const auto children = module.GetModules();
  copy.Children = children ? children->Count() : 0;
  Modules.push_back(std::move(copy));
}

void TProjectSnapshot::CopyLinks(std::size_t owner, const IModuleList& list) {
  const TLinkList& links = list.GetLinks();
  if (links.Count() == 0)
    return;
  std::unordered_map<const IModule*, std::int32_t> index;
  for (std::int32_t i = 0; i < list.Count(); ++i)
    index.emplace(list.GetItem(i).get(), i);
  auto end = [&index](const std::shared_ptr<IModule>& module) {
    const auto it = module ? index.find(module.get()) : index.end();
    return it == index.end() ? -1 : it->second;
  };
  for (std::int32_t i = 0; i < links.Count(); ++i) {
    const TLink& link = *links.Get(i);
    Links.push_back({owner, end(link.From), end(link.To), link.Output, link.Input, link.FromText,
                     link.ToText, link.Points, link.HasPoints});
  }
}

std::shared_ptr<const TProjectSnapshot> TProjectSnapshot::Take(const TProject& project) {
  const std::shared_ptr<TModule> main = project.GetMainModule();
  if (!main)
    return nullptr;
  auto snapshot = std::make_shared<TProjectSnapshot>();
  snapshot->Name = project.GetName();
  snapshot->FileName = project.FileName;
  snapshot->Breaks = project.GetBreaks();
  // Each module before its children, with a list of its own instead of recursion.
  std::vector<std::pair<const IModuleList*, std::int32_t>> open;
  snapshot->CopyModule(*main);
  if (auto modules = main->GetModules()) {
    snapshot->CopyLinks(0, *modules);
    open.emplace_back(modules.get(), 0);
  }
  while (!open.empty()) {
    auto& [list, next] = open.back();
    if (next >= list->Count()) {
      open.pop_back();
      continue;
    }
    const std::shared_ptr<IModule> module = list->GetItem(next++);
    const std::size_t at = snapshot->Modules.size();
    snapshot->CopyModule(*module);
    if (auto children = module->GetModules(); children && children->Count() > 0) {
      snapshot->CopyLinks(at, *children);
      open.emplace_back(children.get(), 0);
    }
  }
  return snapshot;
}

std::unique_ptr<TProject> TProjectSnapshot::Build() const {
  auto project = std::make_unique<TProject>(nullptr, TAddToLog(), u"", Name);
  project->FileName = FileName;
  project->SetBreaks(Breaks);
  const std::shared_ptr<TModule> main = project->GetMainModule();
  if (!main || Modules.empty())
    return project;
  std::vector<std::shared_ptr<IModule>> built;
  built.reserve(Modules.size());
  auto fill = [](IModule& module, const TModuleCopy& copy) {
    module.SetName(copy.Name);
    module.SetDescription(copy.Description);
    module.SetType(copy.Type);
    module.SetPosition({copy.X, copy.Y});
    module.SetHeight(copy.Height);
    module.SetWidth(copy.Width);
    module.SetFocused(ToWordBool(copy.Focused));
    module.SetInputValues(copy.Inputs);
    module.SetWatches(copy.Watches);
    if (auto* own = dynamic_cast<TModule*>(&module); own && own->GetPoints())
      for (const TPoint& p : copy.Points) {
        TPrPoint* point = own->GetPoints()->AddNew();
        point->PositionX = p.X;
        point->PositionY = p.Y;
      }
  };
  fill(*main, Modules[0]);
  built.push_back(main);
  // The same walk as the copy: each module's children follow it.
  std::vector<std::pair<std::shared_ptr<IModuleList>, std::int32_t>> open;
  open.emplace_back(main->GetModules(), Modules[0].Children);
  for (std::size_t i = 1; i < Modules.size() && !open.empty(); ++i) {
    auto& [list, left] = open.back();
    const std::shared_ptr<IModule> module = list->AddNew();
    fill(*module, Modules[i]);
    built.push_back(module);
    if (--left == 0)
      open.pop_back();
    if (Modules[i].Children > 0)
      open.emplace_back(module->GetModules(), Modules[i].Children);
  }
  for (const TLinkCopy& copy : Links) {
    if (copy.Owner >= built.size())
      continue;
    const auto list = built[copy.Owner]->GetModules();
    auto link = std::make_shared<TLink>();
    link->From = list->GetItem(copy.From);
    link->To = list->GetItem(copy.To);
    link->Output = copy.Output;
    link->Input = copy.Input;
    link->FromText = copy.FromText;
    link->ToText = copy.ToText;
    link->Points = copy.Points;
    link->HasPoints = copy.HasPoints;
    list->GetLinks().Add(link);
  }
  return project;
}
