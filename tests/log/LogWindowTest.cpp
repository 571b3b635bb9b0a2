#include "log/unLogDocumentForm.h"
#include "log/unLogFormTree.h"
#include "xml/unXml.h"

#include <QGuiApplication>
#include <QLineEdit>
#include <QScreen>
#include <QTest>
#include <QTreeWidget>
#include <gtest/gtest.h>

namespace {

class LogWindowTest : public ::testing::Test {
protected:
  QTreeWidget* Tree() { return Window.findChild<QTreeWidget*>("Tree"); }
  QLineEdit* Command() { return Window.findChild<QLineEdit*>("CommandLine"); }
  // The entry's text after the time ("mm:ss:zzz ").
  static QString Text(const QTreeWidgetItem* item) { return item->text(0).mid(10); }
  static int Image(const QTreeWidgetItem* item) { return item->data(0, Qt::UserRole).toInt(); }

  TFormLog Window;
};

} // namespace

TEST_F(LogWindowTest, AcrossTheBottomOfTheScreenWithTheTemplatesImages) {
  const QRect screen = QGuiApplication::primaryScreen()->geometry();
  EXPECT_EQ(Window.geometry(), QRect(0, screen.height() - 200, screen.width(), 170));
  EXPECT_EQ(Window.windowTitle(), QString::fromUtf8("Сообщения программы"));
  EXPECT_FALSE(Window.findChild<QWidget*>("SidePanel")->isVisibleTo(&Window));
  EXPECT_FALSE(Command()->isVisibleTo(&Window));
  ASSERT_EQ(Window.GetRunImages().size(), 5u);
  const QRgb colours[] = {qRgb(0xC6, 0xC6, 0xC6), qRgb(0, 0, 0xFF), qRgb(0, 0xFF, 0),
                          qRgb(0xFF, 0, 0xFF), qRgb(0xFF, 0, 0)};
  for (std::size_t i = 0; i < 5; ++i) {
    const QImage& image = Window.GetRunImages()[i];
    EXPECT_EQ(image.size(), QSize(16, 16));
    EXPECT_EQ(image.pixel(4, 4), colours[i]) << i;
    EXPECT_EQ(image.pixel(11, 11), colours[i]) << i;
    EXPECT_EQ(image.pixel(3, 4), qRgb(255, 255, 255)) << i;
    EXPECT_EQ(image.pixel(12, 11), qRgb(255, 255, 255)) << i;
  }
}

TEST_F(LogWindowTest, EntriesNewestOnTopWithTheImageOfTheirType) {
  EXPECT_EQ(Window.AddToLogW(lgGeneral, ltInformation, u"info", {}), 1);
  Window.AddToLogW(lgGeneral, ltError, u"x", {});
  Window.AddToLogW(lgDataBase, ltWarning, u"w=%d", {TLogArg(3)});
  Window.AddToLogW(lgNone, ltNone, u"bad %d %s", {TLogArg(1)});
  ASSERT_EQ(Tree()->topLevelItemCount(), 4);
  EXPECT_EQ(Text(Tree()->topLevelItem(0)), "[N] Non: bad %d %s"); // unfilled
  EXPECT_EQ(Image(Tree()->topLevelItem(0)), 2);
  EXPECT_EQ(Text(Tree()->topLevelItem(1)), "[W] DB: w=3");
  EXPECT_EQ(Image(Tree()->topLevelItem(1)), 3);
  EXPECT_EQ(Text(Tree()->topLevelItem(2)), "[E] Gen: x");
  EXPECT_EQ(Image(Tree()->topLevelItem(2)), 4);
  EXPECT_FALSE(Tree()->topLevelItem(2)->icon(0).isNull());
  EXPECT_EQ(Image(Tree()->topLevelItem(3)), -1);
  EXPECT_TRUE(Tree()->topLevelItem(3)->icon(0).isNull());
  EXPECT_TRUE(QRegularExpression(R"(^\d\d:\d\d:\d\d\d \[E\])")
                  .match(Tree()->topLevelItem(2)->text(0))
                  .hasMatch());
}

TEST_F(LogWindowTest, AParentIdPutsTheEntryUnderTheOldestOfThatId) {
  QTreeWidgetItem* first = Window.AddNode(ltNone, 5, 0, u"first five");
  Window.AddNode(ltNone, 5, 0, u"second five");
  Window.AddNode(ltNone, 6, 5, u"child");
  Window.AddNode(ltNone, 7, 9, u"orphan");
  ASSERT_EQ(first->childCount(), 1);
  EXPECT_EQ(Text(first->child(0)), "child");
  EXPECT_EQ(Text(Tree()->topLevelItem(0)), "orphan");
  EXPECT_EQ(Tree()->topLevelItemCount(), 3);
  Window.NClearClick();
  EXPECT_EQ(Tree()->topLevelItemCount(), 0);
}

TEST_F(LogWindowTest, TheEntryAfter10001StartsAnEmptyTree) {
  for (int i = 0; i < 10001; ++i)
    Window.AddNode(ltInformation, 0, 0, u"e");
  EXPECT_EQ(Tree()->topLevelItemCount(), 10001);
  Window.AddNode(ltInformation, 0, 0, u"last");
  ASSERT_EQ(Tree()->topLevelItemCount(), 1);
  EXPECT_EQ(Text(Tree()->topLevelItem(0)), "last");
}

TEST_F(LogWindowTest, TheCommandLineAppearsWithAHandler) {
  Window.SetCommand({});
  EXPECT_FALSE(Command()->isVisibleTo(&Window));
  std::vector<std::u16string> commands;
  Window.SetCommand([&](const std::u16string& c) {
    commands.push_back(c);
    throw std::runtime_error("swallowed");
    return WordTrue;
  });
  EXPECT_TRUE(Command()->isVisibleTo(&Window));
  EXPECT_TRUE(static_cast<bool>(Window.GetCommand()));
  Command()->setText("go");
  QTest::keyClick(Command(), Qt::Key_Return, Qt::ControlModifier);
  EXPECT_TRUE(commands.empty());
  EXPECT_EQ(Tree()->topLevelItemCount(), 0);
  QTest::keyClick(Command(), Qt::Key_Return);
  EXPECT_EQ(commands, std::vector<std::u16string>{u"go"});
  ASSERT_EQ(Tree()->topLevelItemCount(), 1);
  EXPECT_EQ(Text(Tree()->topLevelItem(0)), QString::fromUtf8("[I] Non: Команда \"go\""));
  EXPECT_EQ(Command()->text(), "go"); // not cleared
}

TEST(LogFormDocument, AddsEntriesWithItsOwnIdsAndKeepsTheWindowsState) {
  TKvenXmlNode1 element;
  element.WriteInteger(u"Left", 10);
  element.WriteInteger(u"Top", 20);
  element.WriteString(u"Caption", u"Журнал");
  std::unique_ptr<TLogForm, TLogDisposer> log(new TLogForm(&element));
  EXPECT_TRUE(log->LoadConfig() == false); // no Config object of the document's own
  EXPECT_EQ(log->GetWindow()->windowTitle(), QString::fromUtf8("Журнал"));
  EXPECT_EQ(log->GetWindow()->pos(), QPoint(10, 20));
  TLogNode* node = log->AddNode(ltError, "n", 0, 99);
  EXPECT_EQ(node->ID, 1);
  // A child of that entry is shown under it, not beside it.
  TLogNode* child = log->AddNode(ltError, "child", node->ID, 0);
  EXPECT_EQ(child->ParentID, node->ID);
  {
    auto* tree = log->GetWindow()->findChild<QTreeWidget*>("Tree");
    ASSERT_EQ(tree->topLevelItemCount(), 1);
    ASSERT_EQ(tree->topLevelItem(0)->childCount(), 1);
    EXPECT_TRUE(tree->topLevelItem(0)->child(0)->text(0).endsWith("child"));
  }
  EXPECT_EQ(log->AddToLogW(lgGeneral, ltInformation, u"m", {}), 1);
  auto* tree = log->GetWindow()->findChild<QTreeWidget*>("Tree");
  EXPECT_EQ(tree->topLevelItemCount(), 2);
  log->Show();
  EXPECT_TRUE(log->GetWindow()->isVisible());
  EXPECT_TRUE(log->Close());
  EXPECT_FALSE(log->GetWindow()->isVisible());
  log->GetWindow()->setWindowTitle("Changed");
  log->SaveConfig();
  EXPECT_EQ(element.FindChild(u"Caption")->GetValue(), u"Changed");
}
