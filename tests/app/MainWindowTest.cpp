#include "app/unMain.h"
#include "app/unProjectDocument.h"
#include "canvas/unProgrammingImage.h"
#include "model/unIModule.h"
#include "model/unProject.h"
#include "support/ScriptedMainDialogs.h"

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QSet>
#include <QSignalSpy>
#include <QStatusBar>
#include <QTabBar>
#include <QTableWidget>
#include <QTest>
#include <QTreeWidget>
#include <QUndoStack>
#include <algorithm>
#include <gtest/gtest.h>
#include <map>

namespace {

class MainWindowTest : public ::testing::Test {
protected:
  void SetUp() override {
    Window = std::make_unique<TfmMain>(std::make_unique<TScriptedMainDialogs>(Script));
    Window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(Window.get()));
  }

  void Trigger(const char* name) {
    auto* action = Window->findChild<QAction*>(name);
    ASSERT_NE(action, nullptr) << name;
    action->trigger();
  }
  QTreeWidget* Tree() { return Window->findChild<QTreeWidget*>("tvMain"); }
  QTableWidget* Grid() { return Window->findChild<QTableWidget*>("ValueListEditor"); }
  QTabBar* Tabs() { return Window->findChild<QTabBar*>("TabControl1"); }
  TProgrammingImage* Canvas() { return Window->GetCanvas(); }

  QString GridValue(const QString& key) {
    for (int r = 0; r < Grid()->rowCount(); ++r)
      if (Grid()->item(r, 0)->text() == key)
        return Grid()->item(r, 1)->text();
    return "<missing>";
  }
  void TypeIntoGrid(const QString& key, const QString& text) {
    for (int r = 0; r < Grid()->rowCount(); ++r) {
      if (Grid()->item(r, 0)->text() != key)
        continue;
      Grid()->setCurrentCell(r, 1);
      Grid()->editItem(Grid()->item(r, 1));
      auto* editor = Grid()->findChild<QLineEdit*>();
      ASSERT_NE(editor, nullptr);
      editor->selectAll();
      QTest::keyClicks(editor, text);
      QTest::keyClick(editor, Qt::Key_Return);
      QCoreApplication::processEvents(); // the delegate commits on the next event-loop turn
      QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
      return;
    }
    FAIL() << "no row " << key.toStdString();
  }
  std::shared_ptr<IModule> FirstModule() {
    return Window->GetProject()->GetMainModules()->GetItem(0);
  }

  TScriptedMainDialogs::TScript Script;
  std::unique_ptr<TfmMain> Window;
};

// The caption as shown: the text without its mnemonic marks.
QString Caption(const QAction* action) {
  QString text = action->text();
  text.replace("&&", "\x01").remove('&').replace("\x01", "&");
  return text;
}

} // namespace

TEST_F(MainWindowTest, MenuHasEveryItemWithItsCaption) {
  const std::pair<const char*, const char*> items[] = {{"miNewProject", "Project"},
                                                       {"miNewModule", "Module"},
                                                       {"miNewMethod", "Method"},
                                                       {"miNewProperty", "Property"},
                                                       {"miNewPoint", "Point"},
                                                       {"miOpenProject", "Open Project..."},
                                                       {"miSaveProject", "Save Project"},
                                                       {"miSaveProjectAs", "Save Project As..."},
                                                       {"miSettings", "Settings"},
                                                       {"miExit1", "Exit"},
                                                       {"miRefresh", "Refresh"},
                                                       {"miComponents", "Components"},
                                                       {"miLog", "Log"},
                                                       {"miTeach", "Teach"},
                                                       {"miRun", "Run"},
                                                       {"miDescription", "Description"},
                                                       {"miAbout", "About"}};
  for (auto [name, caption] : items) {
    auto* action = Window->findChild<QAction*>(name);
    ASSERT_NE(action, nullptr) << name;
    EXPECT_EQ(Caption(action), caption);
    EXPECT_TRUE(action->isEnabled()) << name;
  }
  QStringList top, mnemonics;
  for (QAction* a : Window->menuBar()->actions()) {
    top << Caption(a);
    mnemonics << QKeySequence::mnemonic(a->text()).toString();
  }
  // The documented menus, with Edit between File and View.
  EXPECT_EQ(top, (QStringList{"File", "Edit", "View", "Project", "Help"}));
  EXPECT_EQ(mnemonics, (QStringList{"Alt+F", "Alt+E", "Alt+V", "Alt+P", "Alt+H"}));
  // Separators stand before Settings and before Exit.
  auto fileActions = Window->menuBar()->actions()[0]->menu()->actions();
  QStringList file, fileKeys;
  for (QAction* a : fileActions) {
    file << (a->isSeparator() ? "-" : Caption(a));
    if (!a->isSeparator())
      fileKeys << QKeySequence::mnemonic(a->text()).toString();
  }
  // Every item of a menu has its own mnemonic.
  EXPECT_EQ(QSet<QString>(fileKeys.begin(), fileKeys.end()).size(), fileKeys.size());
  EXPECT_FALSE(fileKeys.contains(""));
  EXPECT_EQ(file, (QStringList{"New", "Open Project...", "Recent Projects", "Save Project",
                               "Save Project As...", "Export Picture...", "Export Module...", "-",
                               "Settings", "-", "Exit"}));
  EXPECT_EQ(Window->windowTitle(), "Kven.ZU.Programming");
}

TEST_F(MainWindowTest, ClientAreaTreeAndGridHaveTheirSizes) {
  EXPECT_EQ(Window->centralWidget()->size(), QSize(688, 434));
  EXPECT_EQ(Tree()->height(), 168);
  EXPECT_EQ(Window->findChild<QWidget*>("PanelLeft")->width(), 137);
  EXPECT_EQ(Grid()->columnWidth(0), 70);
  EXPECT_EQ(Grid()->columnWidth(1), 59);
  EXPECT_EQ(Window->findChild<QAction*>("miSaveProjectAs")->shortcut(),
            QKeySequence("Ctrl+Shift+S"));
}

TEST_F(MainWindowTest, StartsWithoutAProject) {
  EXPECT_EQ(Window->GetProject(), nullptr);
  EXPECT_EQ(Tree()->topLevelItemCount(), 0);
  EXPECT_EQ(Tabs()->count(), 0);
  for (const char* item :
       {"miNewModule", "miNewMethod", "miRun", "miSaveProject", "miSaveProjectAs"})
    Trigger(item);
  EXPECT_EQ(Window->GetProject(), nullptr);
  EXPECT_TRUE(Script.Asked.isEmpty());
  EXPECT_EQ(Script.FileDialogs, 0);
  EXPECT_TRUE(Script.Errors.isEmpty());
  // Items that need a selection or a level below the main one are off from the start.
  for (const char* item :
       {"miDelete", "miOpenModule", "miUp", "miCut", "miCopy", "miDuplicate", "miNewInputPort",
        "miNewOutputPort", "miMakeSubsystem", "miExplode", "miExportModule"})
    EXPECT_FALSE(Window->findChild<QAction*>(item)->isEnabled()) << item;
  EXPECT_FALSE(Window->findChild<QLabel*>("LevelPath")->isVisible());
}

TEST_F(MainWindowTest, ItemsWithoutAnActionChangeNothing) {
  Trigger("miNewProject");
  const QByteArray before = Window->GetProject()->GetMainModules()->GetItem(0)->GetName().empty()
                                ? QByteArray()
                                : QByteArray("Module1");
  for (const char* item : {"miNewMethod", "miNewProperty", "miNewPoint", "miRun"})
    Trigger(item);
  auto modules = Window->GetProject()->GetMainModules();
  EXPECT_EQ(modules->Count(), 1);
  EXPECT_EQ(modules->GetItem(0)->GetName(), u"Module1");
  EXPECT_EQ(before, "Module1");
  EXPECT_FALSE(Window->GetProject()->Modified);
  EXPECT_EQ(Tree()->topLevelItem(0)->childCount(), 1);
  EXPECT_TRUE(Script.Asked.isEmpty());
  EXPECT_EQ(Script.FileDialogs, 0);
}

TEST_F(MainWindowTest, NewProjectShowsProject1WithModule1) {
  Trigger("miNewProject");
  EXPECT_TRUE(Script.Asked.isEmpty()); // no project was open, so nothing is asked
  ASSERT_EQ(Tabs()->count(), 1);
  EXPECT_EQ(Tabs()->tabText(0), "Project1");
  ASSERT_EQ(Tree()->topLevelItemCount(), 1);
  QTreeWidgetItem* root = Tree()->topLevelItem(0);
  EXPECT_EQ(root->text(0), "Project1");
  ASSERT_EQ(root->childCount(), 1);
  EXPECT_EQ(root->child(0)->text(0), "Module1");

  const QImage& pic = Canvas()->Picture();
  EXPECT_EQ(QColor(pic.pixel(0, 0)), QColor(Qt::black));
  EXPECT_EQ(QColor(pic.pixel(pic.width() - 1, pic.height() - 1)), QColor(Qt::black));
  EXPECT_EQ(QColor(pic.pixel(50, 50)), QColor(Qt::black));
  EXPECT_EQ(QColor(pic.pixel(150, 150)), QColor(Qt::black));
  EXPECT_EQ(QColor(pic.pixel(151, 151)), QColor(Qt::white));
  EXPECT_EQ(QColor(pic.pixel(60, 140)), QColor(Qt::white));
}

TEST_F(MainWindowTest, NewProjectOverAnOpenOneAsksFirst) {
  Trigger("miNewProject");
  TProject* first = Window->GetProject();
  Script.Answers = {IMainDialogs::mrNo};
  Trigger("miNewProject");
  EXPECT_EQ(Script.Asked, QStringList{QString::fromUtf8("Вы хотите закрыть текущий проект?")});
  EXPECT_EQ(Window->GetProject(), first);
  Script.Answers = {IMainDialogs::mrYes};
  Trigger("miNewProject");
  EXPECT_NE(Window->GetProject(), first);
  EXPECT_EQ(Tabs()->count(), 1);
}

TEST_F(MainWindowTest, PressOnTheBoxTurnsItRedAndFillsTheGrid) {
  Trigger("miNewProject");
  QTest::mouseClick(Canvas(), Qt::LeftButton, {}, QPoint(100, 100));
  EXPECT_EQ(QColor(Canvas()->Picture().pixel(50, 50)), QColor(Qt::red));
  ASSERT_EQ(Grid()->rowCount(), 7);
  QStringList keys;
  for (int r = 0; r < 7; ++r)
    keys << Grid()->item(r, 0)->text();
  EXPECT_EQ(keys, (QStringList{"Name", "Description", "Type", "Height", "Width", "PositionX",
                               "PositionY"}));
  EXPECT_EQ(GridValue("Name"), "Module1");
  EXPECT_EQ(GridValue("Height"), "100");
  EXPECT_EQ(GridValue("PositionX"), "100");

  // Pressing empty space selects nothing, in every view; dragging updates the position rows.
  QTest::mouseClick(Canvas(), Qt::LeftButton, {}, QPoint(300, 300));
  EXPECT_EQ(Grid()->rowCount(), 0);
  EXPECT_EQ(Tree()->currentItem(), nullptr);
  EXPECT_EQ(QColor(Canvas()->Picture().pixel(50, 50)), QColor(Qt::black));
  QTest::mousePress(Canvas(), Qt::LeftButton, {}, QPoint(100, 100));
  QTest::mouseMove(Canvas(), QPoint(110, 105));
  QTest::mouseRelease(Canvas(), Qt::LeftButton, {}, QPoint(110, 105));
  EXPECT_EQ(GridValue("PositionX"), "110");
  EXPECT_EQ(GridValue("PositionY"), "105");
}

TEST_F(MainWindowTest, TypingAWidthIntoTheGridResizesTheBox) {
  Trigger("miNewProject");
  QTest::mouseClick(Canvas(), Qt::LeftButton, {}, QPoint(100, 100));
  TypeIntoGrid("Width", "40");
  EXPECT_EQ(FirstModule()->GetWidth(), 40);
  EXPECT_TRUE(Window->GetProject()->Modified);
  // The box now spans 80..120 and the canvas was redrawn.
  const QImage& pic = Canvas()->Picture();
  EXPECT_EQ(QColor(pic.pixel(80, 60)), QColor(Qt::red));
  EXPECT_EQ(QColor(pic.pixel(50, 60)), QColor(Qt::white));
  TypeIntoGrid("Name", "Renamed");
  EXPECT_EQ(Tree()->topLevelItem(0)->child(0)->text(0), "Renamed");
}

TEST_F(MainWindowTest, EveryGridRowWritesItsOwnField) {
  Trigger("miNewProject");
  QTest::mouseClick(Canvas(), Qt::LeftButton, {}, QPoint(100, 100));
  auto m = FirstModule();
  m->SetPosition({100, 100});
  const struct {
    const char* Row;
    const char* Text;
  } rows[] = {{"Name", "N"},   {"Description", "D"}, {"Type", "T"},       {"Height", "11"},
              {"Width", "12"}, {"PositionX", "13"},  {"PositionY", "-14"}};
  for (const auto& row : rows)
    TypeIntoGrid(row.Row, row.Text);
  EXPECT_EQ(m->GetName(), u"N");
  EXPECT_EQ(m->GetDescription(), u"D");
  EXPECT_EQ(m->GetType(), u"T");
  EXPECT_EQ(m->GetHeight(), 11);
  EXPECT_EQ(m->GetWidth(), 12);
  EXPECT_EQ(m->GetPosition().X, 13);
  EXPECT_EQ(m->GetPosition().Y, -14);
}

TEST_F(MainWindowTest, ATextThatIsNotWhollyAnIntegerIsRefused) {
  Trigger("miNewProject");
  QTest::mouseClick(Canvas(), Qt::LeftButton, {}, QPoint(100, 100));
  for (const char* text : {"wide", "40px", " ", "4 0", "99999999999"}) {
    TypeIntoGrid("Width", text);
    EXPECT_EQ(FirstModule()->GetWidth(), 100) << text;
    EXPECT_EQ(GridValue("Width"), "100") << text;
    EXPECT_FALSE(Window->statusBar()->currentMessage().isEmpty()) << text;
    EXPECT_FALSE(Window->GetProject()->Modified) << text;
  }
}

TEST_F(MainWindowTest, AnotherProjectEmptiesTheGrid) {
  Trigger("miNewProject");
  QTest::mouseClick(Canvas(), Qt::LeftButton, {}, QPoint(100, 100));
  ASSERT_EQ(Grid()->rowCount(), 7);
  Script.Answers = {IMainDialogs::mrYes};
  Trigger("miNewProject");
  EXPECT_EQ(Grid()->rowCount(), 0);
}

TEST_F(MainWindowTest, NewModuleAddsADefaultModule) {
  Trigger("miNewProject");
  Script.Dialogs = {[](QDialog&) { return IMainDialogs::mrOk; }};
  Trigger("miNewModule");
  auto modules = Window->GetProject()->GetMainModules();
  ASSERT_EQ(modules->Count(), 2);
  // The first free name, at a free place: not on the module there is.
  EXPECT_EQ(modules->GetItem(1)->GetName(), u"Module2");
  EXPECT_FALSE(modules->GetItem(0)->HitTest(modules->GetItem(1)->GetPosition().X,
                                            modules->GetItem(1)->GetPosition().Y));
  EXPECT_EQ(Tree()->topLevelItem(0)->childCount(), 2);
  Trigger("miRefresh");
  EXPECT_EQ(Tree()->topLevelItem(0)->child(1)->text(0), "Module2");
}

TEST_F(MainWindowTest, EveryShortcutOfEveryMenuIsItsItemsAloneAndTriggersIt) {
  Trigger("miNewProject");
  Window->GetDocument()->Select(FirstModule());
  Window->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(Window.get()));
  // Every item of every menu, below the menu bar.
  std::vector<QAction*> items;
  std::vector<QMenu*> menus;
  for (QAction* top : Window->menuBar()->actions())
    if (top->menu())
      menus.push_back(top->menu());
  for (std::size_t i = 0; i < menus.size(); ++i)
    for (QAction* action : menus[i]->actions()) {
      if (action->menu())
        menus.push_back(action->menu());
      else if (!action->isSeparator())
        items.push_back(action);
    }
  std::map<QString, QString> owner;
  for (QAction* action : items)
    for (const QKeySequence& key : action->shortcuts()) {
      const QString text = key.toString(QKeySequence::PortableText);
      const auto [it, added] = owner.emplace(text, action->objectName());
      EXPECT_TRUE(added) << text.toStdString() << " is both " << it->second.toStdString() << " and "
                         << action->objectName().toStdString();
    }
  ASSERT_GT(owner.size(), 20u);
  // Each key, pressed, triggers its item once and nothing else; Exit is pressed last.
  std::stable_partition(items.begin(), items.end(),
                        [](QAction* a) { return a->objectName() != "miExit1"; });
  for (QAction* action : items) {
    if (!action->isEnabled() || action->shortcuts().isEmpty())
      continue;
    for (const QKeySequence& key : action->shortcuts()) {
      QSignalSpy triggered(action, &QAction::triggered);
      int others = 0;
      std::vector<QMetaObject::Connection> watching;
      for (QAction* other : items)
        if (other != action)
          watching.push_back(QObject::connect(other, &QAction::triggered, [&others] { ++others; }));
      // The keypad's Enter comes with the keypad's mark, as a keyboard sends it.
      if (key[0].key() == Qt::Key_Enter)
        QTest::keyClick(Window.get(), Qt::Key_Enter,
                        key[0].keyboardModifiers() | Qt::KeypadModifier);
      else
        QTest::keySequence(Window.get(), key);
      for (const auto& c : watching)
        QObject::disconnect(c);
      EXPECT_EQ(triggered.count(), 1)
          << action->objectName().toStdString() << " by " << key.toString().toStdString();
      EXPECT_EQ(others, 0) << key.toString().toStdString();
      if (!Window->isVisible())
        return;
      // What the item did is undone, so that the next key finds the window as before.
      while (Window->GetUndoStack()->canUndo())
        Window->GetUndoStack()->undo();
      Window->GetDocument()->ShowLevel(0);
      Window->GetDocument()->Select(FirstModule());
      Window->activateWindow();
    }
  }
}
