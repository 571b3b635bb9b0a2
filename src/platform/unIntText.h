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

// Decimal text of a signed value: an optional '-' and digits, nothing else.
std::u16string IntToText(std::int64_t value);
