#include "platform/unStrings.h"

#include <charconv>
#include <cstdio>

#include <array>
#include <cstdint>
#include <memory>

namespace {

constexpr char16_t Replacement = 0xFFFD;

// Characters of the bytes 0x80..0xFF. 0x98 has no character in the code page and maps to U+0098
// so that every byte survives a round trip.
constexpr std::array<char16_t, 128> HighHalf = {
    0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021, 0x20AC, 0x2030, 0x0409, 0x2039,
    0x040A, 0x040C, 0x040B, 0x040F, 0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x0098, 0x2122, 0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F, 0x00A0, 0x040E, 0x045E, 0x0408,
    0x00A4, 0x0490, 0x00A6, 0x00A7, 0x0401, 0x00A9, 0x0404, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x0407,
    0x00B0, 0x00B1, 0x0406, 0x0456, 0x0491, 0x00B5, 0x00B6, 0x00B7, 0x0451, 0x2116, 0x0454, 0x00BB,
    0x0458, 0x0405, 0x0455, 0x0457, 0x0410, 0x0411, 0x0412, 0x0413, 0x0414, 0x0415, 0x0416, 0x0417,
    0x0418, 0x0419, 0x041A, 0x041B, 0x041C, 0x041D, 0x041E, 0x041F, 0x0420, 0x0421, 0x0422, 0x0423,
    0x0424, 0x0425, 0x0426, 0x0427, 0x0428, 0x0429, 0x042A, 0x042B, 0x042C, 0x042D, 0x042E, 0x042F,
    0x0430, 0x0431, 0x0432, 0x0433, 0x0434, 0x0435, 0x0436, 0x0437, 0x0438, 0x0439, 0x043A, 0x043B,
    0x043C, 0x043D, 0x043E, 0x043F, 0x0440, 0x0441, 0x0442, 0x0443, 0x0444, 0x0445, 0x0446, 0x0447,
    0x0448, 0x0449, 0x044A, 0x044B, 0x044C, 0x044D, 0x044E, 0x044F};

// Byte of every UTF-16 code unit, 0 where the code page has none (only U+0000 maps to 0 itself).
const std::uint8_t* EncodeTable() {
  static const std::unique_ptr<std::uint8_t[]> table = [] {
    auto t = std::make_unique<std::uint8_t[]>(0x10000);
    for (unsigned c = 0; c < 0x80; ++c)
      t[c] = static_cast<std::uint8_t>(c);
    for (unsigned b = 0; b < 128; ++b)
      t[HighHalf[b]] = static_cast<std::uint8_t>(0x80 + b);
    return t;
  }();
  return table.get();
}

void AppendUtf8(std::string& out, char32_t cp) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (cp >> 18));
    out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

} // namespace

void AppendUtf16(std::u16string& out, char32_t cp) {
  if (cp >= 0x10000) {
    cp -= 0x10000;
    out += static_cast<char16_t>(0xD800 + (cp >> 10));
    out += static_cast<char16_t>(0xDC00 + (cp & 0x3FF));
  } else {
    out += static_cast<char16_t>(cp);
  }
}

namespace {

// One UTF-8 sequence at p: its code point and the bytes it takes. A malformed one gives false
// and takes its lead byte and the continuation bytes that follow it.
struct TSequence {
  bool Ok;
  char32_t CodePoint;
  std::size_t Length;
};

TSequence ReadSequence(const unsigned char* p, const unsigned char* end) {
  const unsigned char b = *p;
  if (b < 0x80)
    return {true, b, 1};
  int extra = 0;
  char32_t cp = 0, min = 0;
  if ((b & 0xE0) == 0xC0)
    extra = 1, cp = b & 0x1F, min = 0x80;
  else if ((b & 0xF0) == 0xE0)
    extra = 2, cp = b & 0x0F, min = 0x800;
  else if ((b & 0xF8) == 0xF0)
    extra = 3, cp = b & 0x07, min = 0x10000;
  else
    return {false, 0, 1};
  const unsigned char* q = p + 1;
  int taken = 0;
  while (taken < extra && q < end && (*q & 0xC0) == 0x80) {
    cp = (cp << 6) | (*q & 0x3F);
    ++q, ++taken;
  }
  const bool ok = taken == extra && cp >= min && cp <= 0x10FFFF && !(cp >= 0xD800 && cp <= 0xDFFF);
  return {ok, cp, static_cast<std::size_t>(q - p)};
}

} // namespace

std::string ValidUtf8(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  const auto* p = reinterpret_cast<const unsigned char*>(text.data());
  const auto* end = p + text.size();
  while (p < end) {
    const TSequence sequence = ReadSequence(p, end);
    if (sequence.Ok) {
      out.append(reinterpret_cast<const char*>(p), sequence.Length);
      p += sequence.Length;
    } else {
      out += "\xEF\xBF\xBD"; // each byte on its own
      ++p;
    }
  }
  return out;
}

std::u16string Utf8ToUtf16(std::string_view text) {
  std::u16string out;
  out.reserve(text.size());
  const auto* p = reinterpret_cast<const unsigned char*>(text.data());
  const auto* end = p + text.size();
  while (p < end) {
    const TSequence sequence = ReadSequence(p, end);
    if (sequence.Ok)
      AppendUtf16(out, sequence.CodePoint);
    else
      out += Replacement; // one for the whole malformed sequence
    p += sequence.Length;
  }
  return out;
}

std::string Utf16ToUtf8(std::u16string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    char32_t c = text[i];
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
        text[i + 1] <= 0xDFFF) {
      c = 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00);
      ++i;
    } else if (c >= 0xD800 && c <= 0xDFFF) {
      c = Replacement;
    }
    AppendUtf8(out, c);
  }
  return out;
}

std::u16string Cp1251ToUtf16(std::string_view bytes) {
  std::u16string out(bytes.size(), u'\0');
  char16_t* o = out.data();
  for (unsigned char b : bytes)
    *o++ = b < 0x80 ? static_cast<char16_t>(b) : HighHalf[b - 0x80];
  return out;
}

std::string Utf16ToCp1251(std::u16string_view text) {
  const std::uint8_t* table = EncodeTable();
  std::string out(text.size(), '\0');
  char* o = out.data();
  for (char16_t c : text) {
    std::uint8_t b = table[c];
    *o++ = static_cast<char>(b != 0 || c == 0 ? b : '?');
  }
  return out;
}

bool Cp1251HasChar(char16_t ch) {
  return ch == 0 || EncodeTable()[ch] != 0;
}

const std::uint8_t* Cp1251EncodeTable() {
  return EncodeTable();
}

int Cp1251ByteOf(char16_t ch) {
  const std::uint8_t b = EncodeTable()[ch];
  return b != 0 || ch == 0 ? b : -1;
}

std::u16string UpperCaseAnsi(std::u16string_view text) {
  std::u16string out(text);
  for (char16_t& c : out) {
    if (c >= u'a' && c <= u'z')
      c = static_cast<char16_t>(c - 32);
    else if (c >= 0x0430 && c <= 0x044F)
      c = static_cast<char16_t>(c - 0x20);
    else if (c >= 0x0450 && c <= 0x045F)
      c = static_cast<char16_t>(c - 0x50);
    else if (c == 0x0491)
      c = 0x0490;
  }
  return out;
}

std::u16string ShownText(std::u16string_view text, std::size_t max) {
  if (text.size() <= max)
    return std::u16string(text);
  std::size_t end = max > 0 ? max - 1 : 0;
  // A high surrogate at the cut goes with its pair.
  if (end > 0 && text[end - 1] >= 0xD800 && text[end - 1] <= 0xDBFF)
    --end;
  return std::u16string(text.substr(0, end)) + u"\u2026";
}

std::string ShownText(std::string_view text, std::size_t maxBytes) {
  if (text.size() <= maxBytes)
    return std::string(text);
  // Room for the three bytes of the ellipsis.
  std::size_t end = maxBytes > 3 ? maxBytes - 3 : 0;
  while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80)
    --end;
  return std::string(text.substr(0, end)) + "\u2026";
}

std::string ShortValue(std::string_view value) {
  double number = 0;
  const char* first = value.data();
  const char* last = value.data() + value.size();
  const auto [end, error] = std::from_chars(first, last, number);
  if (value.empty() || error != std::errc() || end != last)
    return std::string(value);
  char text[32];
  std::snprintf(text, sizeof text, "%.6g", number);
  return text;
}

std::string CsvField(std::string_view text) {
  if (text.find_first_of(",\"\r\n") == std::string_view::npos)
    return std::string(text);
  std::string quoted = "\"";
  for (const char c : text) {
    if (c == '"')
      quoted += '"';
    quoted += c;
  }
  return quoted + "\"";
}
