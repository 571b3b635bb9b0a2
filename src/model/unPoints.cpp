#include "model/unPoints.h"

#include "model/unXmlChildIndex.h"

void TPrPoints::Add(std::unique_ptr<TPrPoint> point) {
  Items.push_back(std::move(point));
}

TPrPoint* TPrPoints::AddNew() {
  auto* point = new TPrPoint;
  Add(std::unique_ptr<TPrPoint>(point));
  return point;
}

TPrPoint* TPrPoints::Get(std::int32_t index) const {
  return index >= 0 && index < Count() ? Items[static_cast<std::size_t>(index)].get() : nullptr;
}

bool TPrPoints::LoadFromXml(const TKvenXmlNode1* element) {
  if (!element)
    return true;
  std::int32_t count = 0;
  if (!ReadEntryCount(*element, "TPrPoints", count))
    return false;
  const TXmlChildIndex index(*element);
  for (std::int32_t i = 0; i < count; ++i)
    AddNew()->LoadFromXml(index.Find(NumberedName(u"Point", i)));
  return true;
}

void TPrPoints::SaveToXml(TKvenXmlNode1* element) const {
  if (!element)
    return;
  SaveNumbered(*element, u"Point", Count(), [this](std::int32_t i, TKvenXmlNode1* entry) {
    Items[static_cast<std::size_t>(i)]->SaveToXml(entry);
  });
}
