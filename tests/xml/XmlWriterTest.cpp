#include "XmlTestSupport.h"
#include "xml/unXml.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

TEST(XmlWriter, ANewDocumentOnDisk) {
  TTempFolder folder;
  const std::u16string file = folder.File("new.xml");
  TKvenXmlDocument1 doc;
  ASSERT_TRUE(doc.SaveToFile(file));
  EXPECT_EQ(ReadBytes(file), "<? xml version=\"1.0\" encoding=\"Windows-1251\" ?>\r\n"
                             "<Config></Config>\r\n"
                             "\r\n");
  TKvenXmlDocument1 back;
  EXPECT_TRUE(back.LoadFromFile(file));
  EXPECT_EQ(back.GetRoot()->GetName(), u"Config");
  EXPECT_EQ(back.Encoding, u"Windows-1251");
  EXPECT_EQ(back.Version, u"1.0");
}

TEST(XmlWriter, IndentedLayout) {
  TKvenXmlDocument1 doc;
  doc.GetRoot()->SetName(u"R");
  doc.GetRoot()->WriteString(u"Title", u"");
  TKvenXmlNode1* inner = doc.GetRoot()->GetChild(u"Inner");
  inner->WriteInteger(u"N", 5);
  inner->SetAttribute(u"k", u"v \"q\"");
  doc.GetRoot()->AddChild(u""); // an empty name writes nothing
  EXPECT_EQ(doc.GetXml(), u"<? xml version=\"1.0\" encoding=\"Windows-1251\" ?>\r\n"
                          u"<R>\r\n"
                          u"  <Title></Title>\r\n"
                          u"  <Inner k=\"v &quot;q&quot;\">\r\n"
                          u"    <N>5</N>\r\n"
                          u"  </Inner>\r\n"
                          u"</R>\r\n");
  doc.Version.clear();
  EXPECT_TRUE(doc.GetXml().starts_with(u"<R>\r\n"));
}

TEST(XmlWriter, ValuesAreEscapedAndStayOnOneLine) {
  TKvenXmlNode1 node;
  node.SetName(u"V");
  node.SetValue(u"x<y & \"z\"\r\n\t");
  EXPECT_EQ(node.GetXml(), u"<V>x&lt;y &amp; \"z\"&#13;&#10;&#9;</V>");
}

TEST(XmlWriter, CharactersOutsideTheCodePageBecomeReferences) {
  TTempFolder folder;
  const std::u16string file = folder.File("refs.xml");
  TKvenXmlDocument1 doc;
  doc.GetRoot()->WriteString(u"V", u"Ж\u4E2D\U0001F600é");
  ASSERT_TRUE(doc.SaveToFile(file));
  const std::string bytes = ReadBytes(file);
  EXPECT_NE(bytes.find("<V>\xC6&#20013;&#128512;&#233;</V>"), std::string::npos) << bytes;
  TKvenXmlDocument1 back;
  ASSERT_TRUE(back.LoadFromFile(file));
  EXPECT_EQ(back.GetRoot()->FindChild(u"V")->GetValue(), u"Ж\u4E2D\U0001F600é");
}

TEST(XmlWriter, AFileOfSeveralMegabytesIsWrittenWhole) {
  // Big enough for the byte buffer to be remapped several times, with references and Cyrillic
  // text falling on every kind of boundary.
  TTempFolder folder;
  const std::u16string file = folder.File("big.xml");
  TKvenXmlDocument1 doc;
  std::u16string value;
  for (int i = 0; i < 40000; ++i) {
    TKvenXmlNode1* item = doc.GetRoot()->AddChild(u"Item");
    value.assign(static_cast<std::size_t>(i % 97), u'Ж');
    value += (i % 3 == 0) ? u"中" : u"&";
    item->WriteString(u"Text", value);
    item->WriteInteger(u"N", i);
  }
  ASSERT_TRUE(doc.SaveToFile(file));
  const std::string bytes = ReadBytes(file);
  EXPECT_GT(bytes.size(), 4 * TByteBuffer::LargeSize);
  EXPECT_TRUE(bytes.ends_with("</Config>\r\n\r\n"));
  TKvenXmlDocument1 back;
  ASSERT_TRUE(back.LoadFromFile(file));
  EXPECT_EQ(back.GetXml(), doc.GetXml());
}

TEST(XmlWriter, SaveKeepsTheTargetsPermissionsAndLeavesNoTemporaryFile) {
  TTempFolder folder;
  const std::u16string file = folder.File("perm.xml");
  WriteBytes(file, "old");
  chmod(Utf16ToUtf8(file).c_str(), 0640);
  TKvenXmlDocument1 doc;
  ASSERT_TRUE(doc.SaveToFile(file));
  struct stat st {};
  ASSERT_EQ(stat(Utf16ToUtf8(file).c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0640u);
  int entries = 0;
  for (const auto& e : std::filesystem::directory_iterator(folder.Path)) {
    (void)e;
    ++entries;
  }
  EXPECT_EQ(entries, 1);
}

TEST(XmlWriter, SaveThroughALinkReplacesTheFileItPointsAt) {
  TTempFolder folder;
  const std::u16string real = folder.File("real.xml");
  const std::u16string link = folder.File("link.xml");
  WriteBytes(real, "old");
  ASSERT_EQ(symlink("real.xml", Utf16ToUtf8(link).c_str()), 0);
  TKvenXmlDocument1 doc;
  doc.GetRoot()->WriteString(u"V", u"new");
  ASSERT_TRUE(doc.SaveToFile(link));
  EXPECT_TRUE(std::filesystem::is_symlink(Utf16ToUtf8(link)));
  EXPECT_NE(ReadBytes(real).find("<V>new</V>"), std::string::npos);
  // A link whose file does not exist yet gets that file.
  const std::u16string dangling = folder.File("dangling.xml");
  ASSERT_EQ(symlink("later.xml", Utf16ToUtf8(dangling).c_str()), 0);
  ASSERT_TRUE(doc.SaveToFile(dangling));
  EXPECT_TRUE(std::filesystem::is_symlink(Utf16ToUtf8(dangling)));
  EXPECT_NE(ReadBytes(folder.File("later.xml")).find("<V>new</V>"), std::string::npos);
  // Links that point at each other lead nowhere: the save fails.
  ASSERT_EQ(symlink("loop2.xml", Utf16ToUtf8(folder.File("loop1.xml")).c_str()), 0);
  ASSERT_EQ(symlink("loop1.xml", Utf16ToUtf8(folder.File("loop2.xml")).c_str()), 0);
  EXPECT_FALSE(doc.SaveToFile(folder.File("loop1.xml")));
}

TEST(XmlWriter, SaveIntoAReadOnlyFolderFailsAndKeepsTheOldFile) {
  TTempFolder folder;
  const std::u16string file = folder.File("keep.xml");
  WriteBytes(file, "old contents");
  chmod(folder.Path.c_str(), 0555);
  // The write is tried by a process without the right to bypass permissions.
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    if (geteuid() == 0 && setuid(65534) != 0)
      _exit(3);
    TKvenXmlDocument1 doc;
    _exit(doc.SaveToFile(file) ? 1 : 0);
  }
  int status = 0;
  waitpid(child, &status, 0);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0) << "the save reported success";
  EXPECT_EQ(ReadBytes(file), "old contents");
}

TEST(XmlWriter, SaveToAMissingFolderOrWithoutANameFails) {
  TKvenXmlDocument1 doc;
  EXPECT_FALSE(doc.SaveToFile(u"/nonexistent/zu/out.xml"));
  EXPECT_FALSE(doc.SaveToFile(u""));
}

// A chain of a elements depth deep whose innermost holds "x".
TKvenXmlNode1* Chain(TKvenXmlNode1* node, int depth) {
  node->SetName(u"a");
  for (int i = 1; i < depth; ++i)
    node = node->AddChild(u"a");
  node->SetValue(u"x");
  return node;
}

TEST(XmlWriter, AMillionLevelChainIsWrittenAndFreedWithoutRecursion) {
  constexpr std::size_t depth = 1000000;
  auto doc = std::make_unique<TKvenXmlDocument1>();
  Chain(doc->GetRoot(), depth);
  const std::u16string compact = doc->GetRoot()->GetXml();
  EXPECT_EQ(compact.size(), 7 * (depth - 1) + 8);
  EXPECT_EQ(compact.find(u"<a>x</a></a>"), 3 * (depth - 1));
  doc.reset();
  TKvenXmlNode1 root;
  Chain(&root, depth);
  root.Clear();
  EXPECT_EQ(root.ChildCount(), 0);
  Chain(root.AddChild(u"b"), depth); // and the destructor of a node on the stack
}

TEST(XmlWriter, IndentationStopsGrowingAt256Levels) {
  TTempFolder folder;
  const std::u16string file = folder.File("deep.xml");
  TKvenXmlDocument1 doc;
  Chain(doc.GetRoot(), 20000);
  ASSERT_TRUE(doc.SaveToFile(file));
  const std::string bytes = ReadBytes(file);
  std::vector<std::size_t> indents;
  for (std::size_t at = bytes.find("\r\n") + 2; at < bytes.size();) {
    const std::size_t end = bytes.find("\r\n", at);
    indents.push_back(bytes.find_first_not_of(' ', at) - at);
    at = end + 2;
  }
  ASSERT_EQ(indents.size(), 2 * 20000u - 1 + 1); // start and end tags, the leaf, the last CR LF
  for (std::size_t level : {0u, 1u, 100u, 255u, 256u})
    EXPECT_EQ(indents[level], 2 * level) << level;
  EXPECT_EQ(indents[257], 512u);
  EXPECT_EQ(indents[19999], 512u);       // the leaf
  EXPECT_EQ(indents[2 * 20000 - 2], 0u); // the root's end tag
  EXPECT_LT(bytes.size(), 20000u * 2 * 530);
}
