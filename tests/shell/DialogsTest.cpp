#include "ShellTestSupport.h"
#include "app/unMain.h"
#include "canvas/unProgrammingImage.h"
#include "model/unProject.h"
#include "shell/unCheck1.h"
#include "shell/unComponents.h"
#include "shell/unModuleMaster.h"
#include "shell/unSettings.h"
#include "support/ScriptedMainDialogs.h"

#include <QAction>
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QTest>
#include <QTreeWidget>
#include <gtest/gtest.h>

TEST(StartDialog, EachButtonGivesItsAnswer) {
  const std::pair<const char*, int> buttons[] = {
      {"ButtonCreate", 6}, {"ButtonOpen", 7}, {"ButtonCancel", 2}};
  for (auto [name, result] : buttons) {
    TFormCheck1 check;
    EXPECT_EQ(check.windowTitle(), QString::fromUtf8("Выбор"));
    check.findChild<QPushButton*>(name)->click();
    EXPECT_EQ(check.result(), result) << name;
  }
  TFormCheck1 closed;
  closed.reject();
  EXPECT_EQ(closed.result(), 2);
  TFormSettings settings;
  EXPECT_EQ(settings.windowTitle(), QString::fromUtf8("Настройки програмы"));
  settings.findChild<QPushButton*>("ButtonOk")->click();
  EXPECT_EQ(settings.result(), 1);
}

TEST(ComponentsBrowser, TreeOfNamesAndTheChosenOnesReport) {
  TfmComponents browser;
  EXPECT_EQ(browser.windowTitle(), QString::fromUtf8("Компоненты"));
  auto* tree = browser.findChild<QTreeWidget*>("TreeView");
  auto* info = browser.findChild<QPlainTextEdit*>("mmInfo");
  browser.SetComponents(nullptr);
  EXPECT_EQ(tree->topLevelItemCount(), 0);
  // Two copies of one component and one that did not connect.
  TTempFolder folder;
  std::filesystem::copy_file(Samples + "Adder.so", folder.Path / "a.so");
  std::filesystem::copy_file(Samples + "Adder.so", folder.Path / "b.so");
  TComponentList registry;
  registry.ProbeProgram = ZU_PROBE;
  registry.Path = folder.Path.string() + "/";
  registry.Refresh();
  ASSERT_EQ(registry.Count(), 2);
  registry.GetComponent(1)->Disconnect();
  browser.SetComponents(&registry);
  ASSERT_EQ(tree->topLevelItemCount(), 2);
  EXPECT_EQ(tree->topLevelItem(0)->text(0), "Adder");
  EXPECT_EQ(tree->topLevelItem(1)->text(0), "");
  browser.TreeViewClick(); // nothing selected
  EXPECT_EQ(info->toPlainText(), "");
  tree->setCurrentItem(tree->topLevelItem(0));
  browser.TreeViewClick();
  const QStringList lines = info->toPlainText().split('\n');
  ASSERT_EQ(lines.size(), 26);
  EXPECT_EQ(lines[1], "Name:        Adder");
  EXPECT_EQ(lines[9], "  --- ParamIn[0] ---");
  tree->setCurrentItem(tree->topLevelItem(1));
  browser.TreeViewClick();
  EXPECT_TRUE(info->toPlainText().contains("Version:     0.0.0.0"));
  EXPECT_TRUE(info->font().fixedPitch());
}

namespace {

class MainWindowShellTest : public ::testing::Test {
protected:
  void SetUp() override {
    Window = std::make_unique<TfmMain>(std::make_unique<TScriptedMainDialogs>(Script));
    Window->GetComponents()->ProbeProgram = ZU_PROBE;
    Window->GetComponents()->Path = Folder.Path.string() + "/";
    std::filesystem::copy_file(Samples + "Adder.so", Folder.Path / "Adder.so");
    std::filesystem::copy_file(std::string(ZU_TEST_COMPONENTS) + "/test_info_crash.so",
                               Folder.Path / "Crash.so");
  }
  void Trigger(const char* name) { Window->findChild<QAction*>(name)->trigger(); }

  TTempFolder Folder;
  TScriptedMainDialogs::TScript Script;
  std::unique_ptr<TfmMain> Window;
};

// Chooses the first registry entry as the type and presses OK.
int ChooseFirstComponent(QDialog& dialog) {
  auto* master = qobject_cast<TFormModuleMaster*>(&dialog);
  if (!master)
    return 2;
  master->findChild<QComboBox*>("cbType")->setCurrentIndex(0);
  master->findChild<QLineEdit*>("edName")->setText("Sum");
  master->findChild<QLineEdit*>("edPositionX")->setText("200");
  master->findChild<QLineEdit*>("edPositionY")->setText("100");
  master->btOkClick();
  return master->result();
}

} // namespace

TEST_F(MainWindowShellTest, StartScansTheFolderAndAsksForAProject) {
  Script.Dialogs = {[](QDialog&) { return 6; }};
  Window->Start();
  Window->WaitForComponents();
  EXPECT_EQ(Script.Shown, QStringList{"FormCheck1"});
  ASSERT_NE(Window->GetProject(), nullptr);
  EXPECT_EQ(Window->GetComponents()->Count(), 1);
  // The crashing component is skipped, and said so; the editor runs on.
  EXPECT_TRUE(Window->statusBar()->currentMessage().contains("Crash.so"));
}

TEST_F(MainWindowShellTest, TheStartDialogsOtherAnswers) {
  Script.Dialogs = {[](QDialog&) { return 7; }};
  Window->Start(); // open: the file dialog is cancelled
  EXPECT_EQ(Script.FileDialogs, 1);
  EXPECT_EQ(Window->GetProject(), nullptr);
  auto other = std::make_unique<TfmMain>(std::make_unique<TScriptedMainDialogs>(Script));
  other->GetComponents()->ProbeProgram = ZU_PROBE;
  other->Start(); // cancelled
  EXPECT_EQ(other->GetProject(), nullptr);
  EXPECT_EQ(Script.FileDialogs, 1);
}

TEST_F(MainWindowShellTest, ANewModuleOfAComponentShowsItsMarks) {
  Script.Dialogs = {[](QDialog&) { return 6; }, ChooseFirstComponent};
  Window->Start();
  Trigger("miNewModule");
  auto modules = Window->GetProject()->GetMainModules();
  ASSERT_EQ(modules->Count(), 2);
  auto module = modules->GetItem(1);
  EXPECT_EQ(module->GetName(), u"Sum");
  EXPECT_EQ(module->GetParamIn()->Count(), 2);
  EXPECT_TRUE(Window->GetProject()->Modified);
  // Green input marks at the box's left edge, a blue output mark at its right, below the head.
  const QImage& pic = Window->GetCanvas()->Picture();
  const TPoint a = module->MarkPoint(false, 0), b = module->MarkPoint(false, 1);
  const TPoint sum = module->MarkPoint(true, 0);
  EXPECT_EQ(QColor(pic.pixel(a.X, a.Y)), QColor(0, 128, 0));
  EXPECT_EQ(QColor(pic.pixel(b.X, b.Y)), QColor(0, 128, 0));
  EXPECT_EQ(QColor(pic.pixel(sum.X, sum.Y)), QColor(0, 0, 255));
  EXPECT_GT(a.Y, module->Outline().Top + 36); // not in the head
  EXPECT_NE(QColor(pic.pixel(a.X + 3, module->Outline().Top + 2)), QColor(0, 128, 0));
  // Cancel removes a new module again.
  Trigger("miNewModule");
  EXPECT_EQ(modules->Count(), 2);
}

TEST_F(MainWindowShellTest, ADoubleClickEditsTheModuleAndShowsItAtOnce) {
  Script.Dialogs = {[](QDialog&) { return 6; }, ChooseFirstComponent};
  Window->Start();
  Window->resize(900, 600);
  // The first click of a double-click selects the box; the second opens the wizard on it.
  QTest::mouseClick(Window->GetCanvas(), Qt::LeftButton, {}, QPoint(100, 100));
  QTest::mouseDClick(Window->GetCanvas(), Qt::LeftButton, {}, QPoint(100, 100));
  EXPECT_EQ(Script.Shown, (QStringList{"FormCheck1", "FormModuleMaster"}));
  auto module = Window->GetProject()->GetMainModules()->GetItem(0);
  EXPECT_EQ(module->GetName(), u"Sum");
  EXPECT_EQ(module->GetPosition().X, 200);
  auto* tree = Window->findChild<QTreeWidget*>("tvMain");
  EXPECT_EQ(tree->topLevelItem(0)->child(0)->text(0), "Sum");
  EXPECT_EQ(QColor(Window->GetCanvas()->Picture().pixel(200, 50)), QColor(Qt::red));
}

TEST_F(MainWindowShellTest, SettingsAndComponentsOpenTheirDialogs) {
  QStringList names;
  Script.Dialogs = {[](QDialog&) { return 1; },
                    [&names](QDialog& dialog) {
                      auto* tree = dialog.findChild<QTreeWidget*>("TreeView");
                      for (int i = 0; tree && i < tree->topLevelItemCount(); ++i)
                        names << tree->topLevelItem(i)->text(0);
                      return 2;
                    }};
  Trigger("miSettings");
  Trigger("miComponents");
  EXPECT_EQ(Script.Shown, (QStringList{"FormSettings", "fmComponents"}));
  EXPECT_EQ(names, QStringList{"Adder"});
}
