#pragma once

#include "model/unPoint.h"

#include <memory>
#include <vector>

// An ordered list of points; owns them.
class TPrPoints {
public:
  void Add(std::unique_ptr<TPrPoint> point);
  // Appends a point at (0, 0) and returns it.
  TPrPoint* AddNew();
  std::int32_t Count() const { return static_cast<std::int32_t>(Items.size()); }
  // Null outside 0 .. Count-1.
  TPrPoint* Get(std::int32_t index) const;
  // Appends the points the element describes ("Count" and "Point0", "Point1", ...); false, with a
  // logged reason, when "Count" is absurdly larger than the elements present.
  bool LoadFromXml(const TKvenXmlNode1* element);
  void SaveToXml(TKvenXmlNode1* element) const;

private:
  std::vector<std::unique_ptr<TPrPoint>> Items;
};
