#include "model/unPoints.h"

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
