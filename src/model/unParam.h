#pragma once

#include <cstdint>
#include <string>

// One input or output parameter of a component.
class TParam {
public:
  std::u16string Description;
  std::int32_t Index = 0;
  std::u16string Name;
  std::u16string Title;
};
