#include "ShellTestSupport.h"
#include "canvas/unQtStrings.h"
#include "model/unProject.h"
#include "shell/unModuleMaster.h"

#include <QComboBox>
#include <QLineEdit>
#include <deque>
#include <gtest/gtest.h>

namespace {

class ModuleMasterTest : public ::testing::Test {
protected:
  void SetUp() override {
    Module = Project.GetMainModules()->AddNew();
    Master.ShowMessage = [this](const QString& text) { Messages << text; };
    Master.ChooseFile = [this]() -> std::optional<QString> {
      if (Files.empty())
        return std::nullopt;
      QString f = Files.front();
      Files.pop_front();
      return f;
    };
  }
  void Open() {
    Master.SetModule(Module);
    Master.SetComponents(Registry.get());
  }
  QLineEdit* Edit(const char* name) { return Master.findChild<QLineEdit*>(name); }
  QComboBox* Type() { return Master.findChild<QComboBox*>("cbType"); }
  QStringList Entries() {
    QStringList out;
    for (int i = 0; i < Type()->count(); ++i)
      out << Type()->itemText(i);
    return out;
  }

  std::unique_ptr<TComponentList> Registry = SampleRegistry();
  TProject Project{nullptr, {}, u"", u"P"};
  std::shared_ptr<IModule> Module;
  TFormModuleMaster Master;
  QStringList Messages;
  std::deque<QString> Files;
};

} // namespace

TEST_F(ModuleMasterTest, ANewModuleOpensWithItsDefaultsAndOneEntryPerComponent) {
  EXPECT_EQ(Master.windowTitle(), QString::fromUtf8("Мастер создания модуля"));
  Open();
  EXPECT_EQ(Edit("edName")->text(), "Module");
  EXPECT_EQ(Edit("edDescription")->text(), "");
  EXPECT_EQ(Type()->currentText(), "");
  for (const char* e : {"edPositionX", "edPositionY", "edHeight", "edWidth"})
    EXPECT_EQ(Edit(e)->text(), "100") << e;
  // By name and title, never by the library's path.
  EXPECT_EQ(Entries(), (QStringList{QString::fromUtf8("Adder — Сумматор"),
                                    QString::fromUtf8("Comparator — Компаратор")}));
  Type()->setCurrentIndex(1);
  Master.btOkClick();
  EXPECT_EQ(Master.Values().Type, QString::fromStdString(Samples + "Comparator.so"));
}

TEST_F(ModuleMasterTest, OkGivesEveryFieldAndLeavesTheModuleAlone) {
  Open();
  Edit("edName")->setText("Sum");
  Edit("edDescription")->setText("adds");
  Type()->setCurrentIndex(1);
  Edit("edPositionX")->setText("10");
  Edit("edPositionY")->setText("$14"); // integer text as the files have it
  Edit("edHeight")->setText("30");
  Edit("edWidth")->setText("1"); // the smallest size
  Master.btOkClick();
  EXPECT_EQ(Master.result(), 1);
  const TModuleText expected{
      "Sum", "adds", QString::fromStdString(Samples + "Comparator.so"), "10", "$14", "30", "1", {}};
  EXPECT_EQ(Master.Values(), expected);
  // The document applies them, not the wizard.
  EXPECT_EQ(Module->GetName(), u"Module");
  EXPECT_EQ(Module->GetType(), u"");
}

TEST_F(ModuleMasterTest, ANumberThatIsNotOneAppliesNothingAndNamesItsField) {
  Open();
  Edit("edName")->setText("Changed");
  const struct {
    const char* Field;
    const char* Text;
  } rows[] = {{"edPositionX", "1O"},     {"edPositionY", "abc"}, {"edHeight", ""},
              {"edWidth", "4294967296"}, {"edHeight", "0"},      {"edWidth", "-50"},
              {"edHeight", "-1"}};
  for (const auto& row : rows) {
    Open();
    Edit("edName")->setText("Changed");
    Edit(row.Field)->setText(row.Text);
    Messages.clear();
    Master.btOkClick();
    EXPECT_EQ(Master.result(), 0) << row.Field; // still open
    ASSERT_EQ(Messages.size(), 1) << row.Field;
    EXPECT_TRUE(Messages[0].contains(QString(row.Field).mid(2))) << Messages[0].toStdString();
    EXPECT_TRUE(Messages[0].contains(QString::fromUtf8("«") + row.Text + QString::fromUtf8("»")));
    // The field is marked for typing over.
    EXPECT_TRUE(Edit(row.Field)->hasSelectedText() || QString(row.Text).isEmpty()) << row.Field;
  }
}

TEST_F(ModuleMasterTest, TheTypeIsShownSoThatOkKeepsIt) {
  Module->SetType(Utf8ToUtf16(Samples + "Adder.so"));
  Module->SetParamIn(Registry->GetComponent(0)->GetParamIn());
  Open();
  EXPECT_EQ(Type()->currentIndex(), 0);
  Master.btOkClick();
  EXPECT_EQ(Master.Values().Type, QString::fromStdString(Samples + "Adder.so"));
  // A type no component stands behind is shown as it is and kept.
  Module->SetType(u"/opt/other.so");
  Open();
  EXPECT_EQ(Type()->currentText(), "/opt/other.so");
  EXPECT_EQ(Type()->currentIndex(), -1);
}

TEST_F(ModuleMasterTest, ABrowsedFileIsAddedOnceAndChosen) {
  Module->SetParamIn(Registry->GetComponent(0)->GetParamIn());
  Open();
  Files = {"/opt/zu/extra.so", "/opt/zu/extra.so", QString::fromStdString(Samples + "Adder.so")};
  Master.btTypeClick();
  Master.btTypeClick();
  EXPECT_EQ(Type()->count(), 3);
  EXPECT_EQ(Type()->currentText(), "/opt/zu/extra.so");
  Master.btOkClick();
  EXPECT_EQ(Master.Values().Type, "/opt/zu/extra.so");
  Master.btTypeClick(); // a registry entry is selected, not added again
  EXPECT_EQ(Type()->count(), 3);
  EXPECT_EQ(Type()->currentIndex(), 0);
  Master.btTypeClick(); // cancelled: nothing changes
  EXPECT_EQ(Type()->currentIndex(), 0);
}

TEST_F(ModuleMasterTest, CancelAndOkWithoutAModule) {
  Open();
  Edit("edName")->setText("Changed");
  Master.reject();
  EXPECT_EQ(Master.result(), 2);
  TFormModuleMaster empty;
  empty.btOkClick();
  EXPECT_EQ(empty.result(), 1);
}
