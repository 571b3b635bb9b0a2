#include "xml/unXml.h"

#include "platform/unStrings.h"

#include <gtest/gtest.h>
#include <memory>

TEST(XmlDocument, NewDocumentHasAnEmptyConfigRoot) {
  TKvenXmlDocument1 doc;
  EXPECT_EQ(doc.GetRoot()->GetName(), u"Config");
  EXPECT_EQ(doc.GetRoot()->ChildCount(), 0);
  EXPECT_EQ(doc.GetRoot()->GetDocument(), &doc);
  EXPECT_EQ(doc.Encoding, u"Windows-1251");
  EXPECT_EQ(doc.Version, u"1.0");
  EXPECT_EQ(doc.GetXml(),
            u"<? xml version=\"1.0\" encoding=\"Windows-1251\" ?>\r\n<Config></Config>\r\n");
}

TEST(XmlNode, IntegerReadersStorePartialNumbers) {
  struct Row {
    const char16_t* Text;
    std::int32_t Value;
    bool Ok;
  };
  const Row rows[] = {{u"12a", 12, false}, {u"$1F", 31, true}, {u"", 0, false},
                      {u"-7", -7, true},   {u"x10", 16, true}, {u"99999999999", 999999999, false}};
  for (const Row& row : rows) {
    TKvenXmlNode1 node;
    node.WriteString(u"N", row.Text);
    std::int32_t value = -1;
    EXPECT_EQ(node.ReadInteger(u"N", value), row.Ok) << value;
    EXPECT_EQ(value, row.Value);
  }
  TKvenXmlNode1 node;
  std::int32_t untouched = 42;
  EXPECT_FALSE(node.ReadInteger(u"Missing", untouched));
  EXPECT_EQ(untouched, 42);
  node.WriteString(u"B", u"300");
  std::uint8_t byte = 0;
  EXPECT_TRUE(node.ReadByte(u"B", byte));
  EXPECT_EQ(byte, 44);
  node.WriteString(u"L", u"-9000000000");
  std::int64_t large = 0;
  EXPECT_TRUE(node.ReadInt64(u"L", large));
  EXPECT_EQ(large, -9000000000LL);
}

TEST(XmlNode, BooleansAreTheExactWordTrue) {
  TKvenXmlNode1 node;
  for (const char16_t* text : {u"true", u"TRUE", u"1", u""}) {
    node.WriteString(u"F", text);
    bool value = true;
    EXPECT_TRUE(node.ReadBoolean(u"F", value));
    EXPECT_FALSE(value);
  }
  node.WriteBoolean(u"F", true);
  EXPECT_EQ(node.FindChild(u"F")->GetValue(), u"True");
  node.WriteBoolean(u"F", false);
  EXPECT_EQ(node.FindChild(u"F")->GetValue(), u"False");
}

TEST(XmlNode, WritersReuseTheFirstChildAndAppendNewOnes) {
  TKvenXmlNode1 node;
  node.WriteString(u"A", u"a");
  EXPECT_TRUE(node.WriteInteger(u"W", 1));
  EXPECT_TRUE(node.WriteInteger(u"W", -20));
  ASSERT_EQ(node.ChildCount(), 2);
  EXPECT_EQ(node.GetChildNodes().GetNode(1)->GetName(), u"W");
  EXPECT_EQ(node.GetChildNodes().GetNode(1)->GetValue(), u"-20");
  EXPECT_TRUE(node.WriteLargeInt(u"Big", 1LL << 40)); // the whole value
  EXPECT_EQ(node.FindChild(u"Big")->GetValue(), u"1099511627776");
  EXPECT_FALSE(node.WriteInteger(u"", 1));
  EXPECT_TRUE(node.WriteString(u"", u"ignored"));
  EXPECT_EQ(node.ChildCount(), 3);
  EXPECT_EQ(node.GetChild(u""), nullptr);
  EXPECT_EQ(node.ChildCount(), 3);
}

TEST(XmlNode, FloatTextUsesAFullStopBothWays) {
  TKvenXmlNode1 node;
  struct Row {
    double Value;
    const char16_t* Text;
  };
  const Row rows[] = {{1.5, u"1.5"}, {1e20, u"1E20"},     {-0.25, u"-0.25"},
                      {100, u"100"}, {0.0001, u"0.0001"}, {1.5e-7, u"1.5E-7"},
                      {0, u"0"},     {0.1, u"0.1"},       {123456789012345.0, u"123456789012345"}};
  for (const Row& row : rows) {
    node.WriteFloat(u"F", row.Value);
    EXPECT_EQ(node.FindChild(u"F")->GetValue(), row.Text);
    double back = 0;
    EXPECT_TRUE(node.ReadFloat(u"F", back));
    EXPECT_DOUBLE_EQ(back, row.Value);
  }
  node.WriteString(u"F", u"2.5x");
  double partial = 0;
  EXPECT_FALSE(node.ReadFloat(u"F", partial));
  EXPECT_DOUBLE_EQ(partial, 2.5);
  node.WriteString(u"F", u"1,5");
  EXPECT_FALSE(node.ReadFloat(u"F", partial));
}

TEST(XmlNode, DateTimeReadsTheRussianShortFormat) {
  TKvenXmlNode1 node;
  node.WriteString(u"D", u"07.12.2026 05:33:29");
  TDateTime t = 0;
  ASSERT_TRUE(node.ReadDateTime(u"D", t));
  EXPECT_DOUBLE_EQ(t, EncodeDateTime({2026, 12, 7, 5, 33, 29, 0}));
  node.WriteString(u"D", u"31.02.2026");
  t = 7;
  EXPECT_FALSE(node.ReadDateTime(u"D", t));
  EXPECT_EQ(t, 7);
}

TEST(XmlNode, AttributesReplaceExactNamesAndFindIgnoringCase) {
  TKvenXmlNode1 node;
  node.SetAttribute(u"a", u"1");
  node.SetAttribute(u"a", u"2");
  EXPECT_EQ(node.GetAttributeCount(), 1);
  node.SetAttribute(u"A", u"3");
  EXPECT_EQ(node.GetAttributeCount(), 2);
  EXPECT_EQ(node.GetAttribute(u"A"), u"2");
  EXPECT_EQ(node.FindAttribute(u"A", true), u"3");
  node.SetAttribute(u"", u"x");
  EXPECT_EQ(node.GetAttributeCount(), 2);
  node.SetAttribute(u"имя", u"z");
  EXPECT_EQ(node.GetAttribute(u"ИМЯ"), u"z");
  EXPECT_EQ(node.GetAttributeName(5), u"");
  EXPECT_EQ(node.GetAttributeValue(-1), u"");
}

TEST(XmlCollection, RemoveTakesTheNodeOutWithoutDestroyingIt) {
  TKvenXmlDocument1 doc;
  TKvenXmlNode1* root = doc.GetRoot();
  root->AddChild(u"first");
  TKvenXmlNode1* second = root->AddChild(u"second");
  root->AddChild(u"third");
  EXPECT_EQ(second->GetDocument(), &doc);
  ASSERT_TRUE(root->GetChildNodes().Remove(second));
  EXPECT_EQ(root->ChildCount(), 2);
  EXPECT_EQ(root->GetChildNodes().GetNode(0)->GetName(), u"first");
  EXPECT_EQ(root->GetChildNodes().GetNode(1)->GetName(), u"third");
  EXPECT_EQ(second->GetName(), u"second"); // still alive, now ours
  EXPECT_FALSE(root->GetChildNodes().Remove(second));
  second->Dispose();
  EXPECT_EQ(root->GetChildNodes().GetNode(2), nullptr);
  root->Clear();
  EXPECT_EQ(root->ChildCount(), 0);
  EXPECT_EQ(root->GetName(), u"Config");
}

TEST(XmlText, CleanSpacesFlags) {
  EXPECT_EQ(CleanSpaces(u"  a   b  ", csLeading), u"a   b  ");
  EXPECT_EQ(CleanSpaces(u"  a   b  ", csTrailing), u"  a   b");
  EXPECT_EQ(CleanSpaces(u"  a   b  ", csLeading | csTrailing | csRuns), u"a b");
  EXPECT_EQ(CleanSpaces(u"\r\n x \r\n", csLeading | csTrailing), u"x");
  EXPECT_EQ(CleanSpaces(u"    ", csLeading), u"");
  EXPECT_EQ(CleanSpaces(u"", csRuns), u"");
  EXPECT_EQ(CleanSpaces(u"a\t\tb", csRuns), u"a\t\tb");
}

TEST(XmlText, EscapeAndUnescape) {
  EXPECT_EQ(EscapeText(u"x<y & z>\"'"), u"x&lt;y &amp; z&gt;\"'");
  EXPECT_EQ(EscapeAttributeText(u"say \"hi\""), u"say &quot;hi&quot;");
  EXPECT_EQ(EscapeText(u"a\r\nb\tc"), u"a&#13;&#10;b&#9;c");
  EXPECT_EQ(UnescapeText(u"a&lt;b&gt;c&amp;d&quot;e&apos;f"), u"a<b>c&d\"e'f");
  EXPECT_EQ(UnescapeText(u"&#1046;&#x416;&#128512;"), u"ЖЖ\U0001F600");
  // A bare '&' or an unknown entity stays as it stands.
  EXPECT_EQ(UnescapeText(u"R&D &nbsp; & &#; &#xZZ; &"), u"R&D &nbsp; & &#; &#xZZ; &");
  EXPECT_EQ(UnescapeText(u"&amp;lt;"), u"&lt;");
}

TEST(XmlText, ParseTagTextAttributeRules) {
  TAttributes attrs;
  EXPECT_EQ(ParseTagText(u"N", attrs), u"N");
  EXPECT_TRUE(attrs.empty());
  EXPECT_EQ(ParseTagText(u"N a=1", attrs), u"N");
  ASSERT_EQ(attrs.size(), 1u);
  EXPECT_EQ(attrs[0].Name, u"a");
  EXPECT_EQ(attrs[0].Value, u""); // unquoted value at the end
  attrs.clear();
  ParseTagText(u"N a=1 b=\"2\"", attrs);
  ASSERT_EQ(attrs.size(), 2u);
  EXPECT_EQ(attrs[0].Value, u"1");
  EXPECT_EQ(attrs[1].Value, u"2");
  attrs.clear();
  ParseTagText(u"N  x=\"1\"", attrs); // a second space joins the attribute's name
  ASSERT_EQ(attrs.size(), 1u);
  EXPECT_EQ(attrs[0].Name, u" x");
  attrs.clear();
  ParseTagText(u"N a=\"x &amp;  y\"   b=\"two  spaces\" c=\"&#32; &#32;\"", attrs);
  ASSERT_EQ(attrs.size(), 3u);
  EXPECT_EQ(attrs[0].Value, u"x &  y"); // the first value is taken before any clean-up
  EXPECT_EQ(attrs[1].Name, u"b");
  EXPECT_EQ(attrs[1].Value, u"two spaces"); // runs after a value are reduced, quotes or not
  EXPECT_EQ(attrs[2].Value, u"   ");        // references are not spaces to the clean-up
  attrs.clear();
  ParseTagText(u"N  a=\"1\"  b=\"x   y\"", attrs);
  ASSERT_EQ(attrs.size(), 2u);
  EXPECT_EQ(attrs[0].Name, u" a");
  EXPECT_EQ(attrs[1].Name, u"b");
  EXPECT_EQ(attrs[1].Value, u"x y");
}

TEST(XmlName, EveryNameReadsBackWhereverItIsKept) {
  // Names shared by many elements, numbered names, and more different names than the shared table
  // takes: each element keeps its own.
  std::u16string text = u"<r>";
  std::vector<std::u16string> names;
  for (int i = 0; i < 70000; ++i) {
    std::u16string name = u"n";
    for (int k = i; k > 0; k /= 26)
      name += static_cast<char16_t>(u'a' + k % 26);
    names.push_back(i % 3 == 0 ? u"Module" + name + u"7" : name);
  }
  for (int i = 0; i < 100; ++i)
    names.push_back(u"Shared");
  for (const std::u16string& name : names)
    text += u"<" + name + u"/>";
  text += u"</r>";
  TKvenXmlDocument1 doc;
  ASSERT_TRUE(doc.LoadXml(text));
  ASSERT_EQ(doc.GetRoot()->ChildCount(), static_cast<std::int32_t>(names.size()));
  for (std::size_t i = 0; i < names.size(); ++i)
    ASSERT_EQ(doc.GetRoot()->GetChildNodes().GetNode(static_cast<std::int32_t>(i))->GetName(),
              names[i])
        << i;
  // Renaming one element leaves the others of its name alone.
  TKvenXmlNode1* first = doc.GetRoot()->FindChild(u"Shared");
  first->SetName(u"Other");
  EXPECT_EQ(doc.GetRoot()->GetChildNodes().GetNode(70001)->GetName(), u"Shared");
  EXPECT_EQ(first->GetName(), u"Other");
  first->SetName(u"");
  EXPECT_EQ(first->GetName(), u"");
  EXPECT_EQ(doc.GetRoot()->FindChild(u"Shared"), doc.GetRoot()->GetChildNodes().GetNode(70001));
  // Self-closing tags, with and without a space, name their element without the '/'.
  TKvenXmlDocument1 slashes;
  ASSERT_TRUE(slashes.LoadXml(u"<a><Name/><Name /><Other/ ></a>"));
  EXPECT_EQ(slashes.GetRoot()->GetChildNodes().GetNode(0)->GetName(), u"Name");
  EXPECT_EQ(slashes.GetRoot()->GetChildNodes().GetNode(1)->GetName(), u"Name");
  EXPECT_EQ(slashes.GetRoot()->GetChildNodes().GetNode(2)->GetName(), u"Other");
}

TEST(XmlName, ElementsOfOneNameShareItsTextAndNumberedOnesKeepTheirOwn) {
  TKvenXmlDocument1 doc;
  ASSERT_TRUE(doc.LoadXml(u"<r><Shared/><Other/><Shared/><Module12/><Module12/></r>"));
  const TKvenXmlCollection& children = doc.GetRoot()->GetChildNodes();
  EXPECT_EQ(children.GetNode(0)->GetName().data(), children.GetNode(2)->GetName().data());
  EXPECT_NE(children.GetNode(0)->GetName().data(), children.GetNode(1)->GetName().data());
  EXPECT_NE(children.GetNode(3)->GetName().data(), children.GetNode(4)->GetName().data());
  EXPECT_EQ(children.GetNode(4)->GetName(), u"Module12");
  // Set by a program, the same.
  TKvenXmlNode1* added = doc.GetRoot()->AddChild(u"Shared");
  EXPECT_EQ(added->GetName().data(), children.GetNode(0)->GetName().data());
}

TEST(XmlDocument, ANodeFromOtherMemoryIsCopiedInWholeAndOutlivesWhereItCameFrom) {
  TKvenXmlDocument1 target;
  {
    auto source = std::make_unique<TKvenXmlDocument1>();
    ASSERT_TRUE(source->LoadXml(u"<r><a x=\"1\" y=\"two words\"><b>a text long enough to be "
                                u"kept apart</b><Module12>7</Module12></a></r>"));
    TKvenXmlNode1* a = source->GetRoot()->FindChild(u"a");
    ASSERT_TRUE(source->GetRoot()->GetChildNodes().Remove(a));
    target.GetRoot()->GetChildNodes().Add(std::unique_ptr<TKvenXmlNode1>(a));
    // A node made on the heap, with a child of its own, is taken in the same way.
    auto loose = std::make_unique<TKvenXmlNode1>();
    loose->SetName(u"Loose");
    loose->AddChild(u"Inner")->SetValue(u"inner value that needs its own memory");
    target.GetRoot()->GetChildNodes().Add(std::move(loose));
  } // the source document and its memory are gone
  const TKvenXmlNode1* a = target.GetRoot()->FindChild(u"a");
  ASSERT_NE(a, nullptr);
  EXPECT_EQ(a->GetDocument(), &target);
  EXPECT_EQ(a->GetMemory(), target.GetRoot()->GetMemory());
  EXPECT_EQ(a->GetXml(), u"<a x=\"1\" y=\"two words\"><b>a text long enough to be kept apart</b>"
                         u"<Module12>7</Module12></a>");
  const TKvenXmlNode1* inner = target.GetRoot()->FindChild(u"Loose")->FindChild(u"Inner");
  ASSERT_NE(inner, nullptr);
  EXPECT_EQ(inner->GetValue(), u"inner value that needs its own memory");
  EXPECT_EQ(inner->GetDocument(), &target);
  // Children destroyed while the document lives give their memory back for the next ones.
  target.GetRoot()->Clear();
  EXPECT_EQ(target.GetRoot()->ChildCount(), 0);
  target.GetRoot()->WriteString(u"After", u"a value written after the clear");
  EXPECT_EQ(target.GetRoot()->FindChild(u"After")->GetValue(), u"a value written after the clear");
}

TEST(XmlModel, ANodeMadeInOtherMemoryIsCopiedIntoTheDocumentWhenAdded) {
  TKvenXmlDocument1 doc;
  TKvenXmlDocument1 other;
  // One with the document's texts but its block on the heap, and one of another document.
  auto heap = std::make_unique<TKvenXmlNode1>(&doc);
  heap->SetName(u"Heap");
  heap->AddChild(u"Inner")->SetValue(u"v");
  const TKvenXmlNode1* heapWas = heap.get();
  auto foreign = TKvenXmlNode1::Make(&other, other.GetRoot()->GetMemory());
  foreign->SetName(u"Foreign");
  const TKvenXmlNode1* foreignWas = foreign.get();
  auto own = TKvenXmlNode1::Make(&doc, doc.GetRoot()->GetMemory());
  own->SetName(u"Own");
  const TKvenXmlNode1* ownWas = own.get();
  TKvenXmlCollection& children = doc.GetRoot()->GetChildNodes();
  children.Add(std::move(heap));
  children.Add(std::move(foreign));
  children.Add(std::move(own));
  EXPECT_NE(children.GetNode(0), heapWas);
  EXPECT_NE(children.GetNode(1), foreignWas);
  EXPECT_EQ(children.GetNode(2), ownWas);
  EXPECT_EQ(children.GetNode(0)->GetName(), u"Heap");
  EXPECT_EQ(children.GetNode(0)->FindChild(u"Inner")->GetValue(), u"v");
  EXPECT_EQ(children.GetNode(1)->GetName(), u"Foreign");
  for (int i = 0; i < 3; ++i)
    EXPECT_EQ(children.GetNode(i)->GetMemory(), doc.GetRoot()->GetMemory());
}

TEST(XmlModel, DamagedMarkupFailsInANodeWithoutADocument) {
  for (const char16_t* text : {u"<a>", u"<a></b>", u"<a", u"<a><b></a>"}) {
    TKvenXmlNode1 node;
    EXPECT_FALSE(node.ParseElement(text)) << Utf16ToUtf8(text);
  }
  TKvenXmlNode1 node;
  EXPECT_TRUE(node.ParseElement(u"<a><b>x</b></a>"));
}
