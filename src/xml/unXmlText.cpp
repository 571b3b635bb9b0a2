#include "xml/unXml.h"

#include "platform/unIntText.h"
#include "platform/unStrings.h"

#include <algorithm>
#include <functional>
#include <vector>

namespace {

// Decodes the entity starting at text[i] == '&'; returns its length, 0 when it is none.
std::size_t DecodeEntity(std::u16string_view text, std::size_t i, std::u16string& out) {
  static constexpr struct {
    std::u16string_view Name;
    char16_t Char;
  } Named[] = {
      {u"&lt;", u'<'}, {u"&gt;", u'>'}, {u"&amp;", u'&'}, {u"&quot;", u'"'}, {u"&apos;", u'\''}};
  const std::u16string_view rest = text.substr(i);
  if (rest.size() >= 4 && rest[1] == u'#') {
    std::size_t j = 2;
    unsigned base = 10;
    if (j < rest.size() && (rest[j] == u'x' || rest[j] == u'X')) {
      base = 16;
      ++j;
    }
    const std::size_t first = j;
    // Accumulated in 64 bits and capped, so that a long run of digits cannot wrap into a small
    // code point: a reference beyond U+10FFFF stays text.
    std::uint64_t cp = 0;
    for (; j < rest.size(); ++j) {
      const int d = DigitValue(rest[j], base);
      if (d < 0)
        break;
      if (cp <= 0x10FFFF)
        cp = cp * base + static_cast<std::uint64_t>(d);
    }
    if (j > first && j < rest.size() && rest[j] == u';' && cp <= 0x10FFFF) {
      AppendUtf16(out, static_cast<char32_t>(cp));
      return j + 1;
    }
    return 0;
  }
  for (const auto& entity : Named) {
    if (rest.starts_with(entity.Name)) {
      out += entity.Char;
      return entity.Name.size();
    }
  }
  return 0;
}

template <bool Attribute> std::u16string Escape(std::u16string_view text) {
  std::u16string out;
  out.reserve(text.size() + 8);
  for (char16_t c : text) {
    switch (c) {
    case u'&':
      out += u"&amp;";
      break;
    case u'<':
      out += u"&lt;";
      break;
    case u'>':
      out += u"&gt;";
      break;
    case u'"':
      if (Attribute)
        out += u"&quot;";
      else
        out += c;
      break;
    default:
      if (c < 0x20) {
        out += u"&#";
        out += IntToText(c);
        out += u';';
      } else {
        out += c;
      }
    }
  }
  return out;
}

} // namespace

std::u16string EscapeText(std::u16string_view text) {
  return Escape<false>(text);
}
std::u16string EscapeAttributeText(std::u16string_view text) {
  return Escape<true>(text);
}

std::u16string UnescapeText(std::u16string_view text) {
  std::u16string out;
  out.reserve(text.size());
  std::size_t start = 0;
  for (std::size_t amp = text.find(u'&'); amp != std::u16string_view::npos;
       amp = text.find(u'&', amp + 1)) {
    out.append(text.substr(start, amp - start));
    const std::size_t length = DecodeEntity(text, amp, out);
    if (length == 0) {
      out += u'&';
      start = amp + 1;
    } else {
      start = amp + length;
      amp = start - 1;
    }
  }
  out.append(text.substr(start));
  return out;
}

namespace {

// The front of text[begin, end) after the clean-up passes that only remove from the ends: spaces
// (flag csLeading, csTrailing) and one CR LF pair per pass at either end, until a pass changes
// nothing. False when the text becomes empty through a space flag.
bool CleanEnds(std::u16string_view text, std::size_t& begin, std::size_t& end, int flags) {
  for (bool changed = true; changed;) {
    changed = false;
    if (flags & csLeading) {
      for (; begin < end && text[begin] == u' '; ++begin)
        changed = true;
      if (begin == end)
        return false;
    }
    if (flags & csTrailing) {
      for (; end > begin && text[end - 1] == u' '; --end)
        changed = true;
      if (begin == end)
        return false;
    }
    if (end - begin >= 2 && text[begin] == u'\r' && text[begin + 1] == u'\n') {
      begin += 2;
      changed = true;
    }
    if (end - begin >= 2 && text[end - 2] == u'\r' && text[end - 1] == u'\n') {
      end -= 2;
      changed = true;
    }
  }
  return true;
}

// The first c at or after from in a text that only ever loses characters at its front: the answer
// of an earlier search is reused while it still lies ahead, so repeated searches cost one pass.
class TCachedFind {
public:
  explicit TCachedFind(char16_t c) : Char(c) {}
  std::size_t Find(std::u16string_view text, std::size_t from) {
    if (!Known || (Found != std::u16string_view::npos && Found < from)) {
      Found = text.find(Char, from);
      Known = true;
    }
    return Found;
  }
  void Reset() { Known = false; }

private:
  char16_t Char;
  bool Known = false;
  std::size_t Found = std::u16string_view::npos;
};

// SetAttributeValue for many names. An open-addressing table of positions in the array keeps a
// tag with thousands of attributes linear; each slot keeps half of its name's hash beside the
// position, so that a probe reads the array only for a likely match. Names are put in in small
// batches whose slots are asked for from memory ahead, so that a large table costs little more per
// name than a small one. Small arrays are searched as they are. Flush before reading the array.
class TAttributeSetter {
public:
  // At most expected more names will be set: the array and the table get their room at once.
  TAttributeSetter(TAttributes& attributes, std::size_t expected) : Attributes(attributes) {
    Attributes.reserve(Attributes.size() + expected);
    if (Attributes.size() + expected >= IndexFrom)
      Rebuild(Attributes.size() + expected);
  }
  TAttributeSetter(const TAttributeSetter&) = delete;
  TAttributeSetter& operator=(const TAttributeSetter&) = delete;
  ~TAttributeSetter() {
    if (Slots.capacity() > KeptSlots)
      std::vector<TSlot>().swap(Slots);
  }

  void Set(std::u16string_view name, std::u16string value) {
    if (name.empty())
      return;
    if (Slots.empty()) {
      for (auto& a : Attributes) {
        if (a.Name == name) {
          a.Value = std::move(value);
          return;
        }
      }
      Attributes.push_back({std::u16string(name), std::move(value)});
      return;
    }
    TPending& next = Pending[Waiting++];
    next = {name, std::move(value), std::hash<std::u16string_view>()(name)};
    __builtin_prefetch(&Slots[next.Hash & (Slots.size() - 1)]);
    if (Waiting == Batch)
      Flush();
  }

  void Flush() {
    for (std::size_t k = 0; k < Waiting; ++k)
      Put(Pending[k]);
    Waiting = 0;
  }

private:
  static constexpr std::size_t IndexFrom = 16;
  static constexpr std::size_t Batch = 32;
  static constexpr std::size_t KeptSlots = std::size_t{1} << 20;
  static constexpr std::uint32_t Empty = 0xFFFFFFFF;
  struct TSlot {
    std::uint32_t Index;
    std::uint32_t Hash; // the hash's high half
  };
  struct TPending {
    std::u16string_view Name;
    std::u16string Value;
    std::size_t Hash;
  };

  void Put(TPending& p) {
    if (2 * Attributes.size() + 2 > Slots.size())
      Rebuild(2 * Attributes.size());
    TSlot& slot = Find(p.Name, p.Hash);
    if (slot.Index != Empty) {
      Attributes[slot.Index].Value = std::move(p.Value);
      return;
    }
    slot = {static_cast<std::uint32_t>(Attributes.size()),
            static_cast<std::uint32_t>(p.Hash >> 32)};
    Attributes.push_back({std::u16string(p.Name), std::move(p.Value)});
  }
  // The slot holding the name, or the empty slot where it belongs.
  TSlot& Find(std::u16string_view name, std::size_t hash) {
    const std::size_t mask = Slots.size() - 1;
    const auto high = static_cast<std::uint32_t>(hash >> 32);
    for (std::size_t i = hash & mask;; i = (i + 1) & mask) {
      TSlot& slot = Slots[i];
      if (slot.Index == Empty || (slot.Hash == high && Attributes[slot.Index].Name == name))
        return slot;
    }
  }
  // A table for count names, filled with the array's.
  void Rebuild(std::size_t count) {
    std::size_t size = 64;
    while (size < 2 * count + 2)
      size *= 2;
    Slots.assign(size, TSlot{Empty, 0});
    // Names are unique in the array, so each finds its own empty slot.
    for (std::size_t i = 0; i < Attributes.size(); ++i) {
      const std::size_t hash = std::hash<std::u16string_view>()(Attributes[i].Name);
      Find(Attributes[i].Name, hash) = {static_cast<std::uint32_t>(i),
                                        static_cast<std::uint32_t>(hash >> 32)};
    }
  }
  // The table's memory stays with the thread for the next tag, unless it grew large.
  static std::vector<TSlot>& Scratch() {
    thread_local std::vector<TSlot> slots;
    slots.clear();
    return slots;
  }

  TAttributes& Attributes;
  std::vector<TSlot>& Slots = Scratch();
  TPending Pending[Batch];
  std::size_t Waiting = 0;
};

} // namespace

std::u16string CleanSpaces(std::u16string text, int flags) {
  // Reducing runs once is enough: removing spaces or CR LF at the ends never brings two spaces
  // together anywhere but at an end.
  if (flags & csRuns) {
    std::size_t out = 0;
    for (std::size_t i = 0; i < text.size(); ++i)
      if (!(text[i] == u' ' && out > 0 && text[out - 1] == u' '))
        text[out++] = text[i];
    text.resize(out);
  }
  std::size_t begin = 0, end = text.size();
  if (!CleanEnds(text, begin, end, flags))
    return {};
  text.resize(end);
  text.erase(0, begin);
  return text;
}

std::u16string ParseTagText(std::u16string_view t, TAttributes& attributes) {
  const std::size_t space = t.find(u' ');
  if (space == std::u16string_view::npos)
    return std::u16string(t);
  std::u16string name(t.substr(0, space));
  // Only the one space after the name is skipped; further spaces join the first attribute name.
  // The rest of the tag is read through a moving front, never copied or erased, so that a tag
  // is read in one pass however many attributes it has.
  std::u16string_view rest = t.substr(space + 1);
  std::size_t pos = 0;
  std::u16string cleaned;
  bool isCleaned = false;
  TCachedFind quote(u'"'), blank(u' ');
  // Every attribute ends its name right before an '=' that follows something else.
  std::size_t names = 0;
  for (std::size_t i = 1; i < rest.size(); ++i)
    names += rest[i] == u'=' && rest[i - 1] != u'=';
  TAttributeSetter setter(attributes, names);

  while (pos < rest.size()) {
    const std::size_t eq = rest.find(u'=', pos);
    if (eq == std::u16string_view::npos)
      break;
    const std::u16string_view attrName = rest.substr(pos, eq - pos);
    pos = eq + 1;
    std::u16string value;
    bool taken = false;
    if (pos < rest.size()) {
      if (rest[pos] == u'"') {
        const std::size_t close = quote.Find(rest, pos + 1);
        if (close != std::u16string_view::npos) {
          value = UnescapeText(rest.substr(pos + 1, close - pos - 1));
          pos = close + 1;
          taken = true;
        }
      } else {
        const std::size_t next = blank.Find(rest, pos);
        if (next != std::u16string_view::npos) {
          value = UnescapeText(rest.substr(pos, next - pos));
          pos = next + 1;
          taken = true;
        }
      }
    }
    // What follows a value is cleaned with flags 1+2+4. The first clean-up reduces every run of
    // spaces in the rest of the tag; later ones can only find spaces at its front.
    if (taken && !isCleaned) {
      isCleaned = true;
      // Without a run of spaces there is nothing to reduce, and the rest is read where it is.
      if (rest.find(u"  ", pos) != std::u16string_view::npos) {
        cleaned = CleanSpaces(std::u16string(rest.substr(pos)), csLeading | csTrailing | csRuns);
        setter.Set(attrName, std::move(value)); // still a view of t
        rest = cleaned;
        pos = 0;
        quote.Reset();
        blank.Reset();
        continue;
      }
      std::size_t end = rest.size();
      if (!CleanEnds(rest, pos, end, csLeading | csTrailing))
        pos = end = rest.size();
      // The end stays where the clean-up left it: later clean-ups only move the front.
      rest = rest.substr(0, end);
      quote.Reset();
      blank.Reset();
      setter.Set(attrName, std::move(value));
      continue;
    }
    if (taken) {
      std::size_t end = rest.size();
      if (!CleanEnds(rest, pos, end, csLeading | csTrailing))
        pos = rest.size();
    }
    setter.Set(attrName, std::move(value));
  }
  setter.Flush();
  return name;
}

std::u16string FindAttributeValue(const TAttributes& attributes, std::u16string_view name,
                                  bool caseSensitive) {
  if (caseSensitive) {
    for (const auto& a : attributes)
      if (a.Name == name)
        return std::u16string(a.Value);
    return {};
  }
  const std::u16string upper = UpperCaseAnsi(name);
  for (const auto& a : attributes)
    if (UpperCaseAnsi(a.Name) == upper)
      return std::u16string(a.Value);
  return {};
}

void SetAttributeValue(TAttributes& attributes, std::u16string_view name,
                       std::u16string_view value) {
  if (name.empty())
    return;
  for (auto& a : attributes) {
    if (a.Name == name) {
      a.Value = value;
      return;
    }
  }
  attributes.emplace_back(name, value);
}
