#include "platform/unIntText.h"

#include <string>

TIntTextResult ParseIntText(std::u16string_view text, int bits) {
  std::size_t i = 0;
  while (i < text.size() && text[i] == u' ')
    ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) {
    negative = text[i] == u'-';
    ++i;
  }
  unsigned base = 10;
  if (i < text.size() && (text[i] == u'$' || text[i] == u'x' || text[i] == u'X')) {
    base = 16;
    ++i;
  } else if (i + 1 < text.size() && text[i] == u'0' &&
             (text[i + 1] == u'x' || text[i + 1] == u'X')) {
    base = 16;
    i += 2;
  }
  const std::uint64_t signedLimit = bits == 32 ? 0x7FFFFFFFULL : 0x7FFFFFFFFFFFFFFFULL;
  const std::uint64_t limit =
      base == 16 ? (bits == 32 ? 0xFFFFFFFFULL : ~0ULL) : signedLimit + (negative ? 1 : 0);
  std::uint64_t magnitude = 0;
  std::size_t digits = 0;
  bool overflow = false;
  for (; i < text.size(); ++i) {
    const int digit = DigitValue(text[i], base);
    if (digit < 0)
      break;
    const auto d = static_cast<unsigned>(digit);
    if (magnitude > (limit - d) / base) {
      overflow = true;
      break;
    }
    magnitude = magnitude * base + d;
    ++digits;
  }
  TIntTextResult result;
  result.Ok = digits > 0 && !overflow && i == text.size();
  if (!result.Ok) {
    result.Value = static_cast<std::int64_t>(magnitude & signedLimit);
    return result;
  }
  if (base == 16) {
    result.Value = bits == 32 ? static_cast<std::int32_t>(static_cast<std::uint32_t>(magnitude))
                              : static_cast<std::int64_t>(magnitude);
    if (negative)
      result.Value = bits == 32
                         ? static_cast<std::int32_t>(0U - static_cast<std::uint32_t>(magnitude))
                         : static_cast<std::int64_t>(0ULL - magnitude);
  } else {
    result.Value = negative ? static_cast<std::int64_t>(0ULL - magnitude)
                            : static_cast<std::int64_t>(magnitude);
  }
  return result;
}

std::u16string IntToText(std::int64_t value) {
  char16_t buf[24];
  char16_t* end = buf + 24;
  char16_t* p = end;
  std::uint64_t m =
      value < 0 ? 0ULL - static_cast<std::uint64_t>(value) : static_cast<std::uint64_t>(value);
  do {
    *--p = static_cast<char16_t>(u'0' + m % 10);
    m /= 10;
  } while (m != 0);
  if (value < 0)
    *--p = u'-';
  return std::u16string(p, end);
}
