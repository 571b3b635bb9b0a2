#include "canvas/unProgrammingImage.h"
#include "model/unProject.h"
#include "plugins/unComponentList.h"
#include "shell/unModuleMaster.h"
#include "support/MainWindowTestSupport.h"
#include "xml/XmlTestSupport.h"

#include <QAction>
#include <QComboBox>
#include <QLineEdit>
#include <filesystem>
#include <gtest/gtest.h>

namespace {

// The main window on a folder holding three sample components, started with no project.
class ConnectionsTest : public ::testing::Test {
protected:
  void SetUp() override {
    for (const char* name : {"Adder.so", "Comparator.so", "SignalGenerator.so"})
      std::filesystem::copy_file(std::string(ZU_SAMPLES) + "/" + name, Folder.Path / name);
    Window = ShownMainWindow(Script, Folder.Path);
    Window->GetComponents()->ProbeProgram = std::string(ZU_SAMPLES) + "/zu-probe";
    Script.Dialogs = {[](QDialog&) { return 2; }};
    Window->Start();
    ASSERT_EQ(Window->GetComponents()->Count(), 3);
    Trigger("miNewProject");
  }
  void Trigger(const char* name) { Window->findChild<QAction*>(name)->trigger(); }
  std::shared_ptr<IModuleList> Modules() { return Window->GetProject()->GetMainModules(); }
  std::u16string Path(const char* name) { return Utf8ToUtf16((Folder.Path / name).string()); }
  // Adds a module of the component through the wizard.
  void AddModule(const char* component, int x, int y) {
    const QString type = QString::fromStdU16String(Path(component));
    Script.Dialogs = {[=](QDialog& dialog) {
      auto* master = qobject_cast<TFormModuleMaster*>(&dialog);
      master->findChild<QComboBox*>("cbType")->setCurrentText(type);
      master->findChild<QLineEdit*>("edPositionX")->setText(QString::number(x));
      master->findChild<QLineEdit*>("edPositionY")->setText(QString::number(y));
      master->btOkClick();
      return master->result();
    }};
    Trigger("miNewModule");
  }

  TTempFolder Folder;
  TScriptedMainDialogs::TScript Script;
  std::unique_ptr<TfmMain> Window;
};

} // namespace

TEST_F(ConnectionsTest, ParametersComeBackAfterOpenAndAfterARescan) {
  AddModule("Adder.so", 300, 100);
  auto adder = Modules()->GetItem(1);
  ASSERT_EQ(adder->GetParamIn()->Count(), 2);
  Script.Files = {QString::fromStdU16String(Path("p.xml"))};
  Trigger("miSaveProject");
  Script.Files = {QString::fromStdU16String(Path("p.xml"))};
  Trigger("miOpenProject");
  ASSERT_TRUE(Script.Errors.isEmpty());
  adder = Modules()->GetItem(1);
  EXPECT_EQ(adder->GetParamIn()->Count(), 2);
  EXPECT_EQ(adder->GetParamOut()->Count(), 1);
  // View ▸ Components scans again: the module holds the new component's lists.
  Script.Dialogs = {[](QDialog&) { return 2; }};
  Trigger("miComponents");
  TComponent* fresh = Window->GetComponents()->GetComponent(0);
  EXPECT_EQ(adder->GetParamIn(), fresh->GetParamIn());
  EXPECT_EQ(adder->GetParamIn()->Count(), 2);
}

TEST_F(ConnectionsTest, AMissingComponentKeepsTheTypeAndTheGridSaysSo) {
  AddModule("Adder.so", 300, 100);
  auto adder = Modules()->GetItem(1);
  auto* grid = GridOf(*Window);
  auto typeItem = [&] {
    for (int r = 0; r < grid->rowCount(); ++r)
      if (grid->item(r, 0)->text() == "Type")
        return grid->item(r, 1);
    return static_cast<QTableWidgetItem*>(nullptr);
  };
  ASSERT_NE(typeItem(), nullptr);
  EXPECT_TRUE(typeItem()->toolTip().isEmpty());
  EXPECT_NE(typeItem()->foreground().color(), QColor(Qt::red));
  // The component goes away: after a rescan the module keeps its type and shows no marks.
  std::filesystem::remove(Folder.Path / "Adder.so");
  Script.Dialogs = {[](QDialog&) { return 2; }};
  Trigger("miComponents");
  EXPECT_EQ(adder->GetType(), Path("Adder.so"));
  EXPECT_EQ(adder->GetParamIn()->Count(), 0);
  EXPECT_EQ(GridValue(*Window, "Type"), QString::fromStdU16String(Path("Adder.so")));
  EXPECT_EQ(typeItem()->foreground().color(), QColor(Qt::red));
  EXPECT_TRUE(typeItem()->toolTip().contains(QString::fromUtf8("не найден")))
      << typeItem()->toolTip().toStdString();
}
