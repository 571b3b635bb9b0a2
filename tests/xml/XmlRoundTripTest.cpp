#include "XmlTestSupport.h"
#include "xml/unXml.h"

#include <gtest/gtest.h>
#include <random>

namespace {

const std::u16string NameAlphabet = u"abcXYZ_Имяж019";
const std::u16string ValueAlphabet =
    u"<>&\"' \r\n\tabcЖжЁ\u4E2D\u00E9;#\u0098" // markup, space runs, controls, Cyrillic, outside
                                               // 1251
    u"\U0001F600";                             // outside the BMP (a surrogate pair)

std::u16string Pick(std::mt19937& random, const std::u16string& alphabet, int length) {
  std::u16string out;
  std::uniform_int_distribution<std::size_t> index(0, alphabet.size() - 1);
  while (static_cast<int>(out.size()) < length) {
    char16_t c = alphabet[index(random)];
    if (c >= 0xD800 && c <= 0xDBFF) {
      out += u"\U0001F600";
    } else if (c >= 0xDC00 && c <= 0xDFFF) {
      out += u' ';
    } else {
      out += c;
    }
  }
  return out;
}

void Fill(TKvenXmlNode1& node, std::mt19937& random, int depth) {
  std::uniform_int_distribution<int> count(0, depth > 0 ? 4 : 0), length(0, 12), attrs(0, 2);
  for (int a = attrs(random); a > 0; --a)
    node.SetAttribute(Pick(random, u"abcdef", 1 + length(random) % 5),
                      Pick(random, ValueAlphabet, length(random)));
  const int children = count(random);
  if (children == 0) {
    std::u16string value = Pick(random, ValueAlphabet, length(random));
    switch (random() % 4) {
    case 0:
      value = u"  " + value + u"  "; // leading and trailing spaces
      break;
    case 1:
      value = u"   "; // only spaces
      break;
    default:
      break;
    }
    node.SetValue(value);
    return;
  }
  for (int i = 0; i < children; ++i) {
    TKvenXmlNode1* child = node.AddChild(Pick(random, NameAlphabet, 1 + length(random) % 6));
    Fill(*child, random, depth - 1);
  }
}

void ExpectSame(const TKvenXmlNode1& a, const TKvenXmlNode1& b, const std::string& path) {
  ASSERT_EQ(a.GetName(), b.GetName()) << path;
  ASSERT_EQ(a.GetAttributeCount(), b.GetAttributeCount()) << path;
  for (std::int32_t i = 0; i < a.GetAttributeCount(); ++i) {
    EXPECT_EQ(a.GetAttributeName(i), b.GetAttributeName(i)) << path;
    EXPECT_EQ(a.GetAttributeValue(i), b.GetAttributeValue(i)) << path;
  }
  ASSERT_EQ(a.ChildCount(), b.ChildCount()) << path;
  if (a.ChildCount() == 0) {
    EXPECT_EQ(a.GetValue(), b.GetValue()) << path;
  }
  for (std::int32_t i = 0; i < a.ChildCount(); ++i)
    ExpectSame(*a.GetChildNodes().GetNode(i), *b.GetChildNodes().GetNode(i),
               path + "/" + Utf16ToUtf8(a.GetChildNodes().GetNode(i)->GetName()));
}

} // namespace

TEST(XmlRoundTrip, GeneratedTreesSurviveAFile) {
  TTempFolder folder;
  const std::u16string file = folder.File("round.xml");
  for (unsigned seed = 1; seed <= 200; ++seed) {
    std::mt19937 random(seed);
    TKvenXmlDocument1 doc;
    doc.GetRoot()->SetName(u"Root");
    Fill(*doc.GetRoot(), random, 4);
    // The bytes of a file, through the file itself for every tenth tree: each save is flushed
    // to the disk, and the bytes are the same either way.
    TKvenXmlDocument1 back;
    if (seed % 10 == 0) {
      ASSERT_TRUE(doc.SaveToFile(file));
      ASSERT_TRUE(back.LoadFromFile(file)) << "seed " << seed;
    } else {
      TByteBuffer bytes = doc.GetXmlBytes();
      bytes.Append("\r\n");
      ASSERT_TRUE(back.LoadXmlBytes(bytes.View())) << "seed " << seed;
    }
    ExpectSame(*doc.GetRoot(), *back.GetRoot(), "seed " + std::to_string(seed));
    if (HasFatalFailure())
      return;
  }
}

TEST(XmlRoundTrip, CompactMarkupParsesBackToTheSameTree) {
  for (unsigned seed = 1; seed <= 200; ++seed) {
    std::mt19937 random(seed);
    TKvenXmlNode1 node;
    node.SetName(u"P");
    Fill(node, random, 3);
    TKvenXmlNode1 back;
    ASSERT_TRUE(back.ParseElement(node.GetXml())) << "seed " << seed;
    ExpectSame(node, back, "seed " + std::to_string(seed));
    if (HasFatalFailure())
      return;
  }
}
