#pragma once

#include <string>
#include <string_view>

// Wide strings are UTF-16; narrow strings are UTF-8. Malformed input becomes U+FFFD.
std::u16string Utf8ToUtf16(std::string_view text);
std::string Utf16ToUtf8(std::u16string_view text);

// The text as valid UTF-8: every byte that does not belong to a well-formed sequence becomes
// U+FFFD; well-formed text comes back unchanged.
std::string ValidUtf8(std::string_view text);

// Appends a code point, as a surrogate pair above U+FFFF.
void AppendUtf16(std::u16string& out, char32_t codePoint);

// Windows-1251 bytes to UTF-16: every byte has a character, so the decoding is total.
std::u16string Cp1251ToUtf16(std::string_view bytes);
// Code units without a Windows-1251 byte become '?'.
std::string Utf16ToCp1251(std::u16string_view text);
bool Cp1251HasChar(char16_t ch);
// The Windows-1251 byte of a code unit, or -1 when the code page has none.
int Cp1251ByteOf(char16_t ch);
// The byte of every UTF-16 code unit (65536 of them); 0 where the code page has none, and for
// U+0000 itself.
const std::uint8_t* Cp1251EncodeTable();

// How many code units of a text are shown where a user reads it: a name on the canvas or in the
// tree, a value in the grid, a long description or message.
inline constexpr std::size_t ShownNameUnits = 256;
inline constexpr std::size_t ShownValueUnits = 4096;
inline constexpr std::size_t ShownTextUnits = 65536;
// The text as it is shown: at most max code units (a surrogate pair is never split), with "…"
// in place of the rest when it is longer.
std::u16string ShownText(std::u16string_view text, std::size_t max);
// The same for UTF-8 text, counted in bytes (a sequence is never split).
std::string ShownText(std::string_view text, std::size_t maxBytes);

// Upper case by the Russian code page's rules: Latin and Cyrillic letters, everything else as is.
// A field of a CSV row (RFC 4180): quoted when it holds a separator, a quote or a line break.
std::string CsvField(std::string_view text);

// A value as labels show it: a number in the C form with 6 significant digits ("1.22465e-16"),
// any other text as it is.
std::string ShortValue(std::string_view value);

std::u16string UpperCaseAnsi(std::u16string_view text);
