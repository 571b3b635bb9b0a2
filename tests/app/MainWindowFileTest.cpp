#include "app/unMain.h"
#include "canvas/unProgrammingImage.h"
#include "model/unIModule.h"
#include "model/unModuleList.h"
#include "model/unProject.h"
#include "support/ScriptedMainDialogs.h"
#include "xml/XmlTestSupport.h"

#include <QAction>
#include <QTabBar>
#include <QTest>
#include <QTreeWidget>
#include <filesystem>
#include <gtest/gtest.h>

namespace {

const QString SaveQuestion = QString::fromUtf8("Сохранить изменения в проекте?");

class MainWindowFileTest : public ::testing::Test {
protected:
  void SetUp() override { Window = NewWindow(); }

  std::unique_ptr<TfmMain> NewWindow() {
    auto window = std::make_unique<TfmMain>(std::make_unique<TScriptedMainDialogs>(Script));
    window->show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    return window;
  }
  void Trigger(const char* name) { Window->findChild<QAction*>(name)->trigger(); }
  QString Tab() {
    auto* tabs = Window->findChild<QTabBar*>("TabControl1");
    return tabs->count() ? tabs->tabText(0) : QString();
  }
  QString File(const char* name) { return QString::fromStdU16String(Folder.File(name)); }
  void Drag(QPoint from, QPoint to) {
    QTest::mousePress(Window->GetCanvas(), Qt::LeftButton, {}, from);
    QTest::mouseMove(Window->GetCanvas(), to);
    QTest::mouseRelease(Window->GetCanvas(), Qt::LeftButton, {}, to);
  }

  TTempFolder Folder;
  TScriptedMainDialogs::TScript Script;
  std::unique_ptr<TfmMain> Window;
};

} // namespace

TEST_F(MainWindowFileTest, SaveOnANewProjectAsksForAFile) {
  Trigger("miNewProject");
  Script.Files = {File("first.xml")};
  Trigger("miSaveProject");
  EXPECT_EQ(Script.FileDialogs, 1);
  EXPECT_TRUE(Script.Errors.isEmpty());
  EXPECT_EQ(Window->GetProject()->FileName, Folder.File("first.xml"));
  EXPECT_NE(ReadBytes(Folder.File("first.xml")).find("<Name>Module1</Name>"), std::string::npos);
  // A cancelled file dialog saves nothing and reports nothing.
  Trigger("miNewProject"); // unchanged: asks only whether to close the project
  Script.Answers = {IMainDialogs::mrYes};
  Trigger("miNewProject");
  Trigger("miSaveProject");
  EXPECT_EQ(Script.FileDialogs, 2);
  EXPECT_TRUE(Script.Errors.isEmpty());
}

TEST_F(MainWindowFileTest, SaveAsOfANameWithoutExtensionWritesAProjectFileOfItsOwn) {
  Trigger("miNewProject");
  Script.Files = {File("plain")};
  Trigger("miSaveProject");
  EXPECT_EQ(Window->GetProject()->FileName, Folder.File("plain.zuproj"));
  EXPECT_TRUE(std::filesystem::exists(Utf16ToUtf8(Folder.File("plain.zuproj"))));
}

TEST_F(MainWindowFileTest, SaveAsThenSaveWritesToTheNewFile) {
  Trigger("miNewProject");
  Script.Files = {File("as.xml")};
  Trigger("miSaveProjectAs");
  EXPECT_EQ(Tab(), "Project1");
  Drag({100, 100}, {130, 100});
  EXPECT_EQ(Tab(), "Project1 *");
  Trigger("miSaveProject");
  EXPECT_EQ(Script.FileDialogs, 1);
  EXPECT_EQ(Tab(), "Project1");
  EXPECT_NE(ReadBytes(Folder.File("as.xml")).find("<PositionX>130</PositionX>"), std::string::npos);
}

TEST_F(MainWindowFileTest, AFailedSaveIsReported) {
  Trigger("miNewProject");
  Script.Files = {QString("/nonexistent/zu/out.xml")};
  Trigger("miSaveProjectAs");
  EXPECT_EQ(Script.Errors, QStringList{QString::fromUtf8("Ошибка при сохранении.")});
  EXPECT_TRUE(Window->GetProject()->FileName.empty());
}

TEST_F(MainWindowFileTest, ExitWithUnsavedChangesAsksAndCancelKeepsTheWindow) {
  Trigger("miNewProject");
  Drag({100, 100}, {120, 110});
  Script.Answers = {IMainDialogs::mrCancel};
  Trigger("miExit1");
  EXPECT_EQ(Script.Asked, QStringList{SaveQuestion});
  EXPECT_TRUE(Window->isVisible());
  ASSERT_NE(Window->GetProject(), nullptr);

  // Yes with a file dialog cancelled: the save fails, so the window stays too.
  Script.Answers = {IMainDialogs::mrYes};
  Trigger("miExit1");
  EXPECT_TRUE(Window->isVisible());

  Script.Answers = {IMainDialogs::mrNo};
  Trigger("miExit1");
  EXPECT_FALSE(Window->isVisible());
}

TEST_F(MainWindowFileTest, ExitWithoutChangesAsksNothing) {
  Trigger("miNewProject");
  Trigger("miExit1");
  EXPECT_TRUE(Script.Asked.isEmpty());
  EXPECT_FALSE(Window->isVisible());
}

TEST_F(MainWindowFileTest, NewAndOpenWithUnsavedChangesAskToSave) {
  Trigger("miNewProject");
  Script.Dialogs = {[](QDialog&) { return IMainDialogs::mrOk; }};
  Trigger("miNewModule");
  TProject* changed = Window->GetProject();
  Script.Answers = {IMainDialogs::mrCancel};
  Trigger("miNewProject");
  Trigger("miOpenProject");
  EXPECT_EQ(Script.Asked, (QStringList{SaveQuestion, SaveQuestion}));
  EXPECT_EQ(Script.FileDialogs, 0);
  EXPECT_EQ(Window->GetProject(), changed);

  Script.Answers = {IMainDialogs::mrYes};
  Script.Files = {File("saved.xml")};
  Trigger("miNewProject"); // saves (asking for a file), then makes the new project
  EXPECT_NE(Window->GetProject(), changed);
  EXPECT_EQ(Window->GetProject()->GetMainModules()->Count(), 1);
  EXPECT_NE(ReadBytes(Folder.File("saved.xml")).find("<Count>2</Count>"), std::string::npos);
}

TEST_F(MainWindowFileTest, AFileThatDoesNotParseKeepsThePreviousProject) {
  Trigger("miNewProject");
  TProject* before = Window->GetProject();
  WriteBytes(Folder.File("broken.xml"), "<Kven_ZU_Programming_Project><Name>X</Name>");
  Script.Files = {File("broken.xml")};
  Trigger("miOpenProject");
  EXPECT_EQ(Script.Errors, QStringList{QString::fromUtf8("Ошибка загрузки из файла.")});
  // The reason comes with the failure, whatever was logged before it.
  ASSERT_EQ(Script.Details.size(), 1);
  EXPECT_TRUE(Script.Details[0].startsWith(QString::fromUtf8("Не найден закрывающий тег")))
      << Script.Details[0].toStdString();
  EXPECT_EQ(Window->GetProject(), before);
  EXPECT_EQ(Tab(), "Project1");
}

TEST_F(MainWindowFileTest, AProjectSurvivesSaveAsExitANewStartAndOpen) {
  Trigger("miNewProject");
  Script.Dialogs = {[](QDialog&) { return IMainDialogs::mrOk; }};
  Trigger("miNewModule");
  auto modules = Window->GetProject()->GetMainModules();
  auto second = modules->GetItem(1);
  second->SetName(u"Второй & <2>");
  second->SetDescription(u"  spaced  text  ");
  second->SetType(u"/usr/lib/zu/libmod.so");
  second->SetHeight(60);
  second->SetWidth(80);
  second->SetPosition({300, 200});
  second->GetModules()->AddModule(1, 2, u"Nested", 3, 4);
  Drag({100, 100}, {90, 95}); // moves Module1 and focuses it
  Script.Files = {File("project.xml")};
  Trigger("miSaveProjectAs");
  Trigger("miExit1");
  ASSERT_FALSE(Window->isVisible());
  Window.reset();

  Window = NewWindow();
  Script.Files = {File("project.xml")};
  Trigger("miOpenProject");
  ASSERT_TRUE(Script.Errors.isEmpty());
  TProject* project = Window->GetProject();
  ASSERT_NE(project, nullptr);
  EXPECT_EQ(project->FileName, Folder.File("project.xml"));
  EXPECT_EQ(Tab(), "Project1");
  auto list = project->GetMainModules();
  ASSERT_EQ(list->Count(), 2);
  auto first = list->GetItem(0);
  EXPECT_EQ(first->GetName(), u"Module1");
  EXPECT_EQ(first->GetPosition(), (TPoint{90, 95}));
  EXPECT_EQ(first->GetFocused(), WordTrue);
  auto back = list->GetItem(1);
  EXPECT_EQ(back->GetName(), u"Второй & <2>");
  EXPECT_EQ(back->GetDescription(), u"  spaced  text  ");
  EXPECT_EQ(back->GetType(), u"/usr/lib/zu/libmod.so");
  EXPECT_EQ(back->GetHeight(), 60);
  EXPECT_EQ(back->GetWidth(), 80);
  EXPECT_EQ(back->GetPosition(), (TPoint{300, 200}));
  EXPECT_EQ(back->GetFocused(), WordFalse);
  ASSERT_EQ(back->GetModules()->Count(), 1);
  EXPECT_EQ(back->GetModules()->GetItem(0)->GetName(), u"Nested");
  auto* tree = Window->findChild<QTreeWidget*>("tvMain");
  EXPECT_EQ(tree->topLevelItem(0)->child(1)->text(0), QString::fromUtf8("Второй & <2>"));
}

TEST_F(MainWindowFileTest, TheFileCommandsAnswerTheirUsualKeys) {
  Window->activateWindow();
  QTest::keyClick(Window.get(), Qt::Key_N, Qt::ControlModifier);
  ASSERT_NE(Window->GetProject(), nullptr);
  EXPECT_EQ(Tab(), "Project1");
  Script.Files = {File("keys.xml")};
  QTest::keyClick(Window.get(), Qt::Key_S, Qt::ControlModifier);
  EXPECT_EQ(Script.FileDialogs, 1);
  EXPECT_EQ(Window->GetProject()->FileName, Folder.File("keys.xml"));
  Script.Files = {File("keys.xml")};
  QTest::keyClick(Window.get(), Qt::Key_O, Qt::ControlModifier);
  EXPECT_EQ(Script.FileDialogs, 2);
  EXPECT_TRUE(Script.Errors.isEmpty());
  EXPECT_EQ(Window->GetProject()->FileName, Folder.File("keys.xml"));
}

TEST_F(MainWindowFileTest, CtrlShiftSAsksForAFileEvenWhenTheProjectHasOne) {
  Trigger("miNewProject");
  Script.Files = {File("one.xml"), File("two.xml")};
  Trigger("miSaveProjectAs");
  Window->activateWindow();
  QTest::keyClick(Window.get(), Qt::Key_S, Qt::ControlModifier | Qt::ShiftModifier);
  EXPECT_EQ(Script.FileDialogs, 2);
  EXPECT_EQ(Window->GetProject()->FileName, Folder.File("two.xml"));
}

TEST_F(MainWindowFileTest, FilesThatAreNoProjectsAreNeverWrittenOver) {
  // Without an element, or with no project in it, a file does not open at all; with another
  // root around a main module it opens, and a save goes to a file the user chooses.
  for (const char* bytes : {"", "just text\r\n", "<html><body><p>A page</p></body></html>"}) {
    WriteBytes(Folder.File("not.xml"), bytes);
    Script.Files = {File("not.xml")};
    Script.Errors.clear();
    Trigger("miOpenProject");
    EXPECT_EQ(Script.Errors, QStringList{QString::fromUtf8("Ошибка загрузки из файла.")});
    EXPECT_EQ(Window->GetProject(), nullptr);
  }
  const std::string page = "<Older><ModuleMain><Name>Main</Name></ModuleMain></Older>";
  WriteBytes(Folder.File("page.html"), page);
  Script.Files = {File("page.html")};
  Trigger("miOpenProject");
  ASSERT_NE(Window->GetProject(), nullptr);
  Trigger("miSaveProject"); // the file dialog is cancelled
  EXPECT_EQ(Script.FileDialogs, 5);
  EXPECT_EQ(ReadBytes(Folder.File("page.html")), page);
  Script.Files = {File("saved.xml")};
  Trigger("miSaveProject");
  EXPECT_EQ(Window->GetProject()->FileName, Folder.File("saved.xml"));
  Trigger("miSaveProject"); // a project file now: saved in place
  EXPECT_EQ(Script.FileDialogs, 6);
  EXPECT_EQ(ReadBytes(Folder.File("page.html")), page);
}

TEST_F(MainWindowFileTest, AProjectFileAnotherProgramWritesIsOfferedForLoading) {
  Trigger("miNewProject");
  Script.Files = {File("shared.xml")};
  Trigger("miSaveProject");
  ASSERT_TRUE(Script.Asked.isEmpty());
  // Another editor saves the file, as this one does: a new file renamed over the old.
  TProject other(nullptr, TAddToLog(), u"", u"Shared");
  other.GetMainModules()->AddModule(100, 100, u"Theirs", 60, 60);
  ASSERT_TRUE(other.Save(Folder.File("shared.xml")));
  Script.Answers = {IMainDialogs::mrYes};
  ASSERT_TRUE(QTest::qWaitFor([&] { return !Script.Asked.isEmpty(); }, 5000));
  EXPECT_TRUE(Script.Asked[0].contains(QString::fromUtf8("изменён другой программой")));
  EXPECT_EQ(Window->GetProject()->GetMainModules()->GetItem(0)->GetName(), u"Theirs");
  // The file the window loaded is watched again: the next write is seen too.
  other.GetMainModules()->GetItem(0)->SetName(u"Again");
  ASSERT_TRUE(other.Save(Folder.File("shared.xml")));
  Script.Answers = {IMainDialogs::mrYes};
  ASSERT_TRUE(QTest::qWaitFor([&] { return Script.Asked.size() == 2; }, 5000));
  EXPECT_EQ(Window->GetProject()->GetMainModules()->GetItem(0)->GetName(), u"Again");
}
