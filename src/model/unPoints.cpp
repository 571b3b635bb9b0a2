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
  return LoadNumbered(element, "TPrPoints", u"Point", [this](const TKvenXmlNode1* entry) {
    AddNew()->LoadFromXml(entry);
    return true;
  });
}

void TPrPoints::SaveToXml(TKvenXmlNode1* element) const {
  if (!element)
    return;
  SaveNumbered(*element, u"Point", Count(), [this](std::int32_t i, TKvenXmlNode1* entry) {
    Items[static_cast<std::size_t>(i)]->SaveToXml(entry);
  });
}
