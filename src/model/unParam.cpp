#include "model/unParam.h"

#include "xml/unXml.h"

bool TParam::LoadFromText(std::u16string_view text) {
  TKvenXmlNode1 element;
  const bool parsed = element.ParseElement(text);
  if (const TKvenXmlNode1* index = element.FindChild(u"Index"))
    index->ValueAsLongInt(Index);
  element.ReadString(u"Name", Name);
  element.ReadString(u"Title", Title);
  element.ReadString(u"Description", Description);
  element.ReadString(u"Type", Type);
  return parsed;
}
