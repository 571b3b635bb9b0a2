#include "model/unPoint.h"

#include "xml/unXml.h"

void TPrPoint::LoadFromXml(const TKvenXmlNode1* element) {
  if (!element)
    return;
  std::int32_t value = 0;
  if (element->ReadInteger(u"PositionX", value))
    PositionX = value;
  if (element->ReadInteger(u"PositionY", value))
    PositionY = value;
}

void TPrPoint::SaveToXml(TKvenXmlNode1* element) const {
  if (!element)
    return;
  element->WriteInteger(u"PositionX", PositionX);
  element->WriteInteger(u"PositionY", PositionY);
}
