#include "model/unParam.h"

#include "xml/unXml.h"

namespace {

std::u16string ToU16(const std::string& ascii) {
  return {ascii.begin(), ascii.end()};
}

} // namespace

bool TParam::LoadFromText(std::u16string_view text) {
  TKvenXmlNode1 element;
  const bool parsed = element.ParseElement(text);
  if (const TKvenXmlNode1* index = element.FindChild(u"Index"))
    index->ValueAsLongInt(Index);
  element.ReadString(u"Name", Name);
  element.ReadString(u"Title", Title);
  element.ReadString(u"Description", Description);
  element.ReadString(u"Type", Type);
  if (const TKvenXmlNode1* choices = element.FindChild(u"Choices")) {
    Choices.clear();
    // As many as there are, numbered from 0 without a gap (no count is trusted).
    for (std::int32_t i = 0; i < choices->ChildCount(); ++i) {
      const TKvenXmlNode1* entry = choices->FindChild(u"Choice" + ToU16(std::to_string(i)));
      if (!entry)
        break;
      TChoice choice;
      entry->ReadString(u"Value", choice.Value);
      entry->ReadString(u"Title", choice.Title);
      Choices.push_back(std::move(choice));
    }
  }
  return parsed;
}
