#pragma once

#include <cstdint>

// A position stored with a module.
class TPrPoint {
public:
  std::int32_t PositionX = 0;
  std::int32_t PositionY = 0;
};
