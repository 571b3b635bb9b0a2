#include "xml/unXml.h"

#include "platform/unLanguage.h"
#include "platform/unLogFormat.h"
#include "xml/unXmlMemory.h"

#include <array>
#include <atomic>
#include <mutex>
#include <thread>
#include <unordered_set>

#include "platform/unIntText.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>

namespace {

// Runs an operation and turns any failure inside it into false.
template <class F> bool Guarded(F&& body) {
  try {
    return body();
  } catch (...) {
    return false;
  }
}

bool StoreInt(std::u16string_view text, int bits, std::int64_t& out) {
  const TIntTextResult r = ParseIntText(text, bits);
  out = r.Value;
  return r.Ok;
}

// The shortest general form with at most 15 significant digits and "." as the separator; an
// exponent only when the number needs one ("1E20", "1.5E-7").
std::u16string FloatToText(double value) {
  if (std::isnan(value))
    return u"NAN";
  if (std::isinf(value))
    return value > 0 ? u"INF" : u"-INF";
  if (value == 0)
    return u"0";
  char buf[64];
  auto res = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::scientific, 14);
  std::string sci(buf, res.ptr); // d.ddddddddddddddE[+-]xx
  const std::size_t e = sci.find('e');
  const bool negative = sci[0] == '-';
  std::string digits;
  for (std::size_t i = negative ? 1 : 0; i < e; ++i)
    if (sci[i] != '.')
      digits += sci[i];
  const int exponent = std::stoi(sci.substr(e + 1));
  while (digits.size() > 1 && digits.back() == '0')
    digits.pop_back();
  std::string out = negative ? "-" : "";
  if (exponent >= 15 || exponent < -4) {
    out += digits[0];
    if (digits.size() > 1)
      out += "." + digits.substr(1);
    out += "E" + std::to_string(exponent);
  } else if (exponent < 0) {
    out += "0." + std::string(static_cast<std::size_t>(-exponent - 1), '0') + digits;
  } else {
    const auto intDigits = static_cast<std::size_t>(exponent + 1);
    if (digits.size() <= intDigits) {
      out += digits + std::string(intDigits - digits.size(), '0');
    } else {
      out += digits.substr(0, intDigits) + "." + digits.substr(intDigits);
    }
  }
  return std::u16string(out.begin(), out.end());
}

// Optional leading spaces, sign, digits with one '.', optional exponent. Stores the number
// read so far; true only when the whole text was a number.
bool TextToFloat(std::u16string_view text, double& value) {
  std::size_t i = 0;
  while (i < text.size() && text[i] == u' ')
    ++i;
  std::string number;
  if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) {
    if (text[i] == u'-')
      number += '-';
    ++i;
  }
  std::size_t digits = 0;
  auto takeDigits = [&] {
    std::size_t n = 0;
    while (i < text.size() && text[i] >= u'0' && text[i] <= u'9') {
      number += static_cast<char>(text[i++]);
      ++n;
    }
    return n;
  };
  digits += takeDigits();
  if (i < text.size() && text[i] == u'.') {
    number += '.';
    ++i;
    digits += takeDigits();
  }
  std::size_t valid = number.size();
  std::size_t validEnd = i;
  if (digits > 0 && i < text.size() && (text[i] == u'e' || text[i] == u'E')) {
    std::string exp = "e";
    std::size_t j = i + 1;
    if (j < text.size() && (text[j] == u'+' || text[j] == u'-'))
      exp += static_cast<char>(text[j++]);
    std::size_t n = 0;
    while (j < text.size() && text[j] >= u'0' && text[j] <= u'9') {
      exp += static_cast<char>(text[j++]);
      ++n;
    }
    if (n > 0) {
      number += exp;
      valid = number.size();
      validEnd = j;
    }
  }
  number.resize(valid);
  double parsed = 0;
  if (digits > 0) {
    const char* begin = number.data();
    if (std::from_chars(begin, begin + number.size(), parsed).ec != std::errc())
      return false;
  }
  value = parsed;
  return digits > 0 && validEnd == text.size();
}

// dd.mm.yyyy with an optional time hh:mm[:ss[.zzz]], the Russian short formats.
bool TextToDateTime(std::u16string_view text, TDateTime& value) {
  int parts[7] = {0, 0, 0, 0, 0, 0, 0};
  std::size_t i = 0;
  auto number = [&](int& out, std::size_t maxDigits) {
    std::size_t n = 0;
    out = 0;
    while (i < text.size() && n < maxDigits && text[i] >= u'0' && text[i] <= u'9') {
      out = out * 10 + (text[i++] - u'0');
      ++n;
    }
    return n > 0;
  };
  auto expect = [&](char16_t c) { return i < text.size() && text[i++] == c; };
  while (i < text.size() && text[i] == u' ')
    ++i;
  if (!number(parts[0], 2) || !expect(u'.') || !number(parts[1], 2) || !expect(u'.') ||
      !number(parts[2], 4))
    return false;
  if (i < text.size()) {
    if (!expect(u' ') || !number(parts[3], 2) || !expect(u':') || !number(parts[4], 2))
      return false;
    if (i < text.size() && (!expect(u':') || !number(parts[5], 2)))
      return false;
    if (i < text.size() && (!expect(u'.') || !number(parts[6], 3)))
      return false;
  }
  if (i != text.size() || parts[1] < 1 || parts[1] > 12 || parts[0] < 1 || parts[3] > 23 ||
      parts[4] > 59 || parts[5] > 59)
    return false;
  static constexpr int MonthDays[] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  const int year = parts[2];
  const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
  if (parts[0] > MonthDays[parts[1] - 1] || (parts[1] == 2 && parts[0] == 29 && !leap))
    return false;
  value = EncodeDateTime({year, parts[1], parts[0], parts[3], parts[4], parts[5], parts[6]});
  return true;
}

} // namespace

// ---- collection ----

void TKvenXmlCollection::Add(std::unique_ptr<TKvenXmlNode1> node) {
  TKvenXmlDocument1* document = Owner ? Owner->Document : nullptr;
  std::pmr::memory_resource* memory = Items.get_allocator().resource();
  if (node->Block != memory || node->Memory != memory)
    node = CopyInto(*node, document, memory);
  node->Document = document;
  Items.push_back(std::move(node));
}

std::unique_ptr<TKvenXmlNode1> TKvenXmlCollection::CopyInto(const TKvenXmlNode1& source,
                                                            TKvenXmlDocument1* document,
                                                            std::pmr::memory_resource* memory) {
  // Node by node with a stack of its own, so that a deep tree needs no deep recursion.
  auto copyOne = [&](const TKvenXmlNode1& from) {
    std::unique_ptr<TKvenXmlNode1> to = TKvenXmlNode1::Make(document, memory);
    to->Name = from.Name.Str();
    to->Value.assign(from.Value);
    to->Attributes.assign(from.Attributes.begin(), from.Attributes.end());
    return to;
  };
  std::unique_ptr<TKvenXmlNode1> top = copyOne(source);
  std::vector<std::pair<const TKvenXmlNode1*, TKvenXmlNode1*>> open{{&source, top.get()}};
  while (!open.empty()) {
    const auto [from, to] = open.back();
    open.pop_back();
    to->ChildNodes.Items.reserve(from->ChildNodes.Items.size());
    for (const auto& child : from->ChildNodes.Items) {
      to->ChildNodes.Items.push_back(copyOne(*child));
      open.emplace_back(child.get(), to->ChildNodes.Items.back().get());
    }
  }
  return top;
}

TKvenXmlNode1* TKvenXmlCollection::AddNew(const std::u16string& name) {
  auto node =
      TKvenXmlNode1::Make(Owner ? Owner->Document : nullptr, Items.get_allocator().resource());
  node->Name = name;
  TKvenXmlNode1* raw = node.get();
  Items.push_back(std::move(node));
  return raw;
}

TKvenXmlNode1* TKvenXmlCollection::Find(std::u16string_view name) const {
  if (name.empty())
    return nullptr;
  for (const auto& item : Items)
    if (item->Name == name)
      return item.get();
  return nullptr;
}

TKvenXmlNode1* TKvenXmlCollection::GetOrAdd(const std::u16string& name) {
  if (name.empty())
    return nullptr;
  if (TKvenXmlNode1* found = Find(name))
    return found;
  return AddNew(name);
}

TKvenXmlNode1* TKvenXmlCollection::GetNode(std::int32_t index) const {
  return index >= 0 && index < GetCount() ? Items[static_cast<std::size_t>(index)].get() : nullptr;
}

bool TKvenXmlCollection::Remove(TKvenXmlNode1* node) {
  for (auto it = Items.begin(); it != Items.end(); ++it) {
    if (it->get() == node) {
      it->release();
      Items.erase(it);
      return true;
    }
  }
  return false;
}

namespace {

constexpr std::size_t PrefetchAhead = 8;

} // namespace

void TKvenXmlCollection::Clear() {
  if (Items.empty())
    return;
  // Depth first and in document order, as recursion would go, but with a stack of its own: a
  // node is destroyed once its children are, so no destructor runs into a subtree.
  using TItems = std::pmr::vector<std::unique_ptr<TKvenXmlNode1>>;
  std::vector<std::pair<TItems*, std::size_t>> stack{{&Items, 0}};
  while (!stack.empty()) {
    auto [items, next] = stack.back();
    if (next == items->size()) {
      items->clear();
      stack.pop_back();
      continue;
    }
    std::unique_ptr<TKvenXmlNode1>& item = (*items)[next];
    // The nodes of a large tree are far apart in memory: the ones a few steps on are asked for
    // now, so that they are in the cache when their turn comes.
    if (next + PrefetchAhead < items->size())
      __builtin_prefetch((*items)[next + PrefetchAhead].get());
    if (item->ChildNodes.Items.empty()) {
      item.reset();
      ++stack.back().second;
    } else {
      stack.push_back({&item->ChildNodes.Items, 0});
    }
  }
}

// ---- names ----

namespace {

struct TNameHash {
  using is_transparent = void;
  std::size_t operator()(std::u16string_view text) const noexcept {
    return std::hash<std::u16string_view>()(text);
  }
};

// Every name given so far, up to TXmlName::TableRoom of them; never shrinks, so the texts stay
// where they are.
std::unordered_set<std::u16string, TNameHash, std::equal_to<>>& NameTable() {
  static auto* table = new std::unordered_set<std::u16string, TNameHash, std::equal_to<>>;
  return *table;
}

// The table is shared by every thread that builds trees, one at a time.
std::mutex& NameTableLock() {
  static auto* lock = new std::mutex;
  return *lock;
}

// Names this thread met lately, by a mix of their length and characters.
thread_local std::array<const std::u16string*, 512> NameCache{};

} // namespace

void TXmlName::Assign(std::u16string_view text) {
  const std::size_t n = text.size();
  const bool numbered = n > 0 && text[n - 1] >= u'0' && text[n - 1] <= u'9';
  if (n == 0 || numbered) {
    Own.assign(text);
    Text = Own;
    return;
  }
  // A tree has few different names, many times over: most are found in a small cache, by a cheap
  // mix of the length and three characters, before the table is asked.
  const std::size_t slot =
      (n * 131 + text[0] * 31 + text[n / 2] * 7 + text[n - 1]) % NameCache.size();
  const std::u16string* cached = NameCache[slot];
  if (cached && *cached == text) {
    Text = *cached;
    Own.clear();
    return;
  }
  const std::u16string* interned = nullptr;
  {
    const std::lock_guard<std::mutex> hold(NameTableLock());
    auto& table = NameTable();
    auto it = table.find(text);
    if (it == table.end() && table.size() < TableRoom)
      it = table.emplace(text).first;
    if (it != table.end())
      interned = &*it;
  }
  if (!interned) {
    Own.assign(text);
    Text = Own;
    return;
  }
  Text = *interned;
  NameCache[slot] = interned;
  Own.clear();
}

// ---- node ----

TKvenXmlNode1::TKvenXmlNode1(TKvenXmlDocument1* document)
    : TKvenXmlNode1(document, document ? &document->Memory : std::pmr::get_default_resource()) {}

TKvenXmlNode1::TKvenXmlNode1(TKvenXmlDocument1* document, std::pmr::memory_resource* memory)
    : Memory(memory), Attributes(memory), ChildNodes(this, memory), Document(document),
      Name(memory), Value(memory) {}

std::unique_ptr<TKvenXmlNode1> TKvenXmlNode1::Make(TKvenXmlDocument1* document,
                                                   std::pmr::memory_resource* memory) {
  void* block = memory->allocate(sizeof(TKvenXmlNode1), alignof(TKvenXmlNode1));
  TKvenXmlNode1* node;
  try {
    node = ::new (block) TKvenXmlNode1(document, memory);
  } catch (...) {
    memory->deallocate(block, sizeof(TKvenXmlNode1), alignof(TKvenXmlNode1));
    throw;
  }
  node->Block = memory;
  return std::unique_ptr<TKvenXmlNode1>(node);
}

void TKvenXmlNode1::operator delete(TKvenXmlNode1* node, std::destroying_delete_t) noexcept {
  std::pmr::memory_resource* block = node->Block;
  node->~TKvenXmlNode1();
  if (block)
    block->deallocate(node, sizeof(TKvenXmlNode1), alignof(TKvenXmlNode1));
  else
    ::operator delete(node);
}

TKvenXmlNode1::~TKvenXmlNode1() = default;

void TKvenXmlNode1::Dispose() {
  delete this;
}

void TKvenXmlNode1::Clear() {
  Attributes.clear();
  ChildNodes.Clear();
}

std::u16string TKvenXmlNode1::GetAttribute(std::u16string_view name) const {
  return FindAttributeValue(Attributes, name, false);
}

std::u16string TKvenXmlNode1::GetAttributeName(std::int32_t index) const {
  return index >= 0 && index < GetAttributeCount()
             ? std::u16string(Attributes[static_cast<std::size_t>(index)].Name)
             : std::u16string();
}

std::u16string TKvenXmlNode1::GetAttributeValue(std::int32_t index) const {
  return index >= 0 && index < GetAttributeCount()
             ? std::u16string(Attributes[static_cast<std::size_t>(index)].Value)
             : std::u16string();
}

void TKvenXmlNode1::SetAttribute(const std::u16string& name, const std::u16string& value) {
  SetAttributeValue(Attributes, name, value);
}

std::u16string TKvenXmlNode1::FindAttribute(std::u16string_view name, bool caseSensitive) const {
  return FindAttributeValue(Attributes, name, caseSensitive);
}

void TKvenXmlNode1::ParseStartTag(std::u16string_view tagText) {
  Name = ParseTagText(tagText, Attributes);
}

void TKvenXmlNode1::Log(TLogGroupMessage group, TLogTypeMessage type, const std::string& format,
                        const TLogArgs& args) const {
  if (Document)
    Document->Log(group, type, format, args);
}

void TKvenXmlNode1::Fail(const std::string& format, const TLogArgs& args) const {
  if (Document)
    Document->Fail(format, args);
}

bool TKvenXmlNode1::ValueAsBoolean(bool& value) const {
  value = Value == u"True";
  return true;
}

bool TKvenXmlNode1::ValueAsDateTime(TDateTime& value) const {
  return Guarded([&] { return TextToDateTime(Value, value); });
}

bool TKvenXmlNode1::ValueAsInteger(std::int32_t& value) const {
  std::int64_t v = 0;
  const bool ok = StoreInt(Value, 32, v);
  value = static_cast<std::int32_t>(v);
  return ok;
}

bool TKvenXmlNode1::ValueAsInt64(std::int64_t& value) const {
  return StoreInt(Value, 64, value);
}

bool TKvenXmlNode1::ValueAsString(std::u16string& value) const {
  return Guarded([&] {
    value.assign(Value);
    return true;
  });
}

bool TKvenXmlNode1::ValueAsByte(std::uint8_t& value) const {
  std::int64_t v = 0;
  const bool ok = StoreInt(Value, 32, v);
  value = static_cast<std::uint8_t>(v & 0xFF);
  return ok;
}

bool TKvenXmlNode1::SetValueBoolean(bool value) {
  Value = value ? u"True" : u"False";
  return true;
}

bool TKvenXmlNode1::SetValueFloat(double value) {
  return Guarded([&] {
    Value = FloatToText(value);
    return true;
  });
}

bool TKvenXmlNode1::SetValueInteger(std::int32_t value) {
  return SetValueInt64(value);
}

bool TKvenXmlNode1::SetValueString(const std::u16string& value) {
  return Guarded([&] {
    Value = value;
    return true;
  });
}

bool TKvenXmlNode1::SetValueByte(std::uint8_t value) {
  return SetValueInt64(value);
}

bool TKvenXmlNode1::SetValueInt64(std::int64_t value) {
  // The digits straight into the value, without a text of their own.
  char digits[24];
  const auto end = std::to_chars(digits, digits + sizeof digits, value).ptr;
  Value.resize(static_cast<std::size_t>(end - digits));
  std::copy(digits, end, Value.begin());
  return true;
}

#define ZU_CHILD_READER(Method, Type, Own)                                                         \
  bool TKvenXmlNode1::Method(std::u16string_view name, Type& value) const {                        \
    const TKvenXmlNode1* child = FindChild(name);                                                  \
    return child ? child->Own(value) : false;                                                      \
  }

ZU_CHILD_READER(ReadBoolean, bool, ValueAsBoolean)
ZU_CHILD_READER(ReadDateTime, TDateTime, ValueAsDateTime)
ZU_CHILD_READER(ReadInteger, std::int32_t, ValueAsInteger)
ZU_CHILD_READER(ReadInt64, std::int64_t, ValueAsInt64)
ZU_CHILD_READER(ReadLongInt, std::int32_t, ValueAsLongInt)
ZU_CHILD_READER(ReadString, std::u16string, ValueAsString)
ZU_CHILD_READER(ReadByte, std::uint8_t, ValueAsByte)
ZU_CHILD_READER(ReadLargeInt, std::int64_t, ValueAsLargeInt)
ZU_CHILD_READER(ReadWideString, std::u16string, ValueAsString)
#undef ZU_CHILD_READER

bool TKvenXmlNode1::ReadFloat(std::u16string_view name, double& value) const {
  std::u16string text;
  if (!ReadString(name, text))
    return false;
  return TextToFloat(text, value);
}

#define ZU_CHILD_WRITER(Method, Type, Own)                                                         \
  bool TKvenXmlNode1::Method(const std::u16string& name, Type value) {                             \
    return Guarded([&] {                                                                           \
      TKvenXmlNode1* child = GetChild(name);                                                       \
      return child ? child->Own(value) : false;                                                    \
    });                                                                                            \
  }

ZU_CHILD_WRITER(WriteBoolean, bool, SetValueBoolean)
ZU_CHILD_WRITER(WriteFloat, double, SetValueFloat)
ZU_CHILD_WRITER(WriteInteger, std::int32_t, SetValueInteger)
ZU_CHILD_WRITER(WriteByte, std::uint8_t, SetValueByte)
ZU_CHILD_WRITER(WriteInt64, std::int64_t, SetValueInt64)
#undef ZU_CHILD_WRITER

bool TKvenXmlNode1::WriteDouble(const std::u16string& name, double value) {
  return WriteFloat(name, value);
}

// The whole 64-bit value is written.
bool TKvenXmlNode1::WriteLargeInt(const std::u16string& name, std::int64_t value) {
  return WriteInt64(name, value);
}

bool TKvenXmlNode1::WriteLongInt(const std::u16string& name, std::int32_t value) {
  return WriteInteger(name, value);
}

bool TKvenXmlNode1::WriteString(const std::u16string& name, const std::u16string& value) {
  if (name.empty())
    return true;
  return Guarded([&] {
    TKvenXmlNode1* child = GetChild(name);
    return child ? child->SetValueString(value) : false;
  });
}

bool TKvenXmlNode1::SetChildXml(const std::u16string& name, std::u16string_view text) {
  return Guarded([&] {
    TKvenXmlNode1* child = GetChild(name);
    return child ? child->ParseElement(text) : false;
  });
}

// ---- document ----

TKvenXmlDocument1::TKvenXmlDocument1(std::u16string fileName, TAddToLog onLog)
    : FileName(std::move(fileName)), OnLog(std::move(onLog)), Memory(TXmlMemory::Shared()),
      Root(TKvenXmlNode1::Make(this, &Memory)) {
  Root->SetName(u"Config");
  if (!FileName.empty())
    LoadFromFile(FileName);
}

TKvenXmlDocument1::~TKvenXmlDocument1() {
  // Every node of the tree and all it holds is in Memory (Add copies any other node in): the
  // memory goes at once, without a walk through the tree.
  (void)Root.release();
}

void TKvenXmlDocument1::Dispose() {
  delete this;
}

bool TKvenXmlDocument1::OnInstruction(TKvenXmlNode1*) {
  return false;
}

bool TKvenXmlDocument1::Log(TLogGroupMessage group, TLogTypeMessage type, const std::string& format,
                            const TLogArgs& args) const {
  return CallLogHandler(OnLog, group, type, format, args);
}

bool TKvenXmlDocument1::Fail(const std::string& format, const TLogArgs& args) const {
  if (FailureText.empty())
    FailureText = Say(format, args);
  Log(lgGeneral, ltError, format, args);
  return false;
}
