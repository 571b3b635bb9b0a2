#include "app/unProjectDocument.h"
#include "app/unRunControl.h"
#include "canvas/unProgrammingImage.h"
#include "canvas/unQtStrings.h"
#include "model/unIModule.h"
#include "model/unLinkList.h"
#include "model/unProject.h"
#include "platform/unLogFormat.h"
#include "plugins/unComponentList.h"
#include "support/MainWindowTestSupport.h"
#include "xml/XmlTestSupport.h"

#include "app/unMainDialogs.h"
#include "app/unPropertyGrid.h"
#include "app/unScopeView.h"
#include "plugins/unSignalHistory.h"

#include <QAction>
#include <QComboBox>
#include <QDockWidget>
#include <QDropEvent>
#include <QImage>
#include <QMenu>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QStatusBar>
#include <QTableWidget>
#include <QUndoStack>
#include <cmath>
#include <filesystem>
#include <gtest/gtest.h>
#include <sqlite3.h>

namespace {

// The window on a folder with the sample components, and a project file of four modules:
// Gen → Add → Cmp → Db, where Add's B and Db's file are still to be typed.
class RunWindowTest : public ::testing::Test {
protected:
  void SetUp() override {
    for (const char* name :
         {"SignalGenerator.so", "Adder.so", "Comparator.so", "DatabaseWriter.so"})
      std::filesystem::copy_file(std::string(ZU_SAMPLES) + "/" + name, Folder.Path / name);
    std::filesystem::copy_file(std::string(ZU_TEST_COMPONENTS) + "/test_misbehaves.so",
                               Folder.Path / "Misbehaves.so");
    Db = (Folder.Path / "rows.db").string();
    std::filesystem::create_directory(Folder.Path / "Configs");
  }
  void TearDown() override { unsetenv("ZU_TEST_MISBEHAVE"); }

  std::string Type(const char* name) { return (Folder.Path / name).string(); }
  // Writes the project and opens it in a started window.
  void Open(const std::string& modules, const std::string& links) {
    const std::string file = (Folder.Path / "chain.xml").string();
    WriteBytes(Utf8ToUtf16(file),
               "<?xml version=\"1.0\" encoding=\"Windows-1251\" ?>\n<Kven_ZU_Programming_Project>"
               "<Name>Chain</Name><ModuleMain><Name>Main</Name><Modules>" +
                   modules + "</Modules><Links>" + links +
                   "</Links></ModuleMain></Kven_ZU_Programming_Project>\n");
    Window = ShownMainWindow(Script, Folder.Path);
    Window->GetComponents()->ProbeProgram = std::string(ZU_SAMPLES) + "/zu-probe";
    Script.Dialogs = {[](QDialog&) { return 7; }};
    Script.Files = {QString::fromStdString(file)};
    Window->Start();
    Window->WaitForComponents();
    ASSERT_NE(Window->GetProject(), nullptr);
  }
  void OpenChain() {
    Open("<Count>4</Count>"
         "<Module0><Name>Gen</Name><Type>" +
             Type("SignalGenerator.so") +
             "</Type>"
             "<Inputs><Count>2</Count><Input0><Name>Period</Name><Value>7</Value></Input0>"
             "<Input1><Name>Waveform</Name><Value>3</Value></Input1></Inputs></Module0>"
             "<Module1><Name>Add</Name><Type>" +
             Type("Adder.so") +
             "</Type></Module1>"
             "<Module2><Name>Cmp</Name><Type>" +
             Type("Comparator.so") +
             "</Type>"
             "<Inputs><Count>1</Count><Input0><Name>Threshold</Name><Value>0.9</Value></Input0>"
             "</Inputs></Module2>"
             "<Module3><Name>Db</Name><Type>" +
             Type("DatabaseWriter.so") + "</Type></Module3>",
         "<Count>3</Count>"
         "<Link0><From>0</From><Output>Signal</Output><To>1</To><Input>A</Input></Link0>"
         "<Link1><From>1</From><Output>Sum</Output><To>2</To><Input>Value</Input></Link1>"
         "<Link2><From>1</From><Output>Sum</Output><To>3</To><Input>Value</Input></Link2>");
  }
  // The chain with the values a run needs typed in the grid: the database's file, Add's B.
  void OpenChainReadyToRun() {
    OpenChain();
    Window->GetDocument()->Select(Module(3));
    Row(QString::fromUtf8("Соединение (string)"))->setText(QString::fromStdString(Db));
    Window->GetDocument()->Select(Module(1));
    Row(QString::fromUtf8("Слагаемое B (double)"))->setText("0.5");
  }
  std::shared_ptr<IModule> Module(int i) {
    return Window->GetProject()->GetMainModules()->GetItem(i);
  }
  QAction* Item(const char* name) { return Window->findChild<QAction*>(name); }
  // The grid's row whose key is the text: its value cell, or null.
  QTableWidgetItem* Row(const QString& key) {
    QTableWidget* grid = GridOf(*Window);
    for (int r = 0; r < grid->rowCount(); ++r)
      if (grid->item(r, 0)->text() == key)
        return grid->item(r, 1);
    return nullptr;
  }
  // The grid's row whose key is the text: its key cell, or null.
  QTableWidgetItem* Key(const QString& key) {
    QTableWidget* grid = GridOf(*Window);
    for (int r = 0; r < grid->rowCount(); ++r)
      if (grid->item(r, 0)->text() == key)
        return grid->item(r, 0);
    return nullptr;
  }
  // The first output row of the grid's key cells.
  QTableWidgetItem* FirstOutputKey() {
    QTableWidget* grid = GridOf(*Window);
    for (int r = 0; r < grid->rowCount(); ++r)
      if (grid->item(r, 0)->text().startsWith(QString::fromUtf8("Выход: ")))
        return grid->item(r, 0);
    return nullptr;
  }
  std::int64_t Rows() {
    sqlite3* db = nullptr;
    std::int64_t n = -1;
    if (sqlite3_open_v2(Db.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
      sqlite3_stmt* q = nullptr;
      if (sqlite3_prepare_v2(db, "SELECT count(*) FROM \"Values\"", -1, &q, nullptr) == SQLITE_OK &&
          sqlite3_step(q) == SQLITE_ROW)
        n = sqlite3_column_int64(q, 0);
      sqlite3_finalize(q);
    }
    sqlite3_close(db);
    return n;
  }

  TTempFolder Folder;
  TScriptedMainDialogs::TScript Script;
  std::unique_ptr<TfmMain> Window;
  std::string Db;
};

} // namespace

TEST_F(RunWindowTest, TypedValuesAreUnlinkedInputsOfTheGridAndUndoLikeAnyEdit) {
  OpenChain();
  TProjectDocument* document = Window->GetDocument();
  document->Select(Module(1));
  // The linked input has no row; the unlinked one has, with its title and type.
  EXPECT_EQ(Row(QString::fromUtf8("Слагаемое A (double)")), nullptr);
  ASSERT_NE(Row(QString::fromUtf8("Слагаемое B (double)")), nullptr);
  EXPECT_EQ(Row(QString::fromUtf8("Слагаемое B (double)"))->text(), "");
  // An output's row is ticked to watch it; its value comes while the project runs.
  ASSERT_NE(Row(QString::fromUtf8("Выход: Сумма (double)")), nullptr);
  EXPECT_EQ(Row(QString::fromUtf8("Выход: Сумма (double)"))->text(), "");
  EXPECT_EQ(Key(QString::fromUtf8("Выход: Сумма (double)"))->checkState(), Qt::Unchecked);
  EXPECT_EQ(Row("Name")->text(), "Add");
  Row(QString::fromUtf8("Слагаемое B (double)"))->setText("0.25");
  EXPECT_EQ(Module(1)->GetInputValues(), (std::vector<TInputValue>{{u"B", u"0.25"}}));
  EXPECT_TRUE(Window->GetProject()->Modified);
  // Another value replaces it; an empty one takes it away; each is one undo step.
  Row(QString::fromUtf8("Слагаемое B (double)"))->setText("0.5");
  EXPECT_EQ(Module(1)->GetInputValues(), (std::vector<TInputValue>{{u"B", u"0.5"}}));
  Row(QString::fromUtf8("Слагаемое B (double)"))->setText("");
  EXPECT_TRUE(Module(1)->GetInputValues().empty());
  Window->GetUndoStack()->undo();
  EXPECT_EQ(Module(1)->GetInputValues(), (std::vector<TInputValue>{{u"B", u"0.5"}}));
  EXPECT_EQ(Row(QString::fromUtf8("Слагаемое B (double)"))->text(), "0.5");
  Window->GetUndoStack()->undo();
  Window->GetUndoStack()->undo();
  EXPECT_TRUE(Module(1)->GetInputValues().empty());
  Window->GetUndoStack()->redo();
  EXPECT_EQ(Module(1)->GetInputValues(), (std::vector<TInputValue>{{u"B", u"0.25"}}));
  // Two modules of one type share their rows; of two types, no parameter rows.
  document->SelectAll();
  EXPECT_EQ(Row(QString::fromUtf8("Слагаемое B (double)")), nullptr);
  // Saved and read back.
  const QString saved = QString::fromStdString((Folder.Path / "saved.xml").string());
  Script.Files = {saved};
  Window->SaveProjectAs();
  TProject again(nullptr, TAddToLog(), u"", u"");
  ASSERT_TRUE(again.Load(ToU16(saved)));
  EXPECT_EQ(again.GetMainModules()->GetItem(1)->GetInputValues(),
            (std::vector<TInputValue>{{u"B", u"0.25"}}));
  EXPECT_EQ(again.GetMainModules()->GetItem(0)->GetInputValues().size(), 2u);
}

TEST_F(RunWindowTest, ARunShowsValuesLocksTheProjectAndLeavesItAsItWas) {
  OpenChainReadyToRun();
  TProjectDocument* document = Window->GetDocument();
  const int steps = Window->GetUndoStack()->count();
  const int index = Window->GetUndoStack()->index();
  Item("miRate100")->trigger();
  EXPECT_EQ(Window->GetRunRate(), 100);
  EXPECT_TRUE(Item("miRate100")->isChecked());
  EXPECT_FALSE(Item("miRate10")->isChecked());
  ASSERT_FALSE(Item("miStop")->isEnabled());
  Item("miRun")->trigger();
  TRunControl* run = Window->GetRunControl();
  ASSERT_TRUE(run->Running()) << Window->statusBar()->currentMessage().toStdString();
  EXPECT_FALSE(Item("miRun")->isEnabled());
  EXPECT_TRUE(Item("miStop")->isEnabled());
  EXPECT_TRUE(document->Locked());
  EXPECT_TRUE(Window->GetCanvas()->IsReadOnly());
  for (const char* name : {"miDelete", "miCut", "miPaste", "miDuplicate", "miUndo", "miNewModule"})
    EXPECT_FALSE(Item(name)->isEnabled()) << name;
  EXPECT_TRUE(Item("miCopy")->isEnabled());
  // Values arrive: on the links, and in the grid for the selected module.
  const TLinkList& links = Window->GetProject()->GetMainModules()->GetLinks();
  ASSERT_TRUE(Window->GetCanvas()->LinkValue);
  ASSERT_TRUE(QTest::qWaitFor(
      [&] {
        return run->Tick() >= 6 && !Window->GetCanvas()->LinkValue(*links.Get(1)).empty() &&
               !Window->GetCanvas()->LinkValue(*links.Get(2)).empty();
      },
      5000));
  const std::u16string sum = Window->GetCanvas()->LinkValue(*links.Get(1));
  EXPECT_FALSE(sum.empty());
  EXPECT_EQ(Window->GetCanvas()->LinkValue(*links.Get(2)), sum);
  // Running, not paused: the status bar tells the tick and the pace.
  EXPECT_FALSE(run->IsPaused());
  EXPECT_TRUE(
      Window->statusBar()->currentMessage().startsWith(QString::fromUtf8("Выполняется: такт ")))
      << Window->statusBar()->currentMessage().toStdString();
  // Names the module's component does not have give nothing.
  const std::shared_ptr<IModule> from = links.Get(1)->From;
  ASSERT_TRUE(from);
  EXPECT_TRUE(run->Value(*from, true, links.Get(1)->Output).has_value());
  EXPECT_FALSE(run->Value(*from, true, u"NoSuchOutput").has_value());
  EXPECT_FALSE(run->Value(*from, false, u"NoSuchInput").has_value());
  ASSERT_NE(Row(QString::fromUtf8("Выход: Сумма (double)")), nullptr);
  ASSERT_NE(Row(QString::fromUtf8("Слагаемое A (double)")), nullptr);
  EXPECT_FALSE(Row(QString::fromUtf8("Слагаемое B (double)"))->flags() & Qt::ItemIsEditable);
  EXPECT_FALSE(Row("Name")->flags() & Qt::ItemIsEditable);
  EXPECT_EQ(Row(QString::fromUtf8("Слагаемое B (double)"))->text(), "0.5");
  // New values change the rows' texts, not the rows: a cell the user is on stays.
  QTableWidget* grid = GridOf(*Window);
  grid->setCurrentItem(Row(QString::fromUtf8("Выход: Сумма (double)")));
  const int current = grid->currentRow();
  int removed = 0;
  const auto counting =
      QObject::connect(grid->model(), &QAbstractItemModel::rowsRemoved, [&] { ++removed; });
  const QString before = Row(QString::fromUtf8("Выход: Сумма (double)"))->text();
  // Two changes of the value: rows would have been rebuilt by then.
  for (int change = 0; change < 2; ++change) {
    const QString was = Row(QString::fromUtf8("Выход: Сумма (double)"))->text();
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return Row(QString::fromUtf8("Выход: Сумма (double)"))->text() != was; }, 5000));
  }
  QObject::disconnect(counting);
  EXPECT_EQ(removed, 0);
  EXPECT_EQ(grid->currentRow(), current);
  // A sum is a ramp of 7 ticks (0, 1/7, ... 6/7) plus 0.5; 7 ticks, so that reports every few
  // ticks never keep meeting the same value.
  const double shown = Row(QString::fromUtf8("Выход: Сумма (double)"))->text().toDouble();
  const double step = (shown - 0.5) * 7;
  EXPECT_NEAR(step, std::round(step), 1e-9) << shown;
  EXPECT_GE(step, -1e-9);
  EXPECT_LT(step, 6.5);
  // An edit tried now changes nothing and says why.
  Row("Name")->setText("Other");
  EXPECT_EQ(Module(1)->GetName(), u"Add");
  EXPECT_EQ(Row("Name")->text(), "Add");
  EXPECT_EQ(Window->statusBar()->currentMessage(), TProjectDocument::LockedNote());
  Window->NewModule();
  EXPECT_EQ(Window->GetProject()->GetMainModules()->Count(), 4);

  Item("miStop")->trigger();
  // The stop is asked; the window goes on until the host has stopped.
  ASSERT_TRUE(QTest::qWaitFor([&] { return Item("miRun")->isEnabled(); }, 5000));
  EXPECT_FALSE(run->Running());
  EXPECT_FALSE(document->Locked());
  EXPECT_FALSE(Window->GetCanvas()->IsReadOnly());
  // The last values stay, marked as those of a stopped run.
  ASSERT_TRUE(Window->GetCanvas()->LinkValue);
  EXPECT_TRUE(Window->GetCanvas()->LinkValuesStopped);
  EXPECT_TRUE(Item("miRun")->isEnabled());
  EXPECT_FALSE(Item("miStop")->isEnabled());
  EXPECT_TRUE(Item("miDelete")->isEnabled());
  EXPECT_TRUE(Item("miUndo")->isEnabled());
  ASSERT_NE(Row(QString::fromUtf8("Выход: Сумма (double)")), nullptr);
  EXPECT_FALSE(Row(QString::fromUtf8("Выход: Сумма (double)"))->text().isEmpty());
  EXPECT_TRUE(Row("Name")->flags() & Qt::ItemIsEditable);
  const std::int64_t ticks = run->Tick();
  EXPECT_GE(ticks, 6);
  EXPECT_EQ(Window->statusBar()->currentMessage(),
            QString::fromUtf8("Выполнение остановлено на такте %1").arg(ticks));
  // One row per tick, and the project as it was.
  EXPECT_EQ(Rows(), ticks);
  EXPECT_EQ(Window->GetUndoStack()->count(), steps);
  EXPECT_EQ(Window->GetUndoStack()->index(), index);
  EXPECT_TRUE(Script.Errors.isEmpty());
}

TEST_F(RunWindowTest, AModuleThatCrashesEndsTheRunWithAMessageAndTheEditorGoesOn) {
  setenv("ZU_TEST_MISBEHAVE", "crash 3", 1);
  Open("<Count>1</Count><Module0><Name>M</Name><Type>" + Type("Misbehaves.so") +
           "</Type></Module0>",
       "<Count>0</Count>");
  Window->SetRunRate(0);
  Item("miRun")->trigger();
  ASSERT_TRUE(QTest::qWaitFor([&] { return !Window->GetRunControl()->Running(); }, 5000));
  // The end is told once: nothing queued tells it again.
  QCoreApplication::sendPostedEvents();
  QCoreApplication::processEvents();
  ASSERT_EQ(Script.Errors, QStringList{QString::fromUtf8("Выполнение проекта прервано")});
  EXPECT_TRUE(Script.Details[0].startsWith(
      QString::fromUtf8("Модуль «M», такт 3: процесс компонентов завершён сигналом 11")))
      << Script.Details[0].toStdString();
  EXPECT_FALSE(Window->GetDocument()->Locked());
  EXPECT_FALSE(Window->GetProject()->Modified);
  EXPECT_TRUE(Item("miRun")->isEnabled());
}

TEST_F(RunWindowTest, AModulesMessagesReachTheLogWithTheirKindAndItsName) {
  setenv("ZU_TEST_MISBEHAVE", "log 2", 1);
  Open("<Count>1</Count><Module0><Name>M</Name><Type>" + Type("Misbehaves.so") +
           "</Type></Module0>",
       "<Count>0</Count>");
  std::vector<std::pair<TLogTypeMessage, std::string>> told;
  Window->GetRunControl()->Log = [&](TLogGroupMessage, TLogTypeMessage type,
                                     const std::string& format, const TLogArgs& args) {
    told.emplace_back(type, FormatLogOrAsIs(format, args));
    return true;
  };
  Window->SetRunRate(0);
  Item("miRun")->trigger();
  ASSERT_TRUE(QTest::qWaitFor([&] { return told.size() >= 3; }, 5000));
  Item("miStop")->trigger();
  ASSERT_TRUE(QTest::qWaitFor([&] { return !Window->GetRunControl()->Running(); }, 5000));
  EXPECT_EQ(told[0], std::make_pair(ltError, std::string("Модуль «M»: error at step 2")));
  EXPECT_EQ(told[1], std::make_pair(ltWarning, std::string("Модуль «M»: warning at step 2")));
  EXPECT_EQ(told[2], std::make_pair(ltInformation, std::string("Модуль «M»: note at step 2")));
}

TEST_F(RunWindowTest, ATypedInputIsEditedWithAnEditorOfItsType) {
  OpenChain();
  Window->GetDocument()->Select(Module(0));
  QTableWidget* grid = GridOf(*Window);
  // Choices come as a list of their titles, each giving its value.
  QTableWidgetItem* waveform = Row(QString::fromUtf8("Форма (double)"));
  ASSERT_NE(waveform, nullptr);
  grid->editItem(waveform);
  auto* choices = grid->findChild<QComboBox*>("ChoiceEditor");
  ASSERT_NE(choices, nullptr);
  ASSERT_EQ(choices->count(), 4);
  EXPECT_EQ(choices->itemText(1), "Square (1)");
  EXPECT_EQ(choices->currentData().toString(), "3"); // the value the project has
  choices->setCurrentIndex(2);
  grid->itemDelegateForColumn(1)->setModelData(choices, grid->model(),
                                               grid->indexFromItem(waveform));
  EXPECT_EQ(Module(0)->GetInputValues()[1], (TInputValue{u"Waveform", u"2"}));
  // A truth is ticked; a text that is no number is refused with the reason.
  QTableWidgetItem* enable = Row(QString::fromUtf8("Включено (bool)"));
  ASSERT_NE(enable, nullptr);
  EXPECT_FALSE(enable->flags() & Qt::ItemIsEditable);
  EXPECT_EQ(enable->checkState(), Qt::PartiallyChecked); // unset: the component's default
  enable->setCheckState(Qt::Unchecked);
  EXPECT_EQ(Module(0)->GetInputValues().back(), (TInputValue{u"Enable", u"false"}));
  Row(QString::fromUtf8("Период, тактов (double)"))->setText("abc");
  EXPECT_TRUE(Window->statusBar()->currentMessage().contains("abc"));
  EXPECT_EQ(Module(0)->GetInputValues()[0], (TInputValue{u"Period", u"7"}));
}

TEST_F(RunWindowTest, ACycleWrittenByHandIsRefusedAtStart) {
  Open("<Count>2</Count><Module0><Name>P</Name><Type>" + Type("Adder.so") +
           "</Type></Module0>"
           "<Module1><Name>Q</Name><Type>" +
           Type("Adder.so") + "</Type></Module1>",
       "<Count>2</Count>"
       "<Link0><From>0</From><Output>Sum</Output><To>1</To><Input>A</Input></Link0>"
       "<Link1><From>1</From><Output>Sum</Output><To>0</To><Input>A</Input></Link1>");
  Item("miRun")->trigger();
  EXPECT_FALSE(Window->GetRunControl()->Running());
  EXPECT_FALSE(Window->GetDocument()->Locked());
  const QString message = Window->statusBar()->currentMessage();
  EXPECT_TRUE(message.startsWith(
      QString::fromUtf8("Проект не запущен: Связи образуют цикл через модуль «")))
      << message.toStdString();
}

TEST_F(RunWindowTest, NoComponentIsLoadedIntoTheEditorByAScanTheBrowserOrARun) {
  OpenChain();
  Script.Dialogs = {[](QDialog&) { return 2; }};
  Item("miComponents")->trigger();
  EXPECT_EQ(Window->GetComponents()->Count(), 5);
  Window->SetRunRate(0);
  Window->RunProject();
  ASSERT_TRUE(Window->GetRunControl()->Running());
  // The host has made every instance once the first values are in.
  TRunControl* run = Window->GetRunControl();
  ASSERT_TRUE(QTest::qWaitFor([&] { return run->Tick() >= 1 || !run->Running(); }, 5000));
  Window->StopProject();
  const std::string maps = ReadBytes(u"/proc/self/maps");
  EXPECT_EQ(maps.find(Folder.Path.string()), std::string::npos);
  EXPECT_EQ(maps.find("Adder.so"), std::string::npos);
}

TEST_F(RunWindowTest, TheStartScanShowsItsProgressAndTheSecondStartAsksNobody) {
  OpenChain();
  const std::string cache = (Folder.Path / "Configs" / "components.cache").string();
  ASSERT_TRUE(std::filesystem::exists(cache));
  // The next window takes every answer from the cache: its scan ends at once.
  auto second = ShownMainWindow(Script, Folder.Path);
  second->GetComponents()->ProbeProgram = "/nonexistent/zu-probe";
  QStringList progress;
  QObject::connect(second->statusBar(), &QStatusBar::messageChanged,
                   [&](const QString& text) { progress << text; });
  second->ScanComponents();
  second->WaitForComponents();
  EXPECT_FALSE(second->ScanningComponents());
  EXPECT_EQ(second->GetComponents()->Count(), 5);
  EXPECT_TRUE(progress.contains(QString::fromUtf8("Проверка компонентов: 5 из 5")))
      << progress.join("|").toStdString();
  // Without a configuration folder nothing is kept, and no folder is made for it.
  std::filesystem::remove_all(Folder.Path / "Configs");
  auto third = ShownMainWindow(Script, Folder.Path);
  third->GetComponents()->ProbeProgram = std::string(ZU_SAMPLES) + "/zu-probe";
  third->ScanComponents();
  EXPECT_TRUE(third->ScanningComponents()); // its hosts take longer than the start
  third->WaitForComponents();
  EXPECT_FALSE(third->ScanningComponents());
  EXPECT_EQ(third->GetComponents()->Count(), 5);
  EXPECT_FALSE(std::filesystem::exists(Folder.Path / "Configs"));
}

TEST_F(RunWindowTest, ABreakAStepAndAPauseHoldTheRunAndTheScopeKeepsItsHistory) {
  OpenChainReadyToRun();
  TProjectDocument* document = Window->GetDocument();
  // The generator's output is ticked in the grid; the sum is watched in a second plot.
  document->Select(Module(0));
  QTableWidgetItem* signal = FirstOutputKey();
  ASSERT_NE(signal, nullptr);
  signal->setCheckState(Qt::Checked);
  EXPECT_EQ(Module(0)->GetWatches(), (std::vector<TWatch>{{u"Signal", 0}}));
  ASSERT_TRUE(document->SetWatched(Module(1), u"Sum", true, 1).Ok);
  // Project > Break When...: one condition per line.
  Script.Dialogs.push_back([](QDialog& dialog) {
    dialog.findChild<QPlainTextEdit*>("edBreaks")->setPlainText("Add.Sum >= 1.2\n");
    return IMainDialogs::mrOk;
  });
  Item("miBreakWhen")->trigger();
  EXPECT_EQ(Window->GetProject()->GetBreaks(), (std::vector<std::u16string>{u"Add.Sum >= 1.2"}));
  Window->SetRunRate(0);
  Item("miRun")->trigger();
  TRunControl* run = Window->GetRunControl();
  ASSERT_TRUE(run->Running()) << Window->statusBar()->currentMessage().toStdString();
  // The sum is the ramp (0, 1/7, ... 6/7) plus 0.5: 1.2 is first passed at tick 6.
  ASSERT_TRUE(QTest::qWaitFor([&] { return Item("miResume")->isEnabled(); }, 5000));
  EXPECT_EQ(Window->statusBar()->currentMessage(),
            QString::fromUtf8("Условие «Add.Sum >= 1.2» выполнилось на такте 6: пауза"));
  EXPECT_TRUE(run->IsPaused());
  EXPECT_FALSE(Item("miPause")->isEnabled());
  EXPECT_TRUE(Item("miStep")->isEnabled());
  ASSERT_EQ(run->Signals().size(), 2u);
  const TSignalHistory& gen = run->Signals()[0].History;
  EXPECT_EQ(run->Signals()[0].Name, "Gen.Signal");
  EXPECT_EQ(run->Signals()[1].Name, "Add.Sum");
  EXPECT_EQ(gen.FirstTick(), 1);
  EXPECT_EQ(gen.EndTick(), 7);
  double v = 0;
  ASSERT_TRUE(gen.ExactAt(6, v));
  EXPECT_NEAR(v, 5.0 / 7, 1e-12);
  EXPECT_TRUE(Window->findChild<QDockWidget*>("dkScope")->isVisible());
  TScopeView* scope = Window->GetScope();
  EXPECT_EQ(scope->PlotCount(), 2);
  // One tick further, and still paused.
  Item("miStep")->trigger();
  ASSERT_TRUE(QTest::qWaitFor([&] { return Item("miStep")->isEnabled(); }, 5000));
  EXPECT_EQ(run->Tick(), 7);
  EXPECT_EQ(gen.EndTick(), 8);
  EXPECT_EQ(Window->statusBar()->currentMessage(), QString::fromUtf8("Пауза после такта 7"));
  // On again: the condition holds anew at tick 13.
  Item("miResume")->trigger();
  ASSERT_TRUE(QTest::qWaitFor([&] { return Item("miResume")->isEnabled(); }, 5000));
  EXPECT_EQ(run->Tick(), 13);
  // Paused on request.
  Item("miResume")->trigger();
  Item("miPause")->trigger();
  ASSERT_TRUE(QTest::qWaitFor([&] { return Item("miResume")->isEnabled(); }, 5000));
  EXPECT_TRUE(
      Window->statusBar()->currentMessage().startsWith(QString::fromUtf8("Пауза после такта")));
  const std::int64_t pausedAt = run->Tick();
  Item("miStop")->trigger();
  ASSERT_TRUE(QTest::qWaitFor([&] { return Item("miRun")->isEnabled(); }, 5000));
  // After the stop the history stays, every tick of it, and the cursor reads it.
  EXPECT_EQ(gen.EndTick(), pausedAt + 1);
  scope->SetCursor(3);
  EXPECT_EQ(scope->LegendText(0), QString::fromUtf8("Gen.Signal = 0.285714"));
  EXPECT_EQ(scope->LegendText(1), QString::fromUtf8("Add.Sum = 0.785714"));
  // A second cursor (Shift+click): both values and their difference.
  scope->resize(800, 400);
  scope->ShowAll();
  const double ticks = scope->To() - scope->From();
  QTest::mouseClick(scope, Qt::LeftButton, Qt::ShiftModifier,
                    QPoint(64 + static_cast<int>((5.5 - scope->From()) / ticks * (800 - 72)), 100));
  ASSERT_EQ(scope->SecondCursor(), std::optional<std::int64_t>(5));
  EXPECT_EQ(scope->LegendText(0),
            QString::fromUtf8("Gen.Signal = 0.285714 | 0.571429 (Δ 0.285714)"));
  const QString csv = QString::fromStdString((Folder.Path / "history.csv").string());
  Script.Files = {csv};
  Window->findChild<QAction*>("acScopeHistoryCsv")->trigger();
  const std::string written = ReadBytes(csv.toStdU16String());
  EXPECT_TRUE(written.starts_with("tick,Gen.Signal,Add.Sum\r\n1,0,0.5\r\n2,0.14285714285714285,"
                                  "0.6428571428571428\r\n"))
      << written.substr(0, 200);
  EXPECT_EQ(std::count(written.begin(), written.end(), '\n'), pausedAt + 1);
  const QString png = QString::fromStdString((Folder.Path / "view.png").string());
  Script.Files = {png};
  Window->findChild<QAction*>("acScopeViewPng")->trigger();
  EXPECT_FALSE(QImage(png).isNull());
  EXPECT_TRUE(Script.Errors.isEmpty());
  // Another condition for the next run: it is the one named.
  ASSERT_TRUE(document->SetBreaks({u"Gen.Signal >= 0.5"}).Ok);
  Item("miRun")->trigger();
  ASSERT_TRUE(QTest::qWaitFor([&] { return Item("miResume")->isEnabled(); }, 5000));
  EXPECT_EQ(Window->statusBar()->currentMessage(),
            QString::fromUtf8("Условие «Gen.Signal >= 0.5» выполнилось на такте 5: пауза"));
  Item("miStop")->trigger();
  ASSERT_TRUE(QTest::qWaitFor([&] { return Item("miRun")->isEnabled(); }, 5000));
}

TEST_F(RunWindowTest, AFailureShowsItsModuleOnItsLevelAndTheHistoryStays) {
  setenv("ZU_TEST_MISBEHAVE", "crash 4", 1);
  Open("<Count>1</Count><Module0><Name>Box</Name><Modules><Count>1</Count><Module0><Name>M</Name>"
       "<Type>" +
           Type("Misbehaves.so") +
           "</Type><Watches><Count>1</Count><Watch0><Output>Y</Output><Plot>0</Plot></Watch0>"
           "</Watches></Module0></Modules></Module0>",
       "<Count>0</Count>");
  Window->SetRunRate(0);
  Item("miRun")->trigger();
  ASSERT_TRUE(QTest::qWaitFor([&] { return !Window->GetRunControl()->Running(); }, 5000));
  QCoreApplication::processEvents();
  TProjectDocument* document = Window->GetDocument();
  const std::shared_ptr<IModule> box = Module(0);
  const std::shared_ptr<IModule> m = box->GetModules()->GetItem(0);
  EXPECT_EQ(document->LevelPath(), (std::vector<std::shared_ptr<IModule>>{box}));
  EXPECT_EQ(document->Selected(), m);
  const auto& signals_ = Window->GetRunControl()->Signals();
  ASSERT_EQ(signals_.size(), 1u);
  EXPECT_EQ(signals_[0].Name, "Box/M.Y");
  EXPECT_EQ(signals_[0].History.EndTick(), 4); // ticks 1 to 3 done
}

TEST_F(RunWindowTest, TheCanvasMenuOfAnOutputWatchesItInAPlotOrStops) {
  OpenChain();
  std::unique_ptr<QMenu> menu(Window->WatchMenu(Module(1), u"Sum"));
  ASSERT_NE(menu->findChild<QAction*>("miWatch"), nullptr);
  EXPECT_EQ(menu->findChild<QAction*>("miWatch")->text(), QString::fromUtf8("Watch Add.Sum"));
  menu->findChild<QAction*>("miWatch")->trigger();
  EXPECT_EQ(Module(1)->GetWatches(), (std::vector<TWatch>{{u"Sum", 0}}));
  // A second output in a plot of its own; then the first is no longer watched.
  menu.reset(Window->WatchMenu(Module(0), u"Signal"));
  menu->findChild<QAction*>("miWatchNewPlot")->trigger();
  EXPECT_EQ(Module(0)->GetWatches(), (std::vector<TWatch>{{u"Signal", 1}}));
  EXPECT_TRUE(Window->findChild<QDockWidget*>("dkScope")->isVisible());
  menu.reset(Window->WatchMenu(Module(1), u"Sum"));
  EXPECT_EQ(menu->findChild<QAction*>("miWatch"), nullptr);
  menu->findChild<QAction*>("miUnwatch")->trigger();
  EXPECT_TRUE(Module(1)->GetWatches().empty());
  EXPECT_EQ(Window->GetUndoStack()->undoText(), QString::fromUtf8("Stop Watching Sum"));
}

TEST_F(RunWindowTest, ARecordersWindowIsKeptAsHistoryTickByTick) {
  std::filesystem::copy_file(std::string(ZU_SAMPLES) + "/Recorder.so", Folder.Path / "Recorder.so");
  Open("<Count>2</Count><Module0><Name>Gen</Name><Type>" + Type("SignalGenerator.so") +
           "</Type><Inputs><Count>2</Count><Input0><Name>Period</Name><Value>4</Value></Input0>"
           "<Input1><Name>Waveform</Name><Value>3</Value></Input1></Inputs></Module0>"
           "<Module1><Name>Rec</Name><Type>" +
           Type("Recorder.so") +
           "</Type><Inputs><Count>1</Count><Input0><Name>Size</Name><Value>3</Value></Input0>"
           "</Inputs><Watches><Count>1</Count><Watch0><Output>Values</Output><Plot>0</Plot>"
           "</Watch0></Watches></Module1>",
       "<Count>1</Count><Link0><From>0</From><Output>Signal</Output><To>1</To><Input>Value</Input>"
       "</Link0>");
  Window->SetRunRate(0);
  Item("miRun")->trigger();
  TRunControl* run = Window->GetRunControl();
  ASSERT_TRUE(QTest::qWaitFor([&] { return run->Tick() >= 10; }, 5000));
  Item("miStop")->trigger();
  ASSERT_TRUE(QTest::qWaitFor([&] { return Item("miRun")->isEnabled(); }, 5000));
  ASSERT_EQ(run->Signals().size(), 1u);
  const TSignalHistory& h = run->Signals()[0].History;
  // Every tick's newest value of the window of three: the ramp 0, 0.25, 0.5, 0.75, 0, ...
  ASSERT_GE(h.EndTick(), 11);
  for (std::int64_t t = 1; t < h.EndTick(); ++t) {
    double v = -1;
    ASSERT_TRUE(h.ExactAt(t, v));
    EXPECT_EQ(v, 0.25 * static_cast<double>((t - 1) % 4)) << t;
  }
}

TEST_F(RunWindowTest, AnOutputsRowDraggedOntoTheScopeIsWatchedInThePlotDroppedOn) {
  Open("<Count>2</Count><Module0><Name>Gen</Name><Type>" + Type("SignalGenerator.so") +
           "</Type></Module0><Module1><Name>Add</Name><Type>" + Type("Adder.so") +
           "</Type></Module1>",
       "<Count>1</Count><Link0><From>0</From><Output>Signal</Output><To>1</To><Input>A</Input>"
       "</Link0>");
  Window->GetDocument()->Select(Module(1));
  QTableWidget* grid = GridOf(*Window);
  const int row = grid->row(Key(QString::fromUtf8("Выход: Сумма (double)")));
  EXPECT_EQ(Window->GetGrid()->OutputDrag(grid->row(Key("Name"))), nullptr);
  std::unique_ptr<QMimeData> mime(Window->GetGrid()->OutputDrag(row));
  ASSERT_NE(mime, nullptr);
  TScopeView* scope = Window->GetScope();
  Window->findChild<QAction*>("miScope")->trigger();
  scope->resize(400, 300);
  ASSERT_EQ(Window->GetDocument()->Selected(), Module(1));
  EXPECT_TRUE(scope->Drop(*mime, 250));
  EXPECT_EQ(Module(1)->GetWatches(), (std::vector<TWatch>{{u"Sum", 0}}));
  // Once something is watched, a drop below the plots makes a new one.
  Window->GetDocument()->Select(Module(0));
  mime.reset(Window->GetGrid()->OutputDrag(grid->row(FirstOutputKey())));
  Item("miRun")->trigger();
  ASSERT_TRUE(QTest::qWaitFor([&] { return Window->GetRunControl()->Tick() >= 1; }, 5000));
  EXPECT_EQ(scope->PlotAt(10), 0);
  EXPECT_TRUE(scope->Drop(*mime, 299));
  EXPECT_EQ(Module(0)->GetWatches(), (std::vector<TWatch>{{u"Signal", 1}}));
  QMimeData text;
  text.setText("Gen.Signal");
  EXPECT_FALSE(scope->Drop(text, 10));
  Item("miStop")->trigger();
  ASSERT_TRUE(QTest::qWaitFor([&] { return Item("miRun")->isEnabled(); }, 5000));
}
