#include "model/unModuleList.h"

#include "model/unDragShift.h"
#include "model/unLinkList.h"
#include "model/unLinkRouter.h"
#include "model/unModule.h"
#include "model/unXmlChildIndex.h"
#include "platform/unCanvas.h"
#include "platform/unCoverage.h"
#include "platform/unShiftCanvas.h"

#include <algorithm>
#include <unordered_map>

std::int32_t TModuleList::Count() const {
  return static_cast<std::int32_t>(Items.size());
}

std::shared_ptr<IModule> TModuleList::GetItem(std::int32_t index) const {
  return index >= 0 && index < Count() ? Items[static_cast<std::size_t>(index)] : nullptr;
}

bool TModuleList::Remove(const std::shared_ptr<IModule>& module) {
  TouchGeometry();
  if (!module)
    return false;
  auto it = std::find(Items.begin(), Items.end(), module);
  if (it == Items.end())
    return false;
  Items.erase(it);
  return true;
}

std::shared_ptr<IModule> TModuleList::GetFocused() const {
  for (const auto& item : Items)
    if (item->GetFocused())
      return item;
  return nullptr;
}

std::shared_ptr<IModule> TModuleList::FindAt(std::int32_t x, std::int32_t y) const {
  for (auto it = Items.rbegin(); it != Items.rend(); ++it)
    if ((*it)->HitTest(x, y))
      return *it;
  return nullptr;
}

std::int32_t TModuleList::Append(std::shared_ptr<IModule> module) {
  TouchGeometry();
  Items.push_back(std::move(module));
  return Count() - 1;
}

std::shared_ptr<IModule> TModuleList::AddNew() {
  auto module = std::make_shared<TModule>(Project, weak_from_this());
  Append(module);
  return module;
}

std::shared_ptr<IModule> TModuleList::AddModule(std::int32_t x, std::int32_t y,
                                                const std::u16string& name, std::int32_t height,
                                                std::int32_t width) {
  auto module = AddNew();
  module->SetHeight(height);
  module->SetName(name);
  module->SetPosition({x, y});
  module->SetWidth(width);
  return module;
}

void DrawModules(TCanvas& canvas, const IModuleList& modules, const TDragShift* shift,
                 const TLinkRouter* routes) {
  // Later modules lie on top. Going down from the top first finds the modules that nothing of
  // would show (wholly under others or outside the picture); the rest are drawn bottom up.
  const TRect clip = canvas.Clip();
  const auto count = static_cast<std::size_t>(std::max(0, modules.Count()));
  std::vector<std::shared_ptr<IModule>> items(count);
  for (std::size_t i = 0; i < count; ++i)
    items[i] = modules.GetItem(static_cast<std::int32_t>(i));
  TShiftCanvas moved(canvas, shift ? shift->GetDelta() : TPoint{});
  auto canvasOf = [&](const IModule& module) -> TCanvas& {
    return shift && shift->Moves(&module) ? static_cast<TCanvas&>(moved) : canvas;
  };
  std::vector<bool> hidden(count, false);
  if (!clip.Empty()) {
    TCoverage above(clip.Right + 1, clip.Bottom + 1, clip.Left, clip.Top, clip.Right, clip.Bottom);
    const std::int32_t line = canvas.TextExtent(u"Xg").Height;
    for (std::size_t i = count; i-- > 0;)
      hidden[i] = items[i]->Occlude(above, canvasOf(*items[i]), line);
  }
  // The marks of linked parameters are filled: the links are looked at for the modules drawn.
  std::unordered_map<const IModule*, TPortsLinked> linked;
  for (std::size_t i = 0; i < count; ++i)
    if (!hidden[i])
      linked.emplace(items[i].get(), TPortsLinked{});
  auto mark = [&linked](const TLink& link) {
    for (const bool output : {true, false}) {
      const IModule* module = output ? link.From.get() : link.To.get();
      const auto it = module ? linked.find(module) : linked.end();
      if (it == linked.end())
        continue;
      const std::int32_t index = ParamIndex(*module, output, output ? link.Output : link.Input);
      if (index < 0)
        continue;
      std::vector<bool>& marks = output ? it->second.Out : it->second.In;
      if (marks.size() <= static_cast<std::size_t>(index))
        marks.resize(static_cast<std::size_t>(index) + 1);
      marks[static_cast<std::size_t>(index)] = true;
    }
  };
  // With the routes, only the links of the modules drawn are looked at.
  if (routes) {
    for (const auto& [module, ports] : linked)
      for (const TLink* link : routes->LinksOf(module))
        mark(*link);
  } else {
    for (const std::shared_ptr<TLink>& link : modules.GetLinks().All())
      mark(*link);
  }
  for (std::size_t i = 0; i < count; ++i)
    if (!hidden[i])
      items[i]->DrawLinked(canvasOf(*items[i]), &linked[items[i].get()]);
}

void TModuleList::Draw(TCanvas& canvas) {
  DrawModules(canvas, *this, nullptr);
}

void TModuleList::ClearFocus() {
  for (const auto& item : Items)
    item->SetFocused(WordFalse);
}

bool TModuleList::LoadFromXml(const TKvenXmlNode1* element) {
  return LoadNumbered(element, "TModuleList", u"Module",
                      [this](const TKvenXmlNode1* entry) { return AddNew()->LoadFromXml(entry); });
}

void TModuleList::SaveToXml(TKvenXmlNode1* element) const {
  if (!element)
    return;
  SaveNumbered(*element, u"Module", Count(), [this](std::int32_t i, TKvenXmlNode1* entry) {
    Items[static_cast<std::size_t>(i)]->SaveToXml(entry);
  });
}

void TModuleList::Insert(std::int32_t index, std::shared_ptr<IModule> module) {
  TouchGeometry();
  if (index < 0 || index > Count())
    index = Count();
  Items.insert(Items.begin() + index, std::move(module));
}

std::int32_t TModuleList::IndexOf(const std::shared_ptr<IModule>& module) const {
  auto it = std::find(Items.begin(), Items.end(), module);
  return it == Items.end() ? -1 : static_cast<std::int32_t>(it - Items.begin());
}
