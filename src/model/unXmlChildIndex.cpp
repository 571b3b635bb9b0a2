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

namespace {

// The index in a name of the form prefix + decimal index as NumberedName writes it (no sign, no
// leading zero), or -1.
std::int64_t NumberOf(std::u16string_view name, std::u16string_view prefix) {
  if (!name.starts_with(prefix))
    return -1;
  name.remove_prefix(prefix.size());
  if (name.empty() || name.size() > 10 || (name[0] == u'0' && name.size() > 1))
    return -1;
  std::int64_t n = 0;
  for (char16_t c : name) {
    if (c < u'0' || c > u'9')
      return -1;
    n = n * 10 + (c - u'0');
  }
  return n;
}

} // namespace

bool EntriesInOrder(const TKvenXmlNode1& element, std::u16string_view prefix, std::int32_t count) {
  const TKvenXmlCollection& children = element.GetChildNodes();
  if (count < 0 || children.GetCount() - 1 < count || children.GetNode(0)->GetName() != u"Count")
    return false;
  for (std::int32_t i = 0; i < count; ++i)
    if (NumberOf(children.GetNode(i + 1)->GetName(), prefix) != i)
      return false;
  return true;
}

bool CheckEntryCount(const TKvenXmlNode1& element, const TXmlChildIndex& index,
                     const char* className, std::u16string_view prefix, std::int32_t count) {
  std::int64_t present = 0;
  const TKvenXmlCollection& children = element.GetChildNodes();
  for (std::int32_t i = 0; i < children.GetCount(); ++i) {
    const TKvenXmlNode1* child = children.GetNode(i);
    const std::int64_t n = NumberOf(child->GetName(), prefix);
    // A second child of one name is never read, so it fills no entry.
    if (n >= 0 && n < count && index.Find(child->GetName()) == child)
      ++present;
  }
  const std::int64_t missing = std::int64_t{count} - present;
  if (missing > MaxMissingEntries) {
    element.Fail(
        "Число элементов \"Count\"=%d намного больше числа имеющихся элементов (%d) <%s.%s>",
        {count, static_cast<std::int32_t>(present), std::string(className),
         std::string("LoadFromXml")});
    return false;
  }
  if (!TMissingEntries::Take(missing)) {
    element.Fail("Недостающих элементов в списках файла больше %d: \"Count\"=%d <%s.%s>",
                 {MaxMissingEntries, count, std::string(className), std::string("LoadFromXml")});
    return false;
  }
  return true;
}
