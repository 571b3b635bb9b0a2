#include "model/unLinkList.h"

#include "model/unIModule.h"
#include "model/unLevelGraph.h"
#include "model/unLinkRouter.h"
#include "model/unParamList.h"
#include "model/unPoints.h"
#include "model/unXmlChildIndex.h"
#include "platform/unIntText.h"
#include "platform/unLanguage.h"
#include "xml/unXml.h"

#include <algorithm>
#include <set>
#include <unordered_map>
#include <unordered_set>

namespace {

const TParam* FindParam(const IModule& module, bool output, const std::u16string& name) {
  const auto list = output ? module.GetParamOut() : module.GetParamIn();
  const auto* params = dynamic_cast<const TParamList*>(list.get());
  for (std::int32_t i = 0; params && i < params->Count(); ++i)
    if (const TParam* p = params->Get(i); p && p->Name == name)
      return p;
  return nullptr;
}

// An index text of the file: a number when the text is wholly one, else -1.
std::int32_t IndexOfText(const std::u16string& text) {
  if (text.empty() || text.size() > 9)
    return -1;
  std::int32_t value = 0;
  for (const char16_t c : text) {
    if (c < u'0' || c > u'9')
      return -1;
    value = value * 10 + (c - u'0');
  }
  return value;
}

} // namespace

bool LinkResolves(const TLink& link) {
  return link.From && link.To && FindParam(*link.From, true, link.Output) &&
         FindParam(*link.To, false, link.Input);
}

std::u16string ParamType(const IModule& module, bool output, const std::u16string& name) {
  const TParam* param = FindParam(module, output, name);
  return param ? param->Type : std::u16string();
}

std::int32_t ParamIndex(const IModule& module, bool output, const std::u16string& name) {
  const auto list = output ? module.GetParamOut() : module.GetParamIn();
  const auto* params = dynamic_cast<const TParamList*>(list.get());
  for (std::int32_t i = 0; params && i < params->Count(); ++i)
    if (const TParam* p = params->Get(i); p && p->Name == name)
      return i;
  return -1;
}

TLinkList::TLinkList() = default;

TLinkList::TLinkList(const TLinkList& other) : Items(other.Items) {}

TLinkList& TLinkList::operator=(const TLinkList& other) {
  Items = other.Items;
  Routes.reset();
  return *this;
}

TLinkList::~TLinkList() = default;

TLinkRouter& TLinkList::Router() const {
  if (!Routes)
    Routes = std::make_unique<TLinkRouter>();
  return *Routes;
}

std::shared_ptr<TLink> TLinkList::Get(std::int32_t index) const {
  return index >= 0 && index < Count() ? Items[static_cast<std::size_t>(index)] : nullptr;
}

void TLinkList::Insert(std::int32_t index, std::shared_ptr<TLink> link) {
  if (index < 0 || index > Count())
    index = Count();
  Items.insert(Items.begin() + index, std::move(link));
}

bool TLinkList::Remove(const std::shared_ptr<TLink>& link) {
  const auto it = std::find(Items.begin(), Items.end(), link);
  if (it == Items.end())
    return false;
  Items.erase(it);
  return true;
}

std::int32_t TLinkList::IndexOf(const std::shared_ptr<TLink>& link) const {
  const auto it = std::find(Items.begin(), Items.end(), link);
  return it == Items.end() ? -1 : static_cast<std::int32_t>(it - Items.begin());
}

std::vector<std::shared_ptr<TLink>> TLinkList::Of(const std::shared_ptr<IModule>& module) const {
  std::vector<std::shared_ptr<TLink>> found;
  for (const auto& link : Items)
    if (module && (link->From == module || link->To == module))
      found.push_back(link);
  return found;
}

std::shared_ptr<TLink> TLinkList::Into(const std::shared_ptr<IModule>& module,
                                       const std::u16string& input) const {
  for (const auto& link : Items)
    if (link->To == module && link->Input == input)
      return link;
  return nullptr;
}

TLinkCheck TLinkList::Check(const std::shared_ptr<IModule>& from, const std::u16string& output,
                            const std::shared_ptr<IModule>& to, const std::u16string& input,
                            const std::vector<TLevelGraph::TAbove>& above,
                            const std::u16string& levelPath) const {
  TLinkCheck check;
  if (!from || !to) {
    check.Reason = SayWide("Связь соединяет выход одного модуля со входом другого");
    return check;
  }
  if (from == to) {
    check.Reason = SayWide("Модуль не соединяется сам с собой");
    return check;
  }
  const TParam* out = FindParam(*from, true, output);
  const TParam* in = FindParam(*to, false, input);
  if (!out || !in) {
    check.Reason = !out ? SayWide("У модуля «%s» нет выхода «%s»", {from->GetName(), output})
                        : SayWide("У модуля «%s» нет входа «%s»", {to->GetName(), input});
    return check;
  }
  if (!out->Type.empty() && !in->Type.empty() && out->Type != in->Type && out->Type != u"any" &&
      in->Type != u"any") {
    check.Reason = SayWide("Типы не совпадают: выход «%s» (%s) и вход «%s» (%s)",
                           {output, out->Type, input, in->Type});
    return check;
  }
  TLevelGraph flow(Items);
  flow.SetAbove(above);
  if (flow.Reaches(*to, input, *from, output)) {
    check.Reason = SayWide("Связь замкнула бы цикл: «%s» уже ведёт к «%s»",
                           {levelPath + to->GetName(), levelPath + from->GetName()});
    return check;
  }
  check.Ok = true;
  check.Replaced = Into(to, input);
  return check;
}

bool TLinkList::LoadFromXml(const TKvenXmlNode1* element, const IModuleList& modules) {
  return LoadNumbered(element, "TLinkList", u"Link", [&](const TKvenXmlNode1* entry) {
    auto link = std::make_shared<TLink>();
    if (entry) {
      entry->ReadString(u"From", link->FromText);
      entry->ReadString(u"Output", link->Output);
      entry->ReadString(u"To", link->ToText);
      entry->ReadString(u"Input", link->Input);
      link->From = modules.GetItem(IndexOfText(link->FromText));
      link->To = modules.GetItem(IndexOfText(link->ToText));
      const TKvenXmlNode1* bends = entry->FindChild(u"Points");
      TPrPoints points;
      if (!points.LoadFromXml(bends))
        return false;
      for (std::int32_t i = 0; i < points.Count(); ++i)
        link->Points.push_back({points.Get(i)->PositionX, points.Get(i)->PositionY});
      link->HasPoints = bends != nullptr;
    }
    Items.push_back(std::move(link));
    return true;
  });
}

void TLinkList::SaveToXml(TKvenXmlNode1* element, const IModuleList& modules) const {
  if (!element)
    return;
  // One pass over the modules for every index, however many links there are.
  std::unordered_map<const IModule*, std::int32_t> indices;
  for (std::int32_t i = 0; i < modules.Count(); ++i)
    indices.emplace(modules.GetItem(i).get(), i);
  auto endText = [&](const std::shared_ptr<IModule>& module, const std::u16string& text) {
    const auto it = module ? indices.find(module.get()) : indices.end();
    return it == indices.end() ? text : IntToText(it->second);
  };
  SaveNumbered(*element, u"Link", Count(), [&](std::int32_t i, TKvenXmlNode1* entry) {
    const TLink& link = *Items[static_cast<std::size_t>(i)];
    entry->WriteString(u"From", endText(link.From, link.FromText));
    entry->WriteString(u"Output", link.Output);
    entry->WriteString(u"To", endText(link.To, link.ToText));
    entry->WriteString(u"Input", link.Input);
    if (!link.Points.empty() || link.HasPoints) {
      TPrPoints points;
      for (const TPoint& p : link.Points) {
        TPrPoint* point = points.AddNew();
        point->PositionX = p.X;
        point->PositionY = p.Y;
      }
      points.SaveToXml(entry->GetChild(u"Points"));
    }
  });
}

std::vector<TLinkFaultAt> UnlawfulLinks(const std::vector<std::shared_ptr<TLink>>& links) {
  std::vector<TLinkFaultAt> faults;
  std::set<std::pair<const IModule*, std::u16string>> taken;
  std::vector<std::shared_ptr<TLink>> kept;
  kept.reserve(links.size());
  for (std::size_t i = 0; i < links.size(); ++i) {
    const TLink& link = *links[i];
    if (link.From && link.To) {
      if (link.From == link.To) {
        faults.push_back({i, TLinkFault::SelfLink});
        continue;
      }
      if (!taken.emplace(link.To.get(), link.Input).second) {
        faults.push_back({i, TLinkFault::InputTaken});
        continue;
      }
    }
    kept.push_back(links[i]);
  }
  if (TLevelGraph(kept).Acyclic())
    return faults;
  // Some close a cycle: each is looked at against those kept before it.
  std::vector<std::shared_ptr<TLink>> before;
  std::vector<TLinkFaultAt> all;
  std::size_t next = 0;
  for (std::size_t i = 0; i < links.size(); ++i) {
    if (next < faults.size() && faults[next].Index == i) {
      all.push_back(faults[next++]);
      continue;
    }
    const TLink& link = *links[i];
    if (link.From && link.To &&
        TLevelGraph(before).Reaches(*link.To, link.Input, *link.From, link.Output)) {
      all.push_back({i, TLinkFault::ClosesCycle});
      continue;
    }
    before.push_back(links[i]);
  }
  return all;
}
