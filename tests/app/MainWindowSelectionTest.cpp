#include "app/unMain.h"
#include "canvas/unProgrammingImage.h"
#include "help/unTeach.h"
#include "model/unParamList.h"
#include "model/unProject.h"
#include "platform/unExeFolder.h"
#include "shell/unCheck1.h"
#include "shell/unModuleMaster.h"
#include "support/MainWindowTestSupport.h"
#include "xml/XmlTestSupport.h"

#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QScreen>
#include <QStatusBar>
#include <QTableWidget>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>
#include <QUndoStack>
#include <gtest/gtest.h>

namespace {

// A new project holding "Module1" at (100, 100) and "Second" at (300, 100), both 100 × 100.
class MainWindowSelectionTest : public ::testing::Test {
protected:
  void SetUp() override {
    Window = ShownMainWindow(Script, Folder.Path);
    Trigger("miNewProject");
    Modules()->AddModule(300, 100, u"Second", 100, 100);
    Window->RefreshView();
  }
  void Trigger(const char* name) { Window->findChild<QAction*>(name)->trigger(); }
  QAction* Action(const char* name) { return Window->findChild<QAction*>(name); }
  std::shared_ptr<IModuleList> Modules() { return Window->GetProject()->GetMainModules(); }
  QTreeWidget* Tree() { return Window->findChild<QTreeWidget*>("tvMain"); }
  QTableWidget* Grid() { return Window->findChild<QTableWidget*>("ValueListEditor"); }
  TProgrammingImage* Canvas() { return Window->GetCanvas(); }
  QString GridValue(const QString& key) { return ::GridValue(*Window, key); }
  void TypeIntoGrid(const QString& key, const QString& text) { SetGridText(*Window, key, text); }
  bool RedAt(int x, int y) { return QColor(Canvas()->Picture().pixel(x, y)) == QColor(Qt::red); }

  // What every view shows as selected: the focused modules' names, the tree's current entry, the
  // grid's name and whether the canvas draws each box red; all must agree.
  std::string Shown() {
    std::string model;
    for (std::int32_t i = 0; i < Modules()->Count(); ++i)
      if (Modules()->GetItem(i)->GetFocused())
        model += Utf16ToUtf8(Modules()->GetItem(i)->GetName()) + ";";
    // Every entry the tree marks, in its order.
    std::string tree;
    if (QTreeWidgetItem* root = Tree()->topLevelItem(0))
      for (int i = 0; i < root->childCount(); ++i)
        if (root->child(i)->isSelected())
          tree += root->child(i)->text(0).toStdString() + ";";
    // The grid shows the name the selection shares (empty for several).
    const auto count = std::count(model.begin(), model.end(), ';');
    const std::string grid = !Grid()->rowCount() ? ""
                             : count > 1         ? model
                                                 : GridValue("Name").toStdString() + ";";
    std::string canvas;
    for (std::int32_t i = 0; i < Modules()->Count(); ++i) {
      const TPoint p = Modules()->GetItem(i)->GetPosition();
      const int left = p.X - Modules()->GetItem(i)->GetWidth() / 2;
      const int top = p.Y - Modules()->GetItem(i)->GetHeight() / 2;
      if (RedAt(left, top))
        canvas += Utf16ToUtf8(Modules()->GetItem(i)->GetName()) + ";";
    }
    EXPECT_EQ(tree, model) << "tree";
    EXPECT_EQ(grid, model) << "grid";
    EXPECT_EQ(canvas, model) << "canvas";
    EXPECT_EQ(Action("miDelete")->isEnabled(), !model.empty());
    return model;
  }

  TTempFolder Folder;
  TScriptedMainDialogs::TScript Script;
  std::unique_ptr<TfmMain> Window;
};

// The wizard with the name and the position changed and OK pressed.
std::function<int(QDialog&)> Fill(const QString& name, int x, int y) {
  return [=](QDialog& dialog) {
    auto* master = qobject_cast<TFormModuleMaster*>(&dialog);
    master->findChild<QLineEdit*>("edName")->setText(name);
    master->findChild<QLineEdit*>("edPositionX")->setText(QString::number(x));
    master->findChild<QLineEdit*>("edPositionY")->setText(QString::number(y));
    master->btOkClick();
    return master->result();
  };
}

} // namespace

TEST_F(MainWindowSelectionTest, AProjectOpenedWithASelectionLeavesNoStaleRedBox) {
  auto project = std::make_shared<TProject>(nullptr, TAddToLog(), u"", u"Saved");
  project->GetMainModules()->AddModule(100, 100, u"Module1", 100, 100)->SetFocused(WordTrue);
  project->GetMainModules()->AddModule(300, 100, u"Second", 100, 100);
  Window->SetProject(project);
  EXPECT_EQ(Shown(), "Module1;");
  QTreeWidgetItem* second = Tree()->topLevelItem(0)->child(1);
  QTest::mouseClick(Tree()->viewport(), Qt::LeftButton, {},
                    Tree()->visualItemRect(second).center());
  EXPECT_EQ(Shown(), "Second;");
}

TEST_F(MainWindowSelectionTest, ADoubleClickOnAnotherModulesMarkEditsThatModule) {
  auto outputs = std::make_shared<TParamList>();
  outputs->AddNew()->Name = u"Out";
  Modules()->GetItem(1)->SetParamOut(outputs);
  Window->RefreshView();
  QTest::mouseClick(Canvas(), Qt::LeftButton, {}, QPoint(100, 100));
  QString edited;
  Script.Dialogs = {[&](QDialog& dialog) {
    edited = dialog.findChild<QLineEdit*>("edName")->text();
    return IMainDialogs::mrCancel;
  }};
  const TPoint mark = Modules()->GetItem(1)->MarkPoint(true, 0);
  QTest::mouseDClick(Window->windowHandle(), Qt::LeftButton, {},
                     Canvas()->mapTo(Window.get(), QPoint(mark.X - 2, mark.Y)));
  EXPECT_EQ(edited, "Second");
  EXPECT_EQ(Shown(), "Second;");
}

TEST_F(MainWindowSelectionTest, EveryViewShowsEverySelectedModule) {
  QTest::mouseClick(Canvas(), Qt::LeftButton, {}, QPoint(100, 100));
  QTest::mouseClick(Canvas(), Qt::LeftButton, Qt::ControlModifier, QPoint(300, 100));
  EXPECT_EQ(Shown(), "Module1;Second;");
  // Ctrl in the tree takes one out again.
  QTreeWidgetItem* first = Tree()->topLevelItem(0)->child(0);
  QTest::mouseClick(Tree()->viewport(), Qt::LeftButton, Qt::ControlModifier,
                    Tree()->visualItemRect(first).center());
  EXPECT_EQ(Shown(), "Second;");
  QTest::mouseClick(Tree()->viewport(), Qt::LeftButton, Qt::ControlModifier,
                    Tree()->visualItemRect(first).center());
  EXPECT_EQ(Shown(), "Module1;Second;");
}

TEST_F(MainWindowSelectionTest, ChoosingInTheTreeSelectsEverywhereAndDeleteTakesThatModule) {
  QTest::mouseClick(Canvas(), Qt::LeftButton, {}, QPoint(100, 100));
  EXPECT_EQ(Shown(), "Module1;");
  QTreeWidgetItem* second = Tree()->topLevelItem(0)->child(1);
  QTest::mouseClick(Tree()->viewport(), Qt::LeftButton, {},
                    Tree()->visualItemRect(second).center());
  EXPECT_EQ(Shown(), "Second;");
  Trigger("miDelete");
  ASSERT_EQ(Modules()->Count(), 1);
  EXPECT_EQ(Modules()->GetItem(0)->GetName(), u"Module1");
  EXPECT_EQ(Shown(), ""); // the grid no longer shows the deleted module
  Trigger("miUndo");
  ASSERT_EQ(Modules()->Count(), 2);
  EXPECT_EQ(Shown(), "Second;");
}

TEST_F(MainWindowSelectionTest, ArrowKeysInTheTreeSelectEverywhere) {
  QTreeWidgetItem* first = Tree()->topLevelItem(0)->child(0);
  QTest::mouseClick(Tree()->viewport(), Qt::LeftButton, {}, Tree()->visualItemRect(first).center());
  EXPECT_EQ(Shown(), "Module1;");
  Tree()->setFocus();
  QTest::keyClick(Tree(), Qt::Key_Down);
  EXPECT_EQ(Shown(), "Second;");
  QTest::keyClick(Tree(), Qt::Key_Up);
  QTest::keyClick(Tree(), Qt::Key_Up); // the project's own entry: no module
  EXPECT_EQ(Shown(), "");
}

TEST_F(MainWindowSelectionTest, ANewModuleIsSelectedEverywhereAndItsUndoGivesBackTheSelection) {
  QTest::mouseClick(Canvas(), Qt::LeftButton, {}, QPoint(100, 100));
  Script.Dialogs = {Fill("Third", 500, 300)};
  Trigger("miNewModule");
  ASSERT_EQ(Modules()->Count(), 3);
  EXPECT_EQ(Shown(), "Third;");
  // No box stays red but the new one's.
  EXPECT_FALSE(Modules()->GetItem(0)->GetFocused());
  const QImage partial = Canvas()->Picture().copy();
  Canvas()->Redraw();
  EXPECT_TRUE(partial == Canvas()->Picture());
  Trigger("miUndo");
  EXPECT_EQ(Modules()->Count(), 2);
  EXPECT_EQ(Shown(), "Module1;");
  // A cancelled wizard changes nothing: the old selection stays.
  QTest::mouseClick(Canvas(), Qt::LeftButton, {}, QPoint(300, 100));
  Script.Dialogs.clear();
  Trigger("miNewModule");
  EXPECT_EQ(Modules()->Count(), 2);
  EXPECT_EQ(Shown(), "Second;");
}

TEST_F(MainWindowSelectionTest, UndoingADeleteSelectsOnlyTheModuleThatComesBack) {
  QTest::mouseClick(Canvas(), Qt::LeftButton, {}, QPoint(100, 100));
  Trigger("miDelete");
  QTest::mouseClick(Canvas(), Qt::LeftButton, {}, QPoint(300, 100));
  EXPECT_EQ(Shown(), "Second;");
  Trigger("miUndo");
  EXPECT_EQ(Shown(), "Module1;");
  EXPECT_EQ(GridValue("PositionX"), "100");
  Trigger("miRedo");
  EXPECT_EQ(Shown(), "");
}

TEST_F(MainWindowSelectionTest, PressingEmptyCanvasSelectsNothingAnywhere) {
  QTest::mouseClick(Canvas(), Qt::LeftButton, {}, QPoint(300, 100));
  EXPECT_EQ(Shown(), "Second;");
  QTest::mouseClick(Canvas(), Qt::LeftButton, {}, QPoint(500, 350));
  EXPECT_EQ(Shown(), "");
  Trigger("miDelete");
  EXPECT_EQ(Modules()->Count(), 2);
}

TEST_F(MainWindowSelectionTest, ArrowKeysMoveTheSelectedModuleInOneUndoStepPerRun) {
  QTest::mouseClick(Canvas(), Qt::LeftButton, {}, QPoint(300, 100));
  EXPECT_TRUE(Canvas()->hasFocus());
  auto second = Modules()->GetItem(1);
  const int before = Window->GetUndoStack()->count();
  for (int i = 0; i < 3; ++i)
    QTest::keyClick(Canvas(), Qt::Key_Right);
  QTest::keyClick(Canvas(), Qt::Key_Down, Qt::ShiftModifier);
  QTest::keyClick(Canvas(), Qt::Key_Left, Qt::ShiftModifier);
  QTest::keyClick(Canvas(), Qt::Key_Up);
  EXPECT_EQ(second->GetPosition(), (TPoint{293, 109}));
  EXPECT_EQ(GridValue("PositionX"), "293");
  EXPECT_EQ(GridValue("PositionY"), "109");
  EXPECT_TRUE(RedAt(293 - 50, 109 - 50));
  EXPECT_EQ(Window->GetUndoStack()->count(), before + 1);
  EXPECT_TRUE(Window->GetProject()->Modified);
  Trigger("miUndo");
  EXPECT_EQ(second->GetPosition(), (TPoint{300, 100}));
  EXPECT_EQ(Shown(), "Second;");
  // Another module starts another step.
  QTest::keyClick(Canvas(), Qt::Key_Right);
  QTest::mouseClick(Canvas(), Qt::LeftButton, {}, QPoint(100, 100));
  QTest::keyClick(Canvas(), Qt::Key_Right);
  EXPECT_EQ(Window->GetUndoStack()->count(), before + 2);
  EXPECT_EQ(Modules()->GetItem(0)->GetPosition(), (TPoint{101, 100}));
  // Without a selection the keys move nothing.
  QTest::mouseClick(Canvas(), Qt::LeftButton, {}, QPoint(500, 350));
  QTest::keyClick(Canvas(), Qt::Key_Right);
  EXPECT_EQ(Window->GetUndoStack()->count(), before + 2);
}

TEST_F(MainWindowSelectionTest, SizesBelowOneAreRefusedWithTheReason) {
  QTest::mouseClick(Canvas(), Qt::LeftButton, {}, QPoint(100, 100));
  auto module = Modules()->GetItem(0);
  for (const char* text : {"0", "-50"})
    for (const char* key : {"Width", "Height"}) {
      TypeIntoGrid(key, text);
      EXPECT_EQ(module->GetWidth(), 100) << key << text;
      EXPECT_EQ(module->GetHeight(), 100) << key << text;
      EXPECT_EQ(GridValue(key), "100");
      const QString message = Window->statusBar()->currentMessage();
      EXPECT_TRUE(message.contains(key) && message.contains(QString::fromUtf8("меньше 1")))
          << message.toStdString();
    }
  EXPECT_FALSE(Window->GetUndoStack()->canUndo());
  TypeIntoGrid("Width", "1");
  EXPECT_EQ(module->GetWidth(), 1);
}

TEST(MainWindowExit, ClosingTheMainWindowEndsTheProgramWithItsShutDown) {
  TTempFolder folder;
  std::filesystem::create_directory(folder.Path / "Configs");
  TScriptedMainDialogs::TScript script;
  auto* window = new TfmMain(std::make_unique<TScriptedMainDialogs>(script), nullptr,
                             Utf8ToUtf16(folder.Path.string() + "/"));
  window->show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(window));
  QWidget* log = nullptr;
  for (QWidget* w : QApplication::topLevelWidgets())
    if (w != window && w->isVisible())
      log = w;
  ASSERT_NE(log, nullptr) << "the log window is not shown";
  window->resize(640, 480);
  bool timedOut = false;
  QTimer::singleShot(0, window, [window] { window->close(); });
  QTimer watchdog;
  watchdog.setSingleShot(true);
  QObject::connect(&watchdog, &QTimer::timeout, [&] {
    timedOut = true;
    QApplication::exit(1);
  });
  watchdog.start(5000);
  EXPECT_EQ(QApplication::exec(), 0);
  EXPECT_FALSE(timedOut) << "the program kept running";
  delete window; // as main() does once the loop has ended
  const std::string config = ReadBytes(folder.File("Configs/" + ExeBaseName() + ".config"));
  EXPECT_NE(config.find("<Width>640</Width>"), std::string::npos) << config;
  EXPECT_NE(config.find("<Height>480</Height>"), std::string::npos) << config;
  const std::string logText = ReadBytes(folder.File("Logs/" + ExeBaseName() + ".log"));
  EXPECT_NE(logText.find("Программа остановлена"), std::string::npos);
}

TEST(StartDialog, EnterChoosesANewProject) {
  TFormCheck1 dialog;
  QTimer::singleShot(0, &dialog, [&] { QTest::keyClick(&dialog, Qt::Key_Return); });
  EXPECT_EQ(dialog.exec(), 6);
}

TEST(TeachWindow, StaysAboveItsOwnerAndSnapsToTheScreensBorder) {
  QWidget owner;
  owner.show();
  TfmTeach teach(&owner);
  EXPECT_TRUE(teach.windowFlags().testFlag(Qt::Tool));
  EXPECT_EQ(teach.parentWidget(), &owner);
  teach.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&teach));
  const QRect area = teach.screen()->availableGeometry();
  teach.move(area.left() + 7, area.top() + 200);
  EXPECT_EQ(teach.frameGeometry().left(), area.left());
  EXPECT_EQ(teach.frameGeometry().top(), area.top() + 200);
  teach.move(area.right() - teach.frameGeometry().width() - 4,
             area.bottom() - teach.frameGeometry().height() + 9);
  EXPECT_EQ(teach.frameGeometry().right(), area.right());
  EXPECT_EQ(teach.frameGeometry().bottom(), area.bottom());
  teach.move(area.left() + 60, area.top() + 60);
  EXPECT_EQ(teach.frameGeometry().topLeft(), area.topLeft() + QPoint(60, 60));
  // The rule itself, with a frame 100 × 50 in the area 0, 0 – 1000 × 800.
  const QRect screen(0, 0, 1000, 800);
  const struct {
    QPoint At, Snapped;
  } table[] = {{{10, 10}, {0, 0}},       {{11, 400}, {11, 400}},   {{-10, 400}, {0, 400}},
               {{905, 745}, {900, 750}}, {{889, 739}, {889, 739}}, {{500, -3}, {500, 0}}};
  for (const auto& row : table)
    EXPECT_EQ(SnapToArea(QRect(row.At, QSize(100, 50)), screen, 10), row.Snapped) << row.At.x();
}

TEST_F(MainWindowSelectionTest, ADragChangesNothingUntilItEndsAndThenIsOneStep) {
  QTest::mouseClick(Canvas(), Qt::LeftButton, {}, QPoint(300, 100));
  TProjectDocument* document = Window->GetDocument();
  int contentChanges = 0;
  QObject::connect(document, &TProjectDocument::ContentChanged, [&] { ++contentChanges; });
  QTreeWidgetItem* root = Tree()->topLevelItem(0);
  QTest::mousePress(Canvas(), Qt::LeftButton, {}, QPoint(300, 100));
  for (const QPoint p : {QPoint(310, 110), QPoint(320, 120), QPoint(330, 130)})
    QTest::mouseMove(Canvas(), p);
  EXPECT_EQ(contentChanges, 0) << "every view was rebuilt during the drag";
  EXPECT_EQ(Tree()->topLevelItem(0), root);
  EXPECT_EQ(GridValue("PositionX"), "300");
  QTest::mouseRelease(Canvas(), Qt::LeftButton, {}, QPoint(330, 130));
  EXPECT_EQ(Window->GetUndoStack()->count(), 1);
  EXPECT_EQ(contentChanges, 1);
  EXPECT_EQ(GridValue("PositionX"), "330");
}
