// A user builds a subsystem in the window, wires it between modules and runs it.
#include "app/unProjectDocument.h"
#include "app/unRunControl.h"
#include "canvas/unProgrammingImage.h"
#include "model/unIModule.h"
#include "model/unLinkList.h"
#include "model/unPorts.h"
#include "model/unProject.h"
#include "plugins/unComponentList.h"
#include "shell/unModuleMaster.h"
#include "support/MainWindowTestSupport.h"
#include "xml/XmlTestSupport.h"

#include <QAction>
#include <QComboBox>
#include <QLineEdit>
#include <QStatusBar>
#include <QTableWidget>
#include <QUndoStack>
#include <filesystem>
#include <gtest/gtest.h>

namespace {

class SubsystemWindowTest : public ::testing::Test {
protected:
  void SetUp() override {
    for (const char* name : {"SignalGenerator.so", "Adder.so", "Recorder.so"})
      std::filesystem::copy_file(std::string(ZU_SAMPLES) + "/" + name, Folder.Path / name);
    std::filesystem::create_directory(Folder.Path / "Configs");
    Window = ShownMainWindow(Script, Folder.Path);
    Window->GetComponents()->ProbeProgram = std::string(ZU_SAMPLES) + "/zu-probe";
    Script.Dialogs = {[](QDialog&) { return 6; }}; // a new project
    Window->Start();
    Window->WaitForComponents();
  }
  std::u16string Type(const char* name) { return Utf8ToUtf16((Folder.Path / name).string()); }
  TProjectDocument& Doc() { return *Window->GetDocument(); }
  std::shared_ptr<IModule> Add(const char* name, const char* type, int x) {
    TModuleText text = TProjectDocument::NewModuleText();
    text.Name = name;
    text.Type = QString::fromStdU16String(Type(type));
    text.PositionX = QString::number(x);
    EXPECT_TRUE(Doc().AddModule(text).Ok);
    return Doc().Selected();
  }
  void Trigger(const char* name) { Window->findChild<QAction*>(name)->trigger(); }
  QString Message() { return Window->statusBar()->currentMessage(); }

  TTempFolder Folder;
  TScriptedMainDialogs::TScript Script;
  std::unique_ptr<TfmMain> Window;
};

} // namespace

TEST_F(SubsystemWindowTest, AFilterBuiltInTheWindowRunsBetweenAGeneratorAndARecorder) {
  auto gen = Add("Gen", "SignalGenerator.so", 100);
  auto add = Add("Add", "Adder.so", 300);
  auto rec = Add("Rec", "Recorder.so", 500);
  ASSERT_TRUE(Doc().SetInputValue({gen}, u"Period", u"4").Ok);
  ASSERT_TRUE(Doc().SetInputValue({gen}, u"Waveform", u"3").Ok);
  ASSERT_TRUE(Doc().SetInputValue({add}, u"B", u"10").Ok);
  ASSERT_TRUE(Doc().AddLink(gen, u"Signal", add, u"A").Ok);
  ASSERT_TRUE(Doc().AddLink(add, u"Sum", rec, u"Value").Ok);
  // Edit ▸ Make Subsystem on the adder: its links become the ports "A" and "Sum".
  Doc().Select(add);
  ASSERT_TRUE(Window->findChild<QAction*>("miMakeSubsystem")->isEnabled());
  Trigger("miMakeSubsystem");
  auto filter = Doc().Selected();
  ASSERT_TRUE(filter && IsSubsystem(*filter)) << Message().toStdString();
  ASSERT_TRUE(Doc().SetValue({filter}, "Name", "Filter").Ok);
  EXPECT_EQ(ParamIndex(*filter, false, u"A"), 0);
  EXPECT_EQ(ParamIndex(*filter, true, u"Sum"), 0);
  // Inside, File ▸ New ▸ Input Port adds a port the level above shows.
  Doc().OpenModule(filter);
  ASSERT_TRUE(Window->findChild<QAction*>("miNewInputPort")->isEnabled());
  Trigger("miNewInputPort");
  EXPECT_EQ(ParamIndex(*filter, false, u"In1"), 1);
  Trigger("miUndo");
  EXPECT_EQ(ParamIndex(*filter, false, u"In1"), -1);
  Trigger("miNewOutputPort");
  EXPECT_EQ(ParamIndex(*filter, true, u"Out1"), 1);
  Trigger("miUndo");
  EXPECT_EQ(ParamIndex(*filter, true, u"Out1"), -1);
  Trigger("miUp");
  // The canvas draws the subsystem's marks: a green input mark on its left edge.
  TProgrammingImage* canvas = Window->GetCanvas();
  const TPoint mark = filter->MarkPoint(false, 0);
  ASSERT_DOUBLE_EQ(canvas->GetZoom(), 1);
  const int x = mark.X - canvas->GetOrigin().X, y = mark.Y - canvas->GetOrigin().Y;
  EXPECT_EQ(QColor(canvas->Picture().pixel(x + 3, y)), QColor(0, 128, 0)); // the chevron's tip
  // Run: the value leaves the subsystem in the tick it enters.
  Trigger("miRate100");
  Trigger("miRun");
  TRunControl* run = Window->GetRunControl();
  ASSERT_TRUE(run->Running()) << Message().toStdString();
  ASSERT_TRUE(QTest::qWaitFor([&] { return run->Tick() >= 3; }, 5000));
  // The values of one report: what entered the port plus 10 left it, and the recorder took it.
  const auto in = run->Value(*gen, true, u"Signal");
  const auto out = run->Value(*filter, true, u"Sum");
  ASSERT_TRUE(in && out);
  EXPECT_DOUBLE_EQ(std::stod(*out), std::stod(*in) + 10);
  EXPECT_EQ(run->Value(*rec, false, u"Value"), out);
  const TLinkList& links = Window->GetProject()->GetMainModules()->GetLinks();
  ASSERT_EQ(links.Count(), 2);
  EXPECT_EQ(canvas->LinkValue(*links.Get(1)), Utf8ToUtf16(*out));
  Trigger("miStop");
  ASSERT_TRUE(QTest::qWaitFor([&] { return !run->Running(); }, 5000));
}
