#include "XmlTestSupport.h"
#include "xml/unXml.h"

#include <gtest/gtest.h>

TEST(XmlReader, SelfClosingAndEmptyRootsBothParse) {
  for (const char16_t* text : {u"<r/>", u"<r></r>", u"<r />", u"  <r/>  ", u"<r/ >"}) {
    TKvenXmlDocument1 doc;
    EXPECT_TRUE(doc.LoadXml(text)) << Utf16ToUtf8(text);
    EXPECT_EQ(doc.GetRoot()->GetName(), u"r");
  }
}

TEST(XmlReader, ElementsValuesAndCompactTextRoundTrip) {
  TKvenXmlNode1 p;
  ASSERT_TRUE(p.ParseElement(u"<P><A>1</A><B /><C>x</C></P>"));
  ASSERT_EQ(p.ChildCount(), 3);
  EXPECT_EQ(p.GetChildNodes().GetNode(0)->GetValue(), u"1");
  EXPECT_EQ(p.GetChildNodes().GetNode(1)->GetName(), u"B");
  EXPECT_EQ(p.GetChildNodes().GetNode(1)->GetValue(), u"");
  EXPECT_EQ(p.GetChildNodes().GetNode(2)->GetValue(), u"x");
  EXPECT_EQ(p.GetXml(), u"<P><A>1</A><B /><C>x</C></P>");
}

TEST(XmlReader, EntitiesAreDecodedAtEveryDepthAndInAttributes) {
  TKvenXmlNode1 p;
  ASSERT_TRUE(
      p.ParseElement(u"<P k=\"a&quot;b&lt;\"><T>a&lt;b &amp; c&#33;</T><U><V>&gt;</V></U></P>"));
  EXPECT_EQ(p.FindChild(u"T")->GetValue(), u"a<b & c!");
  EXPECT_EQ(p.FindChild(u"U")->FindChild(u"V")->GetValue(), u">");
  TKvenXmlDocument1 doc;
  ASSERT_TRUE(doc.LoadXml(u"<r><a><b><c/></b></a></r>"));
  // Every parsed node reports to the document, at every depth.
  const TKvenXmlNode1* c = doc.GetRoot()->FindChild(u"a")->FindChild(u"b")->FindChild(u"c");
  ASSERT_NE(c, nullptr);
  EXPECT_EQ(c->GetDocument(), &doc);
  EXPECT_EQ(p.GetAttribute(u"k"), u"a\"b<");
  TKvenXmlNode1 plain;
  plain.SetXml(u"a&lt;b");
  EXPECT_EQ(plain.GetValue(), u"a<b");
}

TEST(XmlReader, TextIsKeptExactlyAndLayoutBetweenTagsIsNot) {
  TKvenXmlNode1 p;
  ASSERT_TRUE(p.ParseElement(
      u"<P>\r\n  <A>  two  spaces  </A>\r\n  <B>   </B>\r\n  <C>line1\r\nline2</C>\r\n</P>"));
  EXPECT_EQ(p.GetValue(), u"");
  EXPECT_EQ(p.FindChild(u"A")->GetValue(), u"  two  spaces  ");
  EXPECT_EQ(p.FindChild(u"B")->GetValue(), u"   ");
  EXPECT_EQ(p.FindChild(u"C")->GetValue(), u"line1\r\nline2");
}

TEST(XmlReader, CommentsInstructionsAndCdataAreUnderstood) {
  TKvenXmlNode1 p;
  ASSERT_TRUE(p.ParseElement(u"<!-- lead --><P><!-- a <b> comment --><A><![CDATA[<raw & "
                             u"text>]]></A><?pi x?><B>1</B></P>"));
  EXPECT_EQ(p.GetName(), u"P");
  ASSERT_EQ(p.ChildCount(), 2);
  EXPECT_EQ(p.FindChild(u"A")->GetValue(), u"<raw & text>");
  EXPECT_EQ(p.FindChild(u"B")->GetValue(), u"1");
}

TEST(XmlReader, StructuralDamageFailsWithAMessage) {
  struct Row {
    const char16_t* Text;
    const char* Message;
  };
  const Row rows[] = {
      {u"<r><a>1</a>", "Не найден закрывающий тег \"</r>\" Line=1"},
      {u"<r>\r\n<a>1</b>\r\n</r>",
       "Закрывающий тег \"</b>\" не соответствует элементу \"a\" Line=2"},
      {u"<r><a", "Не найдена закрывающая символ \">\""},
      {u"<r", "Не найден закрывающий символ \">\""},
      {u"<r<c/>", "Не найден закрывающий символ \">\""},
      {u"<r><a<c/></r>", "Не найдена закрывающая символ \">\""},
      {u"<r><!-- open", "Не найден конец комментария \"-->\" Line=1"},
      {u"<?xml version=\"1.0\"", "Не найден закрывающий тег \"?>\" Line=1"},
  };
  for (const Row& row : rows) {
    TRecordingLog log;
    TKvenXmlDocument1 doc(u"", log.Handler());
    EXPECT_FALSE(doc.LoadXml(row.Text)) << row.Message;
    EXPECT_EQ(log.Errors(), std::vector<std::string>{row.Message});
    for (const auto& e : log.Entries)
      EXPECT_EQ(e.Group, lgGeneral);
  }
}

TEST(XmlReader, AStandaloneNodeFailsSilently) {
  TKvenXmlNode1 node;
  EXPECT_FALSE(node.ParseElement(u"<r><a>"));
}

TEST(XmlReader, DeepNestingFailsCleanly) {
  std::u16string text;
  const int depth = 100000;
  text.reserve(depth * 8);
  for (int i = 0; i < depth; ++i)
    text += u"<a>";
  for (int i = 0; i < depth; ++i)
    text += u"</a>";
  TRecordingLog log;
  TKvenXmlDocument1 doc(u"", log.Handler());
  EXPECT_FALSE(doc.LoadXml(text));
  ASSERT_EQ(log.Errors().size(), 1u);
  EXPECT_EQ(log.Errors()[0], "Превышена допустимая глубина вложенности элементов (10000) Line=1");

  // Exactly at the limit still parses.
  std::u16string limit;
  for (int i = 0; i < XmlMaxDepth; ++i)
    limit += u"<a>";
  for (int i = 0; i < XmlMaxDepth; ++i)
    limit += u"</a>";
  TKvenXmlDocument1 ok;
  EXPECT_TRUE(ok.LoadXml(limit));
}

TEST(XmlReader, DeclarationsAreReadAsBefore) {
  TKvenXmlDocument1 doc;
  ASSERT_TRUE(doc.LoadXml(u"<?xml version=\"1.1\"?><r></r>"));
  EXPECT_EQ(doc.Version, u"1.1");
  EXPECT_EQ(doc.Encoding, u"");
  EXPECT_TRUE(doc.GetXml().starts_with(u"<? xml version=\"1.1\" ?>\r\n"));

  // The library's own form has a space after "<?": it is an instruction, not the declaration.
  struct TInstructions : TKvenXmlDocument1 {
    bool OnInstruction(TKvenXmlNode1* node) override {
      Seen.push_back(node->GetAttribute(u"xml version"));
      return true;
    }
    std::vector<std::u16string> Seen;
  } own;
  ASSERT_TRUE(own.LoadXml(u"<? xml version=\"2.0\" encoding=\"UTF-8\" ?>\r\n<r></r>"));
  EXPECT_EQ(own.Version, u"1.0");
  EXPECT_EQ(own.Encoding, u"Windows-1251");
  EXPECT_EQ(own.Seen, std::vector<std::u16string>{u"2.0"});
}

TEST(XmlReader, TheDeclarationCounterCountsLines) {
  TRecordingLog log;
  TKvenXmlDocument1 doc(u"", log.Handler());
  EXPECT_FALSE(doc.LoadXml(u"<?a?><?b"));
  EXPECT_EQ(log.Errors(), std::vector<std::string>{"Не найден закрывающий тег \"?>\" Line=3"});
}

TEST(XmlReader, LoadingAddsToTheExistingRoot) {
  TKvenXmlDocument1 doc;
  ASSERT_TRUE(doc.LoadXml(u"<r><a>1</a></r>"));
  ASSERT_TRUE(doc.LoadXml(u"<r><b>2</b></r>"));
  EXPECT_EQ(doc.GetRoot()->ChildCount(), 2);
}

TEST(XmlReader, AFileWrittenTheOldWayLoadsAsBefore) {
  TTempFolder folder;
  const std::u16string file = folder.File("old.xml");
  WriteBytes(file, "<? xml version=\"1.0\" encoding=\"Windows-1251\" ?>\r\n"
                   "<Kven_ZU_Programming_Project>\r\n"
                   "  <Name>R&D \xCF\xF0\xEE\xE5\xEA\xF2</Name>\r\n"
                   "  <ModuleMain>\r\n"
                   "    <Name>Main</Name>\r\n"
                   "    <Description>a &lt; b</Description>\r\n"
                   "    <Type></Type>\r\n"
                   "  </ModuleMain>\r\n"
                   "</Kven_ZU_Programming_Project>\r\n"
                   "\r\n");
  TRecordingLog log;
  TKvenXmlDocument1 doc(u"", log.Handler());
  ASSERT_TRUE(doc.LoadFromFile(file));
  TKvenXmlNode1* root = doc.GetRoot();
  EXPECT_EQ(root->GetName(), u"Kven_ZU_Programming_Project");
  EXPECT_EQ(root->FindChild(u"Name")->GetValue(), u"R&D Проект");
  TKvenXmlNode1* main = root->FindChild(u"ModuleMain");
  ASSERT_NE(main, nullptr);
  EXPECT_EQ(main->ChildCount(), 3);
  EXPECT_EQ(main->FindChild(u"Description")->GetValue(), u"a < b");
  EXPECT_EQ(main->FindChild(u"Type")->GetValue(), u"");
  EXPECT_EQ(doc.FileName, file);
  ASSERT_FALSE(log.Entries.empty());
  EXPECT_EQ(log.Entries[0].Type, ltInformation);
  EXPECT_EQ(log.Entries[0].Text, "Загрузка XML файла \"" + Utf16ToUtf8(file) + "\"");
}

TEST(XmlReader, EndOfFileCharacterEndsTheText) {
  TTempFolder folder;
  const std::u16string file = folder.File("eof.xml");
  WriteBytes(file, "<r><a>1</a></r>\x1A<junk");
  TKvenXmlDocument1 doc;
  EXPECT_TRUE(doc.LoadFromFile(file));
  EXPECT_EQ(doc.GetRoot()->ChildCount(), 1);
}

TEST(XmlReader, AMissingFileIsFalse) {
  TKvenXmlDocument1 doc;
  EXPECT_FALSE(doc.LoadFromFile(u"/nonexistent/zu/file.xml"));
}

TEST(XmlReader, LineBreaksInsideATagSeparateLikeSpaces) {
  TKvenXmlDocument1 doc;
  ASSERT_TRUE(doc.LoadXml(u"<K\r\n  g=\"1\"\tk=\"2\"><A\r\n>x</A\r\n></K\r\n>"));
  const TKvenXmlNode1* root = doc.GetRoot();
  EXPECT_EQ(root->GetName(), u"K");
  EXPECT_EQ(root->GetAttribute(u"k"), u"2");
  EXPECT_EQ(root->FindChild(u"A")->GetValue(), u"x");
  TKvenXmlDocument1 again;
  ASSERT_TRUE(again.LoadXml(doc.GetXml()));
  EXPECT_EQ(again.GetRoot()->FormatXml(u""), root->FormatXml(u""));
}

TEST(XmlReader, AnEndTagInPlaceOfTheRootFails) {
  TRecordingLog log;
  TKvenXmlDocument1 doc(u"", log.Handler());
  EXPECT_FALSE(doc.LoadXml(u"<!x>Main<//>"));
  EXPECT_EQ(log.Errors(),
            std::vector<std::string>{"Закрывающий тег \"<//>\" без открывающего Line=1"});
}

TEST(XmlReader, NamesNeverEndWithASlash) {
  for (const char16_t* text : {u"<a//>", u"<a/ b></a>"}) {
    TKvenXmlDocument1 doc;
    ASSERT_TRUE(doc.LoadXml(text)) << Utf16ToUtf8(text);
    EXPECT_EQ(doc.GetRoot()->GetName(), u"a");
    TKvenXmlDocument1 again;
    ASSERT_TRUE(again.LoadXml(doc.GetXml()));
    EXPECT_EQ(again.GetRoot()->FormatXml(u""), doc.GetRoot()->FormatXml(u""));
  }
}

TEST(XmlReader, AnInstructionLaterInTheTextSwallowsWhatComesBeforeIt) {
  TKvenXmlDocument1 doc;
  ASSERT_TRUE(doc.LoadXml(u"<r><a>1</a><?pi?><b>2</b></r>"));
  EXPECT_EQ(doc.GetRoot()->GetName(), u"b");
  EXPECT_EQ(doc.GetRoot()->GetValue(), u"2");
  EXPECT_EQ(doc.GetRoot()->ChildCount(), 0);
}

TEST(XmlReader, ADeclarationWithoutAnElementIsReported) {
  const struct {
    const char16_t* Text;
    std::vector<std::string> Errors;
    bool Element;
  } rows[] = {
      {u"<?xml version=\"1.0\"?>", {"Не задан элемент Line=1"}, false},
      {u"<?a?>\r\n<?b?>tail", {"Не задан элемент Line=3"}, false}, // one per line and per step
      {u"<?a?><r/>", {}, true},
      {u"no markup", {}, false},
  };
  for (const auto& row : rows) {
    TRecordingLog log;
    TKvenXmlDocument1 doc(u"", log.Handler());
    EXPECT_TRUE(doc.LoadXml(row.Text)) << Utf16ToUtf8(row.Text);
    EXPECT_EQ(log.Errors(), row.Errors) << Utf16ToUtf8(row.Text);
    EXPECT_EQ(doc.HasElement(), row.Element) << Utf16ToUtf8(row.Text);
  }
}
