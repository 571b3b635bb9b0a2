#include "model/unParamList.h"

#include "model/unIModule.h"

#include "xml/unXml.h"

std::int32_t TParamList::Count() const {
  return static_cast<std::int32_t>(Items.size());
}

std::int32_t TParamList::Add(std::unique_ptr<TParam> param) {
  TouchGeometry();
  Items.push_back(std::move(param));
  return Count() - 1;
}

TParam* TParamList::AddNew() {
  TouchGeometry();
  auto* param = new TParam;
  Add(std::unique_ptr<TParam>(param));
  return param;
}

void TParamList::Clear() {
  TouchGeometry();
  Items.clear();
}

TParam* TParamList::Get(std::int32_t index) const {
  return index >= 0 && index < Count() ? Items[static_cast<std::size_t>(index)].get() : nullptr;
}

bool LoadParamList(TParamList& list, std::u16string_view answer) {
  list.Clear();
  TKvenXmlDocument1 document;
  if (!document.LoadXml(answer))
    return false;
  const TKvenXmlCollection& children = document.GetRoot()->GetChildNodes();
  for (std::int32_t i = 0; i < children.GetCount(); ++i) {
    const TKvenXmlNode1* child = children.GetNode(i);
    if (child->GetName() == u"Param")
      list.AddNew()->LoadFromText(child->GetXml());
  }
  return true;
}
