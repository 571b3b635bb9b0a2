#include "platform/unExeFolder.h"
#include "platform/unStrings.h"

#include <gtest/gtest.h>

TEST(Strings, Utf8RoundTripKeepsEveryPlaneAndScript) {
  const std::u16string text = u"abc Привет \u20AC \U0001F600 \uFFFF";
  EXPECT_EQ(Utf8ToUtf16(Utf16ToUtf8(text)), text);
  EXPECT_EQ(Utf16ToUtf8(u"\U0001F600"), "\xF0\x9F\x98\x80");
}

TEST(Strings, MalformedUtf8BecomesReplacementCharacters) {
  EXPECT_EQ(Utf8ToUtf16("a\xFF"
                        "b"),
            u"a\uFFFDb");
  EXPECT_EQ(Utf8ToUtf16("\xC3"), u"\uFFFD");                            // truncated sequence
  EXPECT_EQ(Utf8ToUtf16("\xC0\x80"), u"\uFFFD");                        // overlong
  EXPECT_EQ(Utf8ToUtf16("\xED\xA0\x80"), u"\uFFFD");                    // encoded surrogate
  EXPECT_EQ(Utf16ToUtf8(std::u16string(1, u'\xD800')), "\xEF\xBF\xBD"); // lone surrogate
}

TEST(Strings, Cp1251DecodesTheCyrillicAndPunctuationHalf) {
  EXPECT_EQ(Cp1251ToUtf16("\xC0\xDF\xE0\xFF"), u"АЯая");
  EXPECT_EQ(Cp1251ToUtf16("\xA8\xB8\xB9\x88\x96\x97"), u"Ёё№€–—");
  EXPECT_EQ(Cp1251ToUtf16("\x80\x8F\xA5\xB4"), u"ЂЏҐґ");
}

TEST(Strings, Cp1251RoundTripsEveryByte) {
  std::string all;
  for (int b = 0; b < 256; ++b)
    all += static_cast<char>(b);
  const std::u16string wide = Cp1251ToUtf16(all);
  ASSERT_EQ(wide.size(), 256u);
  EXPECT_EQ(Utf16ToCp1251(wide), all);
  for (char16_t c : wide)
    EXPECT_TRUE(Cp1251HasChar(c));
}

TEST(Strings, CharactersOutsideCp1251BecomeQuestionMarks) {
  EXPECT_EQ(Utf16ToCp1251(u"a\u4E2Db\u00E9"), "a?b?");
  EXPECT_FALSE(Cp1251HasChar(u'\u4E2D'));
  EXPECT_FALSE(Cp1251HasChar(u'\u00E9'));
  EXPECT_TRUE(Cp1251HasChar(u'Ж'));
}

TEST(Strings, UpperCaseCoversLatinAndCyrillic) {
  EXPECT_EQ(UpperCaseAnsi(u"abc xyz ая ёђ 1_"), u"ABC XYZ АЯ ЁЂ 1_");
}

TEST(ExeFolder, EndsWithSlashAndHoldsTheTestBinary) {
  const std::string folder = ExeFolder();
  ASSERT_FALSE(folder.empty());
  EXPECT_EQ(folder.back(), '/');
  EXPECT_EQ(ExeName(), "platform_tests");
}

TEST(Strings, ValidUtf8ReplacesEachBadByte) {
  const std::string R = "\xEF\xBF\xBD";
  const struct {
    std::string In, Out;
  } table[] = {
      {"plain ж 😀", "plain ж 😀"},
      {"\xff\xfe ok", R + R + " ok"},
      {"end \xc3", "end " + R},
      {"\xe2\x82", R + R},                 // cut short
      {"\xc0\xaf", R + R},                 // overlong
      {"\xed\xa0\x80", R + R + R},         // a surrogate
      {"\xf4\x90\x80\x80", R + R + R + R}, // above U+10FFFF
      {"a\xd0\xb6\xb6z", "a\xd0\xb6" + R + "z"},
      {"\xed\xbf\xbf", R + R + R},                              // U+DFFF, the last surrogate
      {"\xed\x9f\xbf\xee\x80\x80", "\xed\x9f\xbf\xee\x80\x80"}, // U+D7FF, U+E000
      {"\xf4\x8f\xbf\xbf", "\xf4\x8f\xbf\xbf"},                 // U+10FFFF
      {"\xc2\x80\xe0\x9f\xbf", "\xc2\x80" + R + R + R},         // U+0080; an overlong U+07FF
  };
  for (const auto& row : table)
    EXPECT_EQ(ValidUtf8(row.In), row.Out) << row.In;
}

TEST(Strings, ShownTextCutsLongTextsWithoutSplittingACharacter) {
  const struct {
    std::u16string Text;
    std::size_t Max;
    std::u16string Shown;
  } rows[] = {
      {u"abc", 3, u"abc"},
      {u"abcd", 3, u"ab\u2026"},
      {u"", 0, u""},
      // A pair at the cut goes whole.
      {u"a\U0001F600bc", 3, u"a\u2026"},
      {u"ab\U0001F600c", 4, u"ab\u2026"},
      // The lowest and the highest high surrogates too.
      {u"a\U00010000bc", 3, u"a\u2026"},
      {u"a\U0010FFFFbc", 3, u"a\u2026"},
  };
  for (const auto& row : rows)
    EXPECT_EQ(ShownText(row.Text, row.Max), row.Shown) << Utf16ToUtf8(row.Text);
  EXPECT_EQ(ShownText(std::string("abcdef"), 6), "abcdef");
  EXPECT_EQ(ShownText(std::string("abcdefg"), 6), "abc\u2026");
  // "ё" is two bytes: never split.
  EXPECT_EQ(ShownText(std::string("aaёёёё"), 6), "aa\u2026");
  EXPECT_EQ(ShownText(std::string(10000, 'x'), 4096).size(), 4096u);
}
