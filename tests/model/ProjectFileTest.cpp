#include "model/unModule.h"
#include "model/unParamList.h"
#include "model/unProject.h"
#include "model/unXmlChildIndex.h"
#include "platform/unStrings.h"
#include "xml/XmlTestSupport.h"
#include "xml/unXml.h"

#include <gtest/gtest.h>

namespace {

std::shared_ptr<TProject> NewProject1() {
  auto project = std::make_shared<TProject>(nullptr, TAddToLog(), u"", u"Project1");
  project->GetMainModules()->AddModule(100, 100, u"Module1", 100, 100);
  return project;
}

std::vector<std::u16string> ChildNames(const TKvenXmlNode1* node) {
  std::vector<std::u16string> names;
  for (std::int32_t i = 0; i < node->ChildCount(); ++i)
    names.emplace_back(node->GetChildNodes().GetNode(i)->GetName());
  return names;
}

std::u16string Value(const TKvenXmlNode1* node, std::u16string_view name) {
  const TKvenXmlNode1* child = node->FindChild(name);
  return std::u16string(child ? child->GetValue() : u"<missing>");
}

const std::vector<std::u16string> ModuleContent = {
    u"Name",      u"Description", u"Focused", u"Height",  u"Width",
    u"PositionX", u"PositionY",   u"Type",    u"Modules", u"Points"};

// Writes a project file whose main module holds the given markup.
std::u16string ProjectFile(const TTempFolder& folder, const std::string& mainContent) {
  const std::u16string file = folder.File("p.xml");
  WriteBytes(file, "<? xml version=\"1.0\" encoding=\"Windows-1251\" ?>\r\n"
                   "<Kven_ZU_Programming_Project><Name>P</Name><ModuleMain>" +
                       mainContent + "</ModuleMain></Kven_ZU_Programming_Project>\r\n");
  return file;
}

} // namespace

TEST(ProjectFile, ANewProjectIsWrittenElementByElement) {
  TTempFolder folder;
  const std::u16string file = folder.File("new.xml");
  ASSERT_TRUE(NewProject1()->Save(file));
  TKvenXmlDocument1 doc;
  ASSERT_TRUE(doc.LoadFromFile(file));
  const TKvenXmlNode1* root = doc.GetRoot();
  EXPECT_EQ(root->GetName(), u"Kven_ZU_Programming_Project");
  EXPECT_EQ(ChildNames(root), (std::vector<std::u16string>{u"Name", u"ModuleMain"}));
  EXPECT_EQ(Value(root, u"Name"), u"Project1");
  const TKvenXmlNode1* main = root->FindChild(u"ModuleMain");
  EXPECT_EQ(ChildNames(main), ModuleContent);
  const std::pair<const char16_t*, const char16_t*> mainValues[] = {
      {u"Name", u"Main"}, {u"Description", u""},  {u"Focused", u"False"}, {u"Height", u"100"},
      {u"Width", u"100"}, {u"PositionX", u"100"}, {u"PositionY", u"100"}, {u"Type", u""}};
  for (auto [name, value] : mainValues)
    EXPECT_EQ(Value(main, name), value) << Utf16ToUtf8(name);
  const TKvenXmlNode1* modules = main->FindChild(u"Modules");
  EXPECT_EQ(ChildNames(modules), (std::vector<std::u16string>{u"Count", u"Module0"}));
  EXPECT_EQ(Value(modules, u"Count"), u"1");
  const TKvenXmlNode1* module0 = modules->FindChild(u"Module0");
  EXPECT_EQ(ChildNames(module0), ModuleContent);
  EXPECT_EQ(Value(module0, u"Name"), u"Module1");
  EXPECT_EQ(Value(module0, u"Width"), u"100");
  EXPECT_EQ(Value(module0->FindChild(u"Modules"), u"Count"), u"0");
  EXPECT_EQ(Value(module0->FindChild(u"Points"), u"Count"), u"0");
  EXPECT_EQ(Value(main->FindChild(u"Points"), u"Count"), u"0");
  // The text itself: the indented layout of the writer.
  const std::string bytes = ReadBytes(file);
  EXPECT_TRUE(bytes.starts_with("<? xml version=\"1.0\" encoding=\"Windows-1251\" ?>\r\n"
                                "<Kven_ZU_Programming_Project>\r\n"
                                "  <Name>Project1</Name>\r\n"
                                "  <ModuleMain>\r\n"
                                "    <Name>Main</Name>\r\n"
                                "    <Description></Description>\r\n"
                                "    <Focused>False</Focused>\r\n"));
  EXPECT_TRUE(bytes.ends_with("</Kven_ZU_Programming_Project>\r\n\r\n"));
}

TEST(ProjectFile, SaveThenLoadReproducesTheTree) {
  TTempFolder folder;
  const std::u16string file = folder.File("tree.xml");
  TProject project(nullptr, {}, u"", u"Проект & <тест>");
  auto modules = project.GetMainModules();
  auto a = modules->AddModule(-20, 300, u"  A  b  ", 40, -20);
  a->SetDescription(u"line1\r\nline2\t\"q\" 'x' & <y>");
  a->SetType(u"/opt/zu/libcomponent.so");
  a->SetFocused(WordTrue);
  a->SetParamIn(std::make_shared<TParamList>());
  auto b = modules->AddModule(5, 6, u"B", 7, 8);
  auto child = a->GetModules()->AddModule(1, 2, u"Child", 3, 4);
  child->GetModules()->AddModule(9, 9, u"Grandchild", 9, 9);
  auto* points = static_cast<TModule*>(b.get())->GetPoints();
  points->AddNew()->PositionX = 11;
  TPrPoint* second = points->AddNew();
  second->PositionX = -3;
  second->PositionY = 44;
  ASSERT_TRUE(project.Save(file));

  TProject back(nullptr, {}, u"", u"");
  ASSERT_TRUE(back.Load(file));
  EXPECT_EQ(back.GetName(), u"Проект & <тест>");
  auto list = back.GetMainModules();
  ASSERT_EQ(list->Count(), 2);
  auto a2 = list->GetItem(0);
  EXPECT_EQ(a2->GetName(), u"  A  b  ");
  EXPECT_EQ(a2->GetDescription(), u"line1\r\nline2\t\"q\" 'x' & <y>");
  EXPECT_EQ(a2->GetType(), u"/opt/zu/libcomponent.so");
  EXPECT_EQ(a2->GetPosition(), (TPoint{-20, 300}));
  EXPECT_EQ(a2->GetHeight(), 40);
  EXPECT_EQ(a2->GetWidth(), -20);
  EXPECT_EQ(a2->GetFocused(), WordTrue);
  EXPECT_EQ(a2->GetParamIn(), nullptr);
  auto b2 = list->GetItem(1);
  EXPECT_EQ(b2->GetFocused(), WordFalse);
  EXPECT_EQ(b2->GetPosition(), (TPoint{5, 6}));
  auto* points2 = static_cast<TModule*>(b2.get())->GetPoints();
  ASSERT_EQ(points2->Count(), 2);
  EXPECT_EQ(points2->Get(0)->PositionX, 11);
  EXPECT_EQ(points2->Get(1)->PositionX, -3);
  EXPECT_EQ(points2->Get(1)->PositionY, 44);
  auto children = a2->GetModules();
  ASSERT_EQ(children->Count(), 1);
  EXPECT_EQ(children->GetItem(0)->GetName(), u"Child");
  ASSERT_EQ(children->GetItem(0)->GetModules()->Count(), 1);
  EXPECT_EQ(children->GetItem(0)->GetModules()->GetItem(0)->GetName(), u"Grandchild");
  // The parent links of loaded modules point at their lists.
  EXPECT_EQ(static_cast<TModule*>(a2.get())->GetParentList(), list);
}

TEST(ProjectFile, ValueRulesOfTheReader) {
  TTempFolder folder;
  const std::u16string file = ProjectFile(
      folder, "<Modules><Count>3</Count>"
              "<Module0><Focused>true</Focused><PositionX>abc</PositionX><PositionY>7x</PositionY>"
              "<Height>12ab</Height><Width></Width></Module0>"
              "<Module1><Focused>True</Focused><Name>Second</Name></Module1>"
              "<Module5><Name>Ignored</Name></Module5>"
              "</Modules>"
              "<Points><Count>2</Count><Point0><PositionX>4</PositionX><PositionY>5</PositionY></"
              "Point0></Points>");
  TProject project(nullptr, {}, u"", u"");
  ASSERT_TRUE(project.Load(file));
  auto list = project.GetMainModules();
  ASSERT_EQ(list->Count(), 3);
  auto first = list->GetItem(0);
  EXPECT_EQ(first->GetFocused(), WordFalse);           // "true" is not "True"
  EXPECT_EQ(first->GetPosition(), (TPoint{100, 100})); // bad positions keep their values
  EXPECT_EQ(first->GetHeight(), 12);                   // the partial number
  EXPECT_EQ(first->GetWidth(), 0);                     // empty text: 0
  EXPECT_EQ(first->GetName(), u"Module");
  EXPECT_EQ(list->GetItem(1)->GetFocused(), WordTrue);
  EXPECT_EQ(list->GetItem(1)->GetName(), u"Second");
  EXPECT_EQ(list->GetItem(2)->GetName(), u"Module"); // missing: defaults
  EXPECT_EQ(project.GetName(), u"P");
  EXPECT_EQ(project.GetMainModule()->GetName(), u"Main");
  auto* points = project.GetMainModule()->GetPoints();
  ASSERT_EQ(points->Count(), 2);
  EXPECT_EQ(points->Get(0)->PositionY, 5);
  EXPECT_EQ(points->Get(1)->PositionX, 0);
}

TEST(ProjectFile, AnotherRootNameStillLoads) {
  TTempFolder folder;
  const std::u16string file = folder.File("other.xml");
  WriteBytes(file, "<Other><Name>X</Name><ModuleMain><Name>M</Name></ModuleMain></Other>");
  TProject project(nullptr, {}, u"", u"");
  ASSERT_TRUE(project.Load(file));
  EXPECT_EQ(project.GetName(), u"X");
  EXPECT_EQ(project.GetMainModule()->GetName(), u"M");
}

TEST(ProjectFile, DamagedFilesFailWithAMessage) {
  TTempFolder folder;
  const std::u16string good = folder.File("good.xml");
  ASSERT_TRUE(NewProject1()->Save(good));
  const std::string bytes = ReadBytes(good);
  struct Row {
    std::string Text;
    std::string MessageStart;
  };
  const Row rows[] = {
      {bytes.substr(0, bytes.find("\r\n", bytes.size() / 2) + 2), "Не найден закрывающий тег"},
      {"<Kven_ZU_Programming_Project><Name>P</Nam></Kven_ZU_Programming_Project>",
       "Закрывающий тег \"</Nam>\""},
      {"<Kven_ZU_Programming_Project><ModuleMain><Modules><Count>2000000000</Count></Modules>"
       "</ModuleMain></Kven_ZU_Programming_Project>",
       "Число элементов \"Count\"=2000000000"},
      {"<Kven_ZU_Programming_Project><ModuleMain><Points><Count>2000000000</Count></Points>"
       "</ModuleMain></Kven_ZU_Programming_Project>",
       "Число элементов \"Count\"=2000000000"},
  };
  for (const Row& row : rows) {
    const std::u16string file = folder.File("bad.xml");
    WriteBytes(file, row.Text);
    TRecordingLog log;
    TProject project(nullptr, log.Handler(), u"", u"Before");
    const TResult loaded = project.Load(file);
    EXPECT_FALSE(loaded) << row.MessageStart;
    ASSERT_EQ(log.Errors().size(), 1u) << row.MessageStart;
    EXPECT_TRUE(log.Errors()[0].starts_with(row.MessageStart)) << log.Errors()[0];
    EXPECT_TRUE(loaded.Reason.starts_with(row.MessageStart)) << loaded.Reason;
    EXPECT_LE(project.GetMainModules()->Count(), 1);
  }
}

TEST(ProjectFile, ListsTogetherMayNotMissTooManyEntries) {
  // Each list stays under its own limit, but a small file of such lists would ask for millions of
  // default entries: the whole load shares one budget and fails once it is spent.
  TTempFolder folder;
  std::string lists = "<Modules><Count>3</Count>";
  for (int i = 0; i < 3; ++i)
    lists += "<Module" + std::to_string(i) + "><Points><Count>40000</Count></Points></Module" +
             std::to_string(i) + ">";
  lists += "</Modules>";
  const std::u16string file = ProjectFile(folder, lists);
  TRecordingLog log;
  TProject project(nullptr, log.Handler(), u"", u"");
  EXPECT_FALSE(project.Load(file));
  ASSERT_EQ(log.Errors().size(), 1u);
  EXPECT_EQ(log.Errors()[0], "Недостающих элементов в списках файла больше 100000: \"Count\"=40000 "
                             "<TPrPoints.LoadFromXml>");

  // The budget belongs to one load: the next one starts afresh, and lists within it load.
  const std::u16string smaller = ProjectFile(
      folder, "<Modules><Count>2</Count><Module0><Points><Count>60000</Count></Points></Module0>"
              "<Module1><Points><Count>39000</Count></Points></Module1></Modules>");
  TProject again(nullptr, log.Handler(), u"", u"");
  ASSERT_TRUE(again.Load(smaller));
  EXPECT_EQ(static_cast<TModule*>(again.GetMainModules()->GetItem(1).get())->GetPoints()->Count(),
            39000);
}

TEST(ProjectFile, EveryFailureSaysWhy) {
  TTempFolder folder;
  TProject project(nullptr, {}, u"", u"P");
  EXPECT_EQ(project.Save(u"").Reason, "Не задано имя файла проекта");
  EXPECT_EQ(project.Load(u"").Reason, "Не задано имя файла проекта");
  // A failure of one load is not the reason of the next one.
  WriteBytes(folder.File("text.xml"), "just text");
  const struct {
    std::u16string File;
    std::string Reason;
  } rows[] = {
      {u"/nonexistent/zu/p.xml",
       "Не удалось прочитать файл \"/nonexistent/zu/p.xml\": No such file or directory"},
      {folder.File("text.xml"), "В файле \"" + Utf16ToUtf8(folder.File("text.xml")) +
                                    "\" нет ни одного элемента XML <TProject.Load>"},
      {u"/nonexistent/zu/q.xml",
       "Не удалось прочитать файл \"/nonexistent/zu/q.xml\": No such file or directory"},
  };
  for (const auto& row : rows) {
    TProject missing(nullptr, {}, u"", u"P");
    EXPECT_EQ(missing.Load(row.File).Reason, row.Reason);
    EXPECT_EQ(missing.GetName(), u"P");
  }
  EXPECT_EQ(project.Save(u"/nonexistent/zu/p.xml").Reason.substr(0, 40),
            std::string("Ошибка записи файла \"/nonexistent/zu/p.xml\": ").substr(0, 40));
  EXPECT_TRUE(project.Save(folder.File("ok.xml")));
  EXPECT_EQ(project.Save(folder.File("ok.xml")).Reason, "");
}

TEST(ProjectFile, ALogHandlerThatFailsDoesNotBreakLoading) {
  TTempFolder folder;
  const std::u16string file = folder.File("p.xml");
  ASSERT_TRUE(NewProject1()->Save(file));
  TProject project(
      nullptr,
      [](TLogGroupMessage, TLogTypeMessage, const std::string&, const TLogArgs&) -> bool {
        throw std::runtime_error("handler failed");
      },
      u"", u"");
  EXPECT_TRUE(project.Load(file));
  EXPECT_EQ(project.GetMainModules()->Count(), 1);
}

TEST(ProjectFile, TheConstructorLoadsANamedFile) {
  TTempFolder folder;
  const std::u16string file = folder.File("p.xml");
  ASSERT_TRUE(NewProject1()->Save(file));
  TProject project(nullptr, {}, file, u"Other");
  EXPECT_EQ(project.GetName(), u"Project1");
  EXPECT_EQ(project.GetMainModules()->Count(), 1);
}

TEST(Params, AComponentAnswerGivesOneParameterPerParamElement) {
  TParamList list;
  list.AddNew(); // cleared first
  ASSERT_TRUE(LoadParamList(list, u"<Params>"
                                  u"<Param><Index>0</Index><Name>a</Name><Title>A</Title>"
                                  u"<Description>first</Description></Param>"
                                  u"<Other><Name>skip</Name></Other>"
                                  u"<Param><Index>7x</Index><Name>b &amp; c</Name></Param>"
                                  u"<Param><Name>c</Name></Param>"
                                  u"</Params>"));
  ASSERT_EQ(list.Count(), 3);
  EXPECT_EQ(list.Get(0)->Name, u"a");
  EXPECT_EQ(list.Get(0)->Title, u"A");
  EXPECT_EQ(list.Get(0)->Description, u"first");
  EXPECT_EQ(list.Get(1)->Index, 7);
  EXPECT_EQ(list.Get(1)->Name, u"b & c");
  EXPECT_EQ(list.Get(1)->Title, u"");
  EXPECT_EQ(list.Get(2)->Name, u"c");
  EXPECT_EQ(list.Get(3), nullptr);
  EXPECT_EQ(list.Get(-1), nullptr);
}

TEST(Params, ABrokenAnswerGivesNoParameters) {
  TParamList list;
  list.AddNew();
  EXPECT_FALSE(LoadParamList(list, u"<Params><Param><Name>a</Name></Param><Param><Name>b"));
  EXPECT_EQ(list.Count(), 0);
}

TEST(Points, KeepTheOrderAdded) {
  TPrPoints points;
  for (int i = 0; i < 5; ++i)
    points.AddNew()->PositionX = i;
  for (int i = 0; i < 5; ++i)
    EXPECT_EQ(points.Get(i)->PositionX, i);
  EXPECT_EQ(points.Get(5), nullptr);
}

TEST(ProjectFile, OnlyNumberedEntriesCountAsPresent) {
  // Count may exceed the entries present by 100 000 and no more; "Count" itself, junk children,
  // a second child of one name and names the list never reads are not entries.
  TTempFolder folder;
  std::string junk;
  for (int i = 0; i < 1000; ++i)
    junk += "<a/>";
  const struct {
    std::string Lists;
    bool Loads;
    std::int32_t Modules;
  } rows[] = {
      {"<Modules><Count>100000</Count></Modules>", true, 100000},
      {"<Modules><Count>100001</Count></Modules>", false, 0},
      {"<Modules><Count>101001</Count>" + junk + "</Modules>", false, 0},
      {"<Modules><Count>100002</Count><Module0/><Module0/><Module007/><Module100002/></Modules>",
       false, 0},
      {"<Modules><Count>100001</Count><Module100000/></Modules>", true, 100001},
      {"<Points><Count>100001</Count></Points>", false, 0},
  };
  for (const auto& row : rows) {
    TRecordingLog log;
    TProject project(nullptr, log.Handler(), u"", u"");
    const TResult loaded = project.Load(ProjectFile(folder, row.Lists));
    EXPECT_EQ(loaded.Ok, row.Loads) << row.Lists.substr(0, 60);
    if (row.Loads) {
      EXPECT_EQ(project.GetMainModules()->Count(), row.Modules);
    } else {
      // The reason comes with the result, as it was logged.
      ASSERT_EQ(log.Errors().size(), 1u) << row.Lists.substr(0, 60);
      EXPECT_TRUE(log.Errors()[0].starts_with(loaded.Reason)) << loaded.Reason;
      EXPECT_TRUE(loaded.Reason.starts_with("Недостающих") || loaded.Reason.starts_with("Число"))
          << loaded.Reason;
    }
  }
}

TEST(ProjectFile, EachEntryIsTheFirstChildOfItsNameInAnyOrder) {
  // Entries written in order and entries shuffled, repeated or behind other children load alike:
  // index i takes the first child named "Module" + i, and a missing one a default module.
  TTempFolder folder;
  const struct {
    std::string Lists;
    std::vector<std::u16string> Names;
  } rows[] = {
      {"<Modules><Count>2</Count><Module0><Name>a</Name></Module0><Module1><Name>b</Name></Module1>"
       "</Modules>",
       {u"a", u"b"}},
      {"<Modules><Count>2</Count><Module1><Name>b</Name></Module1><Module0><Name>a</Name></Module0>"
       "</Modules>",
       {u"a", u"b"}},
      {"<Modules><Module0><Name>a</Name></Module0><Count>2</Count><Module1><Name>b</Name></Module1>"
       "</Modules>",
       {u"a", u"b"}},
      {"<Modules><Count>2</Count><Module0><Name>a</Name></Module0><Module0><Name>x</Name></Module0>"
       "<Module1><Name>b</Name></Module1></Modules>",
       {u"a", u"b"}},
      {"<Modules><Count>3</Count><Module0><Name>a</Name></Module0><Module2><Name>c</Name></Module2>"
       "</Modules>",
       {u"a", u"Module", u"c"}},
      {"<Modules><Count>2</Count><Module0><Name>a</Name></Module0><Module01><Name>x</Name></"
       "Module01>"
       "<Module1><Name>b</Name></Module1></Modules>",
       {u"a", u"b"}},
      {"<Modules><Count>1</Count><Module0><Name>a</Name></Module0><Module1><Name>x</Name></Module1>"
       "</Modules>",
       {u"a"}},
  };
  for (const auto& row : rows) {
    TProject project(nullptr, TAddToLog(), u"", u"");
    ASSERT_TRUE(project.Load(ProjectFile(folder, row.Lists))) << row.Lists;
    std::vector<std::u16string> names;
    for (std::int32_t i = 0; i < project.GetMainModules()->Count(); ++i)
      names.push_back(project.GetMainModules()->GetItem(i)->GetName());
    EXPECT_EQ(names, row.Names) << row.Lists;
  }
}

TEST(NumberedEntries, InOrderOnlyWhenCountComesFirstAndEveryEntryFollowsInTurn) {
  const struct {
    std::string Children;
    std::int32_t Count;
    bool InOrder;
  } rows[] = {
      {"<Count/><P0/><P1/>", 2, true},   {"<Count/><P0/><P1/><x/>", 2, true},
      {"<Count/><P0/><P1/>", 1, true},   {"<Count/>", 0, true},
      {"<Count/><P0/><P1/>", 3, false},  {"<P0/><Count/><P1/>", 2, false},
      {"<Count/><P1/><P0/>", 2, false},  {"<Count/><P0/><P01/>", 2, false},
      {"<Count/><P0/><Q1/>", 2, false},  {"<x/><P0/><P1/>", 2, false},
      {"<Count/><P0/><P1/>", -1, false}, {"", 0, false},
  };
  for (const auto& row : rows) {
    TKvenXmlDocument1 document;
    ASSERT_TRUE(document.LoadXml(Utf8ToUtf16("<L>" + row.Children + "</L>"))) << row.Children;
    EXPECT_EQ(EntriesInOrder(*document.GetRoot(), u"P", row.Count), row.InOrder)
        << row.Children << " " << row.Count;
  }
}

TEST(NumberedEntries, SavingIntoAnElementThatHasEntriesRewritesThemInPlace) {
  TKvenXmlDocument1 document;
  ASSERT_TRUE(document.LoadXml(u"<L><x>1</x><P1>old</P1><Count>5</Count></L>"));
  TKvenXmlNode1& list = *document.GetRoot();
  SaveNumbered(list, u"P", 3,
               [](std::int32_t i, TKvenXmlNode1* entry) { entry->WriteInteger(u"V", i); });
  EXPECT_EQ(ChildNames(&list), (std::vector<std::u16string>{u"x", u"P1", u"Count", u"P0", u"P2"}));
  EXPECT_EQ(Value(&list, u"Count"), u"3");
  EXPECT_EQ(Value(list.FindChild(u"P1"), u"V"), u"1");
  // A new element gets "Count" and the entries in turn.
  TKvenXmlNode1* fresh = list.GetChild(u"Fresh");
  SaveNumbered(*fresh, u"P", 2, [](std::int32_t, TKvenXmlNode1*) {});
  EXPECT_EQ(ChildNames(fresh), (std::vector<std::u16string>{u"Count", u"P0", u"P1"}));
}

TEST(ProjectFile, AFileWithoutAnElementIsNoProject) {
  TTempFolder folder;
  const std::u16string file = folder.File("x");
  for (const std::string& text :
       {std::string(), std::string("<?xml version=\"1.0\"?>"), std::string("plain text\r\n"),
        std::string("\x89PNG\r\n\x1A\n\0\0", 10), std::string("<!-- only a comment -->")}) {
    WriteBytes(file, text);
    TRecordingLog log;
    TProject project(nullptr, log.Handler(), u"", u"Before");
    EXPECT_FALSE(project.Load(file)) << text;
    ASSERT_FALSE(log.Errors().empty()) << text;
    EXPECT_EQ(log.Errors().back(),
              "В файле \"" + Utf16ToUtf8(file) + "\" нет ни одного элемента XML <TProject.Load>");
  }
  // Another kind of XML file is no project: it says so.
  WriteBytes(file, "<html><body>page</body></html>");
  TRecordingLog log;
  TProject page(nullptr, log.Handler(), u"", u"");
  const TResult loaded = page.Load(file);
  EXPECT_FALSE(loaded);
  EXPECT_EQ(loaded.Reason, "В файле \"" + Utf16ToUtf8(file) +
                               "\" нет проекта: его корневой элемент — \"html\" <TProject.Load>");
  // Another root with a main module loads, but is marked as not a project file.
  WriteBytes(file, "<Older><Name>Old</Name><ModuleMain><Name>Main</Name></ModuleMain></Older>");
  TProject older(nullptr, {}, u"", u"");
  EXPECT_TRUE(older.Load(file));
  EXPECT_TRUE(older.ForeignFile);
  EXPECT_EQ(older.GetName(), u"Old");
  ASSERT_TRUE(NewProject1()->Save(file));
  TProject project(nullptr, {}, u"", u"");
  EXPECT_TRUE(project.Load(file));
  EXPECT_FALSE(project.ForeignFile);
}

TEST(ProjectFile, SaveWithoutANameWritesTheProjectsFile) {
  TTempFolder folder;
  auto project = NewProject1();
  project->FileName = folder.File("own.xml");
  ASSERT_TRUE(project->Save(u""));
  EXPECT_NE(ReadBytes(folder.File("own.xml")).find("<Name>Module1</Name>"), std::string::npos);
}

TEST(ProjectFile, AFailedSaveNamesTheFileAndTheSystemsReason) {
  TTempFolder folder;
  TRecordingLog log;
  TProject project(nullptr, log.Handler(), u"", u"P");
  const std::u16string file = folder.File("missing/p.xml");
  EXPECT_FALSE(project.Save(file));
  ASSERT_EQ(log.Errors().size(), 1u);
  EXPECT_EQ(log.Errors()[0],
            "Ошибка записи файла \"" + Utf16ToUtf8(file) + "\": No such file or directory");
}
