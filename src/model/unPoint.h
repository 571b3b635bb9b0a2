#pragma once

#include <cstdint>

class TKvenXmlNode1;

// A position stored with a module.
class TPrPoint {
public:
  // "PositionX" and "PositionY" each change only when present and a valid integer.
  void LoadFromXml(const TKvenXmlNode1* element);
  void SaveToXml(TKvenXmlNode1* element) const;

  std::int32_t PositionX = 0;
  std::int32_t PositionY = 0;
};
