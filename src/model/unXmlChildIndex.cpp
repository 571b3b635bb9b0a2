#include "model/unXmlChildIndex.h"

#include "model/unMissingEntries.h"
#include "platform/unIntText.h"

TXmlChildIndex::TXmlChildIndex(const TKvenXmlNode1& element) {
  const TKvenXmlCollection& children = element.GetChildNodes();
  First.reserve(static_cast<std::size_t>(children.GetCount()));
  for (std::int32_t i = 0; i < children.GetCount(); ++i) {
    TKvenXmlNode1* child = children.GetNode(i);
    First.emplace(child->GetName(), child);
  }
}

TKvenXmlNode1* TXmlChildIndex::Find(std::u16string_view name) const {
  auto it = First.find(name);
  return it == First.end() ? nullptr : it->second;
}

std::u16string NumberedName(std::u16string_view prefix, std::int32_t index) {
  std::u16string name(prefix);
  name += IntToText(index);
  return name;
}

bool ReadEntryCount(const TKvenXmlNode1& element, const char* className, std::int32_t& count) {
  count = 0;
  element.ReadInteger(u"Count", count);
  const std::int64_t missing = std::int64_t{count} - element.ChildCount();
  if (missing > MaxMissingEntries) {
    element.Log(
        lgGeneral, ltError,
        "Число элементов \"Count\"=%d намного больше числа имеющихся элементов (%d) <%s.%s>",
        {count, element.ChildCount(), std::string(className), std::string("LoadFromXml")});
    return false;
  }
  if (!TMissingEntries::Take(missing)) {
    element.Log(lgGeneral, ltError,
                "Недостающих элементов в списках файла больше %d: \"Count\"=%d <%s.%s>",
                {MaxMissingEntries, count, std::string(className), std::string("LoadFromXml")});
    return false;
  }
  return true;
}
