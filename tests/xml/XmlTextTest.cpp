#include "XmlTestSupport.h"
#include "platform/unIntText.h"
#include "xml/unXml.h"

#include <gtest/gtest.h>
#include <random>

namespace {

// The clean-up and the tag reading step by step as they are described, with the text erased
// from the front: slow, but plainly right, for the fast ones to be held against.
std::u16string SlowCleanSpaces(std::u16string t, int flags) {
  for (bool changed = true; changed;) {
    changed = false;
    if (flags & csLeading) {
      while (!t.empty() && t.front() == u' ') {
        t.erase(0, 1);
        changed = true;
      }
      if (t.empty())
        return t;
    }
    if (flags & csTrailing) {
      while (!t.empty() && t.back() == u' ') {
        t.pop_back();
        changed = true;
      }
      if (t.empty())
        return t;
    }
    if (flags & csRuns)
      for (std::size_t p; (p = t.find(u"  ")) != std::u16string::npos;)
        t.erase(p, 1);
    if (t.size() >= 2 && t.starts_with(u"\r\n")) {
      t.erase(0, 2);
      changed = true;
    }
    if (t.size() >= 2 && t.ends_with(u"\r\n")) {
      t.erase(t.size() - 2);
      changed = true;
    }
  }
  return t;
}

std::u16string SlowParseTagText(std::u16string t, TAttributes& attributes) {
  const std::size_t space = t.find(u' ');
  if (space == std::u16string::npos)
    return t;
  const std::u16string name = t.substr(0, space);
  t.erase(0, space + 1);
  while (!t.empty()) {
    const std::size_t eq = t.find(u'=');
    if (eq == std::u16string::npos)
      break;
    const std::u16string attrName = t.substr(0, eq);
    t.erase(0, eq + 1);
    std::u16string value;
    const std::size_t end = t.empty()           ? std::u16string::npos
                            : t.front() == u'"' ? t.find(u'"', 1)
                                                : t.find(u' ');
    if (end != std::u16string::npos) {
      const bool quoted = t.front() == u'"';
      value = UnescapeText(quoted ? t.substr(1, end - 1) : t.substr(0, end));
      t = SlowCleanSpaces(t.substr(end + 1), csLeading | csTrailing | csRuns);
    }
    SetAttributeValue(attributes, attrName, value);
  }
  return name;
}

std::u16string Random(std::mt19937& random, std::u16string_view alphabet, std::size_t maxLength) {
  std::u16string out(random() % (maxLength + 1), u' ');
  for (char16_t& c : out)
    c = alphabet[random() % alphabet.size()];
  return out;
}

} // namespace

TEST(XmlText, CleanSpacesAndTagTextMatchTheStepByStepRules) {
  std::mt19937 random(7);
  for (int i = 0; i < 20000; ++i) {
    const std::u16string text = Random(random, u"  \r\na", 12);
    const int flags = static_cast<int>(random() % 8);
    ASSERT_EQ(CleanSpaces(text, flags), SlowCleanSpaces(text, flags))
        << Utf16ToUtf8(text) << " flags " << flags;
  }
  for (int i = 0; i < 20000; ++i) {
    const std::u16string tag = Random(random, u"  ==\"\"ab\r\n&", 24);
    TAttributes fast, slow;
    ASSERT_EQ(ParseTagText(tag, fast), SlowParseTagText(tag, slow)) << Utf16ToUtf8(tag);
    ASSERT_EQ(fast.size(), slow.size()) << Utf16ToUtf8(tag);
    for (std::size_t k = 0; k < fast.size(); ++k) {
      ASSERT_EQ(fast[k].Name, slow[k].Name) << Utf16ToUtf8(tag);
      ASSERT_EQ(fast[k].Value, slow[k].Value) << Utf16ToUtf8(tag);
    }
  }
}

TEST(XmlText, ManyAttributesKeepFirstInsertionOrderAndReplaceInPlace) {
  // Past the size where names are looked up through a hash.
  std::u16string tag = u"N";
  for (int i = 0; i < 40; ++i)
    tag += u" a" + IntToText(i % 30) + u"=\"" + IntToText(i) + u"\"";
  TAttributes attributes{{u"a5", u"old"}};
  ParseTagText(tag, attributes);
  ASSERT_EQ(attributes.size(), 30u);
  EXPECT_EQ(attributes[0].Name, u"a5");
  EXPECT_EQ(attributes[0].Value, u"35");
  EXPECT_EQ(attributes[1].Name, u"a0");
  EXPECT_EQ(attributes[1].Value, u"30");
  EXPECT_EQ(attributes[29].Value, u"29");
}

TEST(XmlText, CharacterReferencesBeyondUnicodeStayText) {
  const struct {
    const char16_t* Text;
    const char16_t* Value;
  } rows[] = {
      {u"&#x41;", u"A"},
      {u"&#x0000000041;", u"A"}, // leading zeros are still the same number
      {u"&#x10FFFF;", u"\U0010FFFF"},
      {u"&#x110000;", u"&#x110000;"},
      {u"&#x100000041;", u"&#x100000041;"}, // nine digits must not wrap to 'A'
      {u"&#4294967361;", u"&#4294967361;"}, // 2^32 + 65 in decimal
      {u"&#1114111;", u"\U0010FFFF"},
      {u"&#1114112;", u"&#1114112;"},
  };
  for (const auto& row : rows)
    EXPECT_EQ(UnescapeText(row.Text), row.Value) << Utf16ToUtf8(row.Text);
}
