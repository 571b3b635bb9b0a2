#pragma once

#include <cstdint>
#include <string_view>

struct TIntTextResult {
  // The number; for a text that is not a valid number, the magnitude of the digits read before the
  // first character that does not belong to it (0 when there are none).
  std::int64_t Value = 0;
  // True only when the whole text was a number that fits the width.
  bool Ok = false;
};

// Integer text: optional leading spaces, an optional '+' or '-', then decimal digits or a
// hexadecimal number introduced by "$", "x", "X", "0x" or "0X". Bits is 32 or 64; hexadecimal
// numbers may use the full unsigned range of the width and wrap to negative values.
TIntTextResult ParseIntText(std::u16string_view text, int bits);

// The value of a digit in base 10 or 16, or -1 when the character is none.
inline int DigitValue(char16_t c, unsigned base) {
  if (c >= u'0' && c <= u'9')
    return c - u'0';
  if (base == 16 && c >= u'a' && c <= u'f')
    return c - u'a' + 10;
  if (base == 16 && c >= u'A' && c <= u'F')
    return c - u'A' + 10;
  return -1;
}

// Decimal text of a signed value: an optional '-' and digits, nothing else.
std::u16string IntToText(std::int64_t value);
