#include "app/unMain.h"
#include "app/unProjectDocument.h"
#include "app/unRecentProjects.h"
#include "app/unRecovery.h"
#include "app/unTranslation.h"
#include "model/unProject.h"
#include "platform/unExeFolder.h"
#include "shell/unCheck1.h"
#include "shell/unModuleMaster.h"
#include "support/MainWindowTestSupport.h"
#include "xml/XmlTestSupport.h"
#include "xml/unXml.h"

#include <QAction>
#include <QCoreApplication>
#include <QDir>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTableWidget>
#include <QTranslator>
#include <filesystem>
#include <gtest/gtest.h>
#include <map>

namespace {

const QString SaveQuestion = QString::fromUtf8("Сохранить изменения в проекте?");

class MainWindowStartTest : public ::testing::Test {
protected:
  void SetUp() override { std::filesystem::create_directory(Folder.Path / "Configs"); }
  std::unique_ptr<TfmMain> NewWindow() { return ShownMainWindow(Script, Folder.Path); }
  QString File(const char* name) const { return QString::fromStdU16String(Folder.File(name)); }
  // A project of one module saved in the file.
  QString Project(const char* name) {
    TProject project(nullptr, nullptr, u"", u"P");
    project.GetMainModules()->AddModule(10, 10, u"M", 50, 50);
    EXPECT_TRUE(project.Save(Folder.File(name)));
    return File(name);
  }
  static QMenu* RecentMenu(TfmMain& window) {
    auto* menu = window.findChild<QMenu*>("miRecentProjects");
    emit menu->aboutToShow(); // the menu is brought up to date as it opens
    return menu;
  }
  // The recent menu's file items: text, tool tip and whether each is enabled.
  struct TItem {
    QString Text, Tip;
    bool Enabled;
    bool operator==(const TItem&) const = default;
  };
  static std::vector<TItem> RecentItems(TfmMain& window) {
    std::vector<TItem> items;
    for (QAction* a : RecentMenu(window)->actions())
      if (!a->isSeparator() && a->objectName() != "miClearRecentProjects")
        items.push_back({a->text(), a->toolTip(), a->isEnabled()});
    return items;
  }

  TTempFolder Folder;
  TScriptedMainDialogs::TScript Script;
};

} // namespace

TEST_F(MainWindowStartTest, AFileGivenAtStartOpensWithoutTheStartDialog) {
  const QString file = Project("given.xml");
  auto window = NewWindow();
  window->Start(file);
  EXPECT_TRUE(Script.Shown.isEmpty()); // no start dialog
  ASSERT_NE(window->GetProject(), nullptr);
  EXPECT_EQ(window->GetProject()->FileName, file.toStdU16String());
  EXPECT_EQ(window->GetProject()->GetMainModules()->Count(), 1);
  EXPECT_EQ(window->GetRecentProjects(), QStringList{file});
  window->WaitForComponents();
}

TEST_F(MainWindowStartTest, ABadFileGivenAtStartShowsTheErrorAndLeavesNoProject) {
  WriteBytes(Folder.File("bad.xml"), "<Kven_ZU_Programming_Project><Name>");
  auto window = NewWindow();
  window->Start(File("bad.xml"));
  EXPECT_EQ(Script.Errors, QStringList{QString::fromUtf8("Ошибка загрузки из файла.")});
  EXPECT_TRUE(Script.Shown.isEmpty());
  EXPECT_EQ(window->GetProject(), nullptr);
  EXPECT_TRUE(window->GetRecentProjects().isEmpty());
  window->WaitForComponents();
}

TEST_F(MainWindowStartTest, RecentProjectsListOpenedAndSavedFilesNewestFirst) {
  auto window = NewWindow();
  const QString a = Project("a.xml"), b = Project("b.xml");
  EXPECT_FALSE(RecentMenu(*window)->isEnabled()); // nothing yet
  ASSERT_TRUE(window->OpenFile(a));
  ASSERT_TRUE(window->OpenFile(b));
  Script.Files = {File("c.xml")};
  ASSERT_TRUE(window->SaveProjectAs());
  ASSERT_TRUE(window->OpenFile(a)); // again: moves to the front, listed once
  EXPECT_EQ(window->GetRecentProjects(), (QStringList{a, File("c.xml"), b}));
  EXPECT_EQ(
      RecentItems(*window),
      (std::vector<TItem>{{"a.xml", a, true}, {"c.xml", File("c.xml"), true}, {"b.xml", b, true}}));
  EXPECT_TRUE(RecentMenu(*window)->isEnabled());
  EXPECT_TRUE(RecentMenu(*window)->toolTipsVisible());
  // Choosing an item opens its file.
  RecentMenu(*window)->actions().at(2)->trigger();
  EXPECT_EQ(window->GetProject()->FileName, b.toStdU16String());
  EXPECT_EQ(window->GetRecentProjects().front(), b);
}

TEST_F(MainWindowStartTest, RecentProjectsKeepTheEightNewestAndClearEmptiesThem) {
  auto window = NewWindow();
  QStringList opened;
  for (int i = 0; i < 10; ++i) {
    const std::string name = "p" + std::to_string(i) + ".xml";
    opened.prepend(Project(name.c_str()));
    ASSERT_TRUE(window->OpenFile(opened.front()));
  }
  EXPECT_EQ(window->GetRecentProjects(), opened.mid(0, 8));
  EXPECT_EQ(RecentItems(*window).size(), 8u);
  // A failed open leaves the list as it was.
  EXPECT_FALSE(window->OpenFile(File("missing.xml")));
  EXPECT_EQ(window->GetRecentProjects(), opened.mid(0, 8));
  window->findChild<QAction*>("miClearRecentProjects")->trigger();
  EXPECT_TRUE(window->GetRecentProjects().isEmpty());
  EXPECT_TRUE(RecentItems(*window).empty());
  EXPECT_FALSE(RecentMenu(*window)->isEnabled());
}

TEST_F(MainWindowStartTest, RecentProjectsComeBackAfterARestartWithARemovedFileDisabled) {
  const QString kept = Project("kept.xml"), removed = Project("removed.xml");
  {
    auto window = NewWindow();
    ASSERT_TRUE(window->OpenFile(removed));
    ASSERT_TRUE(window->OpenFile(kept));
  }
  std::filesystem::remove(Folder.Path / "removed.xml");
  // The configuration holds them as an element of their own.
  TKvenXmlDocument1 config;
  ASSERT_TRUE(config.LoadFromFile(
      Utf8ToUtf16((Folder.Path / "Configs" / (ExeName() + ".config")).string())));
  const TKvenXmlNode1* recent =
      config.GetRoot()->GetChild(u"FormMain")->GetChildNodes().Find(u"RecentProjects");
  ASSERT_NE(recent, nullptr);
  ASSERT_EQ(recent->GetChildNodes().GetCount(), 2);
  EXPECT_EQ(recent->GetChildNodes().GetNode(0)->GetValue(), kept.toStdU16String());

  auto window = NewWindow();
  EXPECT_EQ(window->GetRecentProjects(), (QStringList{kept, removed}));
  EXPECT_EQ(RecentItems(*window),
            (std::vector<TItem>{{"kept.xml", kept, true}, {"removed.xml", removed, false}}));
}

TEST_F(MainWindowStartTest, EndedByTheSystemTheUnsavedWorkIsLeftForTheNextStart) {
  std::u16string recovery;
  {
    auto window = NewWindow();
    window->NewProject();
    window->GetProject()->Modified = true;
    window->Terminate();
    EXPECT_TRUE(Script.Asked.isEmpty()); // no save question
    recovery = window->RecoveryFile();
  }
  EXPECT_TRUE(std::filesystem::exists(Utf16ToUtf8(recovery)));
  // The next start offers it.
  Script.Answers = {IMainDialogs::mrNo};
  auto window = NewWindow();
  window->Start();
  ASSERT_FALSE(Script.Asked.isEmpty());
  EXPECT_TRUE(Script.Asked.front().startsWith(QString::fromUtf8("Восстановить")));
  window->WaitForComponents();
}

TEST_F(MainWindowStartTest, EndedByTheSystemWithoutChangesNothingIsLeft) {
  std::u16string recovery;
  {
    auto window = NewWindow();
    window->NewProject();
    window->Terminate();
    recovery = window->RecoveryFile();
  }
  EXPECT_FALSE(std::filesystem::exists(Utf16ToUtf8(recovery)));
}

TEST(ProjectArgument, IsTheFirstArgumentThatIsNoOptionAsAFullName) {
  const QString here = QDir::currentPath();
  const struct {
    QStringList Arguments;
    QString File;
  } cases[] = {
      {{"zu-programming"}, ""},
      {{}, ""},
      {{"zu-programming", "-style", "--x"}, ""},
      {{"zu-programming", "/p/a.xml", "/p/b.xml"}, "/p/a.xml"},
      {{"zu-programming", "-v", "rel/c.xml"}, here + "/rel/c.xml"},
      {{"/p/a.xml"}, ""}, // the program's own name is no project
  };
  for (const auto& c : cases)
    EXPECT_EQ(ProjectArgument(c.Arguments), c.File) << c.Arguments.join(' ').toStdString();
}

TEST(UiLanguage, FollowsTheMessageLocaleAndLanguageList) {
  using TEnv = std::map<std::string, std::string>;
  const struct {
    TEnv Env;
    const char* Language;
  } cases[] = {
      {{}, ""},
      {{{"LANG", "C"}}, ""},
      {{{"LANG", "C.UTF-8"}, {"LANGUAGE", "en"}}, ""}, // the C locale ignores LANGUAGE
      {{{"LANG", "POSIX"}}, ""},
      {{{"LANG", "ru_RU.UTF-8"}}, "ru"},
      {{{"LANG", "en_US.UTF-8"}}, "en"},
      {{{"LANG", "en_GB"}}, "en"},
      {{{"LANG", "de_DE.UTF-8"}}, ""},
      {{{"LANG", "de_DE.UTF-8"}, {"LANGUAGE", "de:en"}}, "en"},
      {{{"LANG", "en_US.UTF-8"}, {"LANGUAGE", "ru:en"}}, "ru"},
      {{{"LANG", "ru_RU.UTF-8"}, {"LANGUAGE", "en_GB:ru"}}, "en"},
      {{{"LANG", "ru_RU.UTF-8"}, {"LC_MESSAGES", "en_US.UTF-8"}}, "en"},
      {{{"LANG", "en_US.UTF-8"}, {"LC_MESSAGES", "ru_RU.UTF-8"}}, "ru"},
      {{{"LANG", "en_US.UTF-8"}, {"LC_MESSAGES", "ru_RU"}, {"LC_ALL", "C"}}, ""},
      {{{"LC_ALL", "en_US.UTF-8"}, {"LANG", "ru_RU.UTF-8"}}, "en"},
      {{{"LANG", ""}, {"LC_MESSAGES", "en_US"}}, "en"},
  };
  for (const auto& c : cases) {
    const QString language = UiLanguage([&](const char* name) -> const char* {
      const auto found = c.Env.find(name);
      return found == c.Env.end() ? nullptr : found->second.c_str();
    });
    std::string env;
    for (const auto& [k, v] : c.Env)
      env += k + "=" + v + " ";
    EXPECT_EQ(language.toStdString(), c.Language) << env;
  }
}

namespace {

// The English translation installed for the test's time.
class EnglishTest : public MainWindowStartTest {
protected:
  void SetUp() override {
    MainWindowStartTest::SetUp();
    ASSERT_TRUE(InstallTranslation("en", ZU_SAMPLES "/translations"));
  }
  void TearDown() override {
    for (QTranslator* t : QCoreApplication::instance()->findChildren<QTranslator*>())
      delete t; // taken out of the application as it goes
  }
};

QStringList ButtonTexts(const QWidget& dialog) {
  QStringList texts;
  for (const QPushButton* b : dialog.findChildren<QPushButton*>())
    texts << b->text();
  return texts;
}

QStringList LabelTexts(const QWidget& dialog) {
  QStringList texts;
  for (const QLabel* l : dialog.findChildren<QLabel*>())
    texts << l->text();
  return texts;
}

} // namespace

TEST_F(EnglishTest, TheStartDialogTheWizardAndTheSaveQuestionAreInEnglish) {
  TFormCheck1 start;
  EXPECT_EQ(start.windowTitle(), "Choice");
  EXPECT_EQ(ButtonTexts(start), (QStringList{"Create a new project", "Open a project", "Cancel"}));
  TFormModuleMaster wizard;
  EXPECT_EQ(wizard.windowTitle(), "Module Wizard");
  EXPECT_EQ(LabelTexts(wizard), (QStringList{"Name", "Description", "Type", "PositionX",
                                             "PositionY", "Height", "Width"}));
  EXPECT_TRUE(ButtonTexts(wizard).contains("Cancel"));
  auto window = NewWindow();
  window->NewProject();
  window->GetProject()->Modified = true;
  Script.Answers = {IMainDialogs::mrCancel};
  window->OpenProject();
  EXPECT_EQ(Script.Asked, QStringList{"Save the changes to the project?"});
  // Menus keep their English captions.
  EXPECT_EQ(window->findChild<QMenu*>("miRecentProjects")->title(), "&Recent Projects");
  window->GetProject()->Modified = false;
}

TEST(SourceTexts, WithoutATranslationTheDescribedTextsAreShown) {
  // The C locale loads no translation.
  EXPECT_FALSE(InstallTranslation(UiLanguage([](const char* name) -> const char* {
                                    return std::string(name) == "LANG" ? "C" : nullptr;
                                  }),
                                  ZU_SAMPLES "/translations"));
  EXPECT_FALSE(InstallTranslation("", ZU_SAMPLES "/translations"));
  EXPECT_FALSE(InstallTranslation("de", ZU_SAMPLES "/translations"));
  TFormCheck1 start;
  EXPECT_EQ(start.windowTitle(), QString::fromUtf8("Выбор"));
  EXPECT_EQ(ButtonTexts(start),
            (QStringList{QString::fromUtf8("Создать новый проект"),
                         QString::fromUtf8("Открыть проект"), QString::fromUtf8("Отмена")}));
  TFormModuleMaster wizard;
  EXPECT_EQ(wizard.windowTitle(), QString::fromUtf8("Мастер создания модуля"));
  TScriptedMainDialogs::TScript script;
  TTempFolder folder;
  auto window = ShownMainWindow(script, folder.Path);
  window->NewProject();
  window->GetProject()->Modified = true;
  window->OpenProject();
  EXPECT_EQ(script.Asked, QStringList{SaveQuestion});
  window->GetProject()->Modified = false;
}

TEST_F(MainWindowStartTest, OpeningARecentFileAsksAboutUnsavedWorkFirst) {
  const QString a = Project("a.xml"), b = Project("b.xml");
  auto window = NewWindow();
  ASSERT_TRUE(window->OpenFile(a));
  window->GetProject()->Modified = true;
  Script.Answers = {IMainDialogs::mrCancel};
  EXPECT_FALSE(window->OpenFile(b));
  EXPECT_EQ(Script.Asked, QStringList{SaveQuestion});
  EXPECT_EQ(window->GetProject()->FileName, a.toStdU16String());
  EXPECT_EQ(window->GetRecentProjects(), QStringList{a});
  Script.Answers = {IMainDialogs::mrNo};
  EXPECT_TRUE(window->OpenFile(b));
  EXPECT_EQ(window->GetProject()->FileName, b.toStdU16String());
}

TEST(RecentProjects, LoadTakesEachNamedFileOnceUpToTheLimit) {
  TKvenXmlDocument1 document;
  TKvenXmlNode1* element = document.GetRoot()->GetChild(u"RecentProjects");
  for (const char16_t* file : {u"/a.xml", u"", u"/b.xml", u"/a.xml"})
    element->GetChildNodes().AddNew(u"Project")->SetValueString(file);
  element->GetChildNodes().AddNew(u"Other")->SetValueString(u"/c.xml");
  for (int i = 0; i < 10; ++i)
    element->GetChildNodes()
        .AddNew(u"Project")
        ->SetValueString(u"/p" + std::u16string(1, u'0' + i));
  TRecentProjects recent;
  recent.Load(element);
  EXPECT_EQ(recent.GetFiles(),
            (QStringList{"/a.xml", "/b.xml", "/p0", "/p1", "/p2", "/p3", "/p4", "/p5"}));
  // Saved, the element holds the list and nothing else.
  recent.Add("/new.xml");
  recent.Save(*element);
  ASSERT_EQ(element->GetChildNodes().GetCount(), TRecentProjects::Limit);
  EXPECT_EQ(element->GetChildNodes().GetNode(0)->GetValue(), u"/new.xml");
  EXPECT_EQ(element->GetChildNodes().GetNode(7)->GetValue(), u"/p4");
  recent.Load(nullptr);
  EXPECT_TRUE(recent.GetFiles().isEmpty());
  recent.Add("");
  EXPECT_TRUE(recent.GetFiles().isEmpty());
}

namespace {

bool HasCyrillic(const QString& text) {
  for (const QChar c : text)
    if (c.unicode() >= 0x400 && c.unicode() <= 0x4FF)
      return true;
  return false;
}

bool HasLetters(const QString& text) {
  for (const QChar c : text)
    if (c.isLetter())
      return true;
  return false;
}

// Every text a user reads in the window's menus, its grid's keys, the start dialog, the wizard
// and the save question, with the language's translation installed (none for the source texts).
QStringList TextsOf(const QString& language, TScriptedMainDialogs::TScript& script,
                    const std::filesystem::path& folder) {
  for (QTranslator* t : QCoreApplication::instance()->findChildren<QTranslator*>())
    delete t;
  if (!language.isEmpty()) {
    EXPECT_TRUE(InstallTranslation(language, ZU_SAMPLES "/translations")) << language.toStdString();
  }
  QStringList texts;
  auto window = ShownMainWindow(script, folder);
  std::vector<QMenu*> menus;
  for (QAction* top : window->menuBar()->actions())
    if (top->menu())
      menus.push_back(top->menu());
  for (std::size_t i = 0; i < menus.size(); ++i) {
    texts << menus[i]->title();
    for (QAction* action : menus[i]->actions()) {
      if (action->menu())
        menus.push_back(action->menu());
      else if (!action->isSeparator())
        texts << action->text();
    }
  }
  window->NewProject();
  window->GetDocument()->Select(window->GetProject()->GetMainModules()->GetItem(0));
  QTableWidget* grid = GridOf(*window);
  for (int r = 0; r < grid->rowCount(); ++r)
    texts << grid->item(r, 0)->text();
  TFormCheck1 start;
  texts << start.windowTitle() << ButtonTexts(start);
  TFormModuleMaster wizard;
  texts << wizard.windowTitle() << LabelTexts(wizard) << ButtonTexts(wizard);
  window->GetProject()->Modified = true;
  script.Answers = {IMainDialogs::mrCancel};
  script.Asked.clear();
  window->OpenProject();
  texts << script.Asked;
  window->GetProject()->Modified = false;
  for (QTranslator* t : QCoreApplication::instance()->findChildren<QTranslator*>())
    delete t;
  return texts;
}

} // namespace

TEST_F(MainWindowStartTest, EveryTextIsInTheLanguageChosenOrAsDescribed) {
  // English: nothing in Russian.
  for (const QString& text : TextsOf("en", Script, Folder.Path))
    EXPECT_FALSE(HasCyrillic(text)) << text.toStdString();
  // Russian: menus and grid keys too.
  for (const QString& text : TextsOf("ru", Script, Folder.Path))
    EXPECT_TRUE(!HasLetters(text) || HasCyrillic(text)) << text.toStdString();
  // As described: English menus and grid keys, Russian dialogs.
  const QStringList source = TextsOf("", Script, Folder.Path);
  for (const char* expected : {"&File", "&Run", "Name", "PositionX", "Ok"})
    EXPECT_TRUE(source.contains(expected)) << expected;
  for (const char* expected : {"Выбор", "Мастер создания модуля", "Сохранить изменения в проекте?"})
    EXPECT_TRUE(source.contains(QString::fromUtf8(expected))) << expected;
}
