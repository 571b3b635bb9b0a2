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

private:
  std::vector<std::unique_ptr<TPrPoint>> Items;
};
