#include "xml/unXml.h"

#include "platform/unIntText.h"
#include "platform/unStrings.h"

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
    char32_t cp = 0;
    for (; j < rest.size() && j - first <= 8; ++j) {
      const int d = DigitValue(rest[j], base);
      if (d < 0)
        break;
      cp = cp * base + static_cast<char32_t>(d);
    }
    if (j > first && j < rest.size() && rest[j] == u';' && cp <= 0x10FFFF) {
      AppendUtf16(out, cp);
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

std::u16string CleanSpaces(std::u16string text, int flags) {
  bool changed = true;
  while (changed) {
    changed = false;
    if (flags & csLeading) {
      const std::size_t first = text.find_first_not_of(u' ');
      if (first == std::u16string::npos)
        return {};
      if (first > 0) {
        text.erase(0, first);
        changed = true;
      }
    }
    if (flags & csTrailing) {
      const std::size_t last = text.find_last_not_of(u' ');
      if (last == std::u16string::npos)
        return {};
      if (last + 1 < text.size()) {
        text.erase(last + 1);
        changed = true;
      }
    }
    if (flags & csRuns) {
      std::u16string reduced;
      reduced.reserve(text.size());
      for (char16_t c : text)
        if (!(c == u' ' && !reduced.empty() && reduced.back() == u' '))
          reduced += c;
      text = std::move(reduced);
    }
    if (text.size() >= 2 && text.starts_with(u"\r\n")) {
      text.erase(0, 2);
      changed = true;
    }
    if (text.size() >= 2 && text.ends_with(u"\r\n")) {
      text.erase(text.size() - 2);
      changed = true;
    }
  }
  return text;
}

std::u16string ParseTagText(std::u16string_view t, TAttributes& attributes) {
  const std::size_t space = t.find(u' ');
  if (space == std::u16string_view::npos)
    return std::u16string(t);
  std::u16string name(t.substr(0, space));
  // Only the one space after the name is skipped; further spaces join the first attribute name.
  std::u16string rest(t.substr(space + 1));
  while (!rest.empty()) {
    const std::size_t eq = rest.find(u'=');
    if (eq == std::u16string::npos)
      break;
    std::u16string attrName = rest.substr(0, eq);
    rest.erase(0, eq + 1);
    std::u16string value;
    if (!rest.empty()) {
      if (rest.front() == u'"') {
        const std::size_t close = rest.find(u'"', 1);
        if (close != std::u16string::npos) {
          value = UnescapeText(std::u16string_view(rest).substr(1, close - 1));
          rest.erase(0, close + 1);
          // Spaces between attributes go; spaces inside later values stay as written.
          rest = CleanSpaces(std::move(rest), csLeading | csTrailing);
        }
      } else {
        const std::size_t next = rest.find(u' ');
        if (next != std::u16string::npos) {
          value = UnescapeText(std::u16string_view(rest).substr(0, next));
          rest.erase(0, next + 1);
          rest = CleanSpaces(std::move(rest), csLeading | csTrailing);
        }
      }
    }
    SetAttributeValue(attributes, attrName, value);
  }
  return name;
}

std::u16string FindAttributeValue(const TAttributes& attributes, std::u16string_view name,
                                  bool caseSensitive) {
  if (caseSensitive) {
    for (const auto& a : attributes)
      if (a.Name == name)
        return a.Value;
    return {};
  }
  const std::u16string upper = UpperCaseAnsi(name);
  for (const auto& a : attributes)
    if (UpperCaseAnsi(a.Name) == upper)
      return a.Value;
  return {};
}

void SetAttributeValue(TAttributes& attributes, const std::u16string& name,
                       const std::u16string& value) {
  if (name.empty())
    return;
  for (auto& a : attributes) {
    if (a.Name == name) {
      a.Value = value;
      return;
    }
  }
  attributes.push_back({name, value});
}
