#include "platform/unIntText.h"

#include <gtest/gtest.h>

TEST(IntText, ReadsNumbersAndPartialNumbers) {
  struct Row {
    const char16_t* Text;
    int Bits;
    std::int64_t Value;
    bool Ok;
  };
  const Row rows[] = {
      {u"12", 32, 12, true},
      {u"-12", 32, -12, true},
      {u"+7", 32, 7, true},
      {u"   5", 32, 5, true},
      {u"$1F", 32, 31, true},
      {u"0x1f", 32, 31, true},
      {u"X10", 32, 16, true},
      {u"-$10", 32, -16, true},
      {u"$FFFFFFFF", 32, -1, true},
      {u"2147483647", 32, 2147483647, true},
      {u"-2147483648", 32, -2147483648LL, true},
      {u"9223372036854775807", 64, 9223372036854775807LL, true},
      {u"12a", 32, 12, false},
      {u"-12a", 32, 12, false}, // the partial number has no sign
      {u"12ab", 32, 12, false},
      {u"", 32, 0, false},
      {u"-", 32, 0, false},
      {u"abc", 32, 0, false},
      {u"5 ", 32, 5, false},
      {u"$", 32, 0, false},
      {u"2147483648", 32, 214748364, false}, // stops before the digit that overflows
  };
  for (const Row& row : rows) {
    TIntTextResult r = ParseIntText(row.Text, row.Bits);
    EXPECT_EQ(r.Value, row.Value) << std::u16string(row.Text).size();
    EXPECT_EQ(r.Ok, row.Ok) << r.Value;
  }
}

TEST(IntText, WritesPlainDecimal) {
  EXPECT_EQ(IntToText(0), u"0");
  EXPECT_EQ(IntToText(-20), u"-20");
  EXPECT_EQ(IntToText(INT64_MIN), u"-9223372036854775808");
}
