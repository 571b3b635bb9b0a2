#pragma once

#include "xml/unXml.h"

#include <string_view>
#include <unordered_map>

// The first child of each name of one element, for the numbered entries of lists ("Module0",
// "Point1", ...), which a linear search per entry would make quadratic.
class TXmlChildIndex {
public:
  explicit TXmlChildIndex(const TKvenXmlNode1& element);
  // The first child with exactly this name, or null.
  TKvenXmlNode1* Find(std::u16string_view name) const;

private:
  std::unordered_map<std::u16string_view, TKvenXmlNode1*> First;
};

// "Module" followed by the decimal index.
std::u16string NumberedName(std::u16string_view prefix, std::int32_t index);

// Writes "Count" and, for each index, reaches the entry named prefix + index (the existing one,
// or a new one at the end) and hands it to save(index, entry).
template <class TSave>
void SaveNumbered(TKvenXmlNode1& element, std::u16string_view prefix, std::int32_t count,
                  TSave&& save) {
  element.WriteInteger(u"Count", count);
  if (count <= 0)
    return;
  // A new element holds only "Count": its entries are appended without looking for them.
  if (element.GetChildNodes().GetCount() == 1) {
    for (std::int32_t i = 0; i < count; ++i)
      save(i, element.AddChild(NumberedName(prefix, i)));
    return;
  }
  const TXmlChildIndex index(element);
  for (std::int32_t i = 0; i < count; ++i) {
    const std::u16string name = NumberedName(prefix, i);
    TKvenXmlNode1* child = index.Find(name);
    save(i, child ? child : element.AddChild(name));
  }
}

// Numbered entries may exceed the elements present by at most this many; beyond it a "Count" is
// taken for damage and the load fails instead of exhausting memory. A whole project load may miss
// no more than this many entries in all of its lists together (TMissingEntries).
inline constexpr std::int32_t MaxMissingEntries = 100000;

// Checks the element's count of entries named prefix + index against the distinct entries of
// that form present (index below count), and takes the entries it lacks from the current
// TMissingEntries budget; false, with an error logged for the class's LoadFromXml, when it asks for
// absurdly many or the budget is spent. Other children, "Count" among them, count for nothing.
bool CheckEntryCount(const TKvenXmlNode1& element, const TXmlChildIndex& index,
                     const char* className, std::u16string_view prefix, std::int32_t count);

// True when the element's first child is "Count" and the next `count` children are the entries
// prefix + 0, prefix + 1, ... in order, as SaveNumbered writes them: each is then the first child
// of its name and none is missing.
bool EntriesInOrder(const TKvenXmlNode1& element, std::u16string_view prefix, std::int32_t count);

// Reads "Count" (0 when missing, the partial number for a bad text), checks it with
// CheckEntryCount, then hands the entry named prefix + index of each index (null when it is
// missing) to load(entry), stopping at the first false. A null element holds no entries and loads;
// false when the count is absurd or an entry fails.
template <class TLoad>
bool LoadNumbered(const TKvenXmlNode1* element, const char* className, std::u16string_view prefix,
                  TLoad&& load) {
  if (!element)
    return true;
  std::int32_t count = 0;
  element->ReadInteger(u"Count", count);
  if (count <= 0)
    return true;
  // The layout SaveNumbered writes needs no index: entry i is child i + 1.
  if (EntriesInOrder(*element, prefix, count)) {
    for (std::int32_t i = 0; i < count; ++i)
      if (!load(element->GetChildNodes().GetNode(i + 1)))
        return false;
    return true;
  }
  const TXmlChildIndex index(*element);
  if (!CheckEntryCount(*element, index, className, prefix, count))
    return false;
  for (std::int32_t i = 0; i < count; ++i)
    if (!load(index.Find(NumberedName(prefix, i))))
      return false;
  return true;
}
