#include "app/unMain.h"
#include "app/unProjectDocument.h"
#include "canvas/unPictureExport.h"
#include "canvas/unProgrammingImage.h"
#include "model/unClipboard.h"
#include "model/unLinkList.h"
#include "model/unModule.h"
#include "model/unModuleList.h"
#include "model/unParamList.h"
#include "model/unProject.h"
#include "platform/unCanvas.h"
#include "shell/unModuleMaster.h"
#include "support/MainWindowTestSupport.h"
#include "xml/XmlTestSupport.h"

#include <QAction>
#include <QImage>
#include <QLabel>
#include <QRegularExpression>
#include <QStatusBar>
#include <QTreeWidget>
#include <QUndoStack>
#include <algorithm>
#include <filesystem>
#include <gtest/gtest.h>

namespace {

// A project of three levels below the main one: Outer { Middle { Inner1, Inner2 } }, Other.
class LevelsTest : public ::testing::Test {
protected:
  void SetUp() override {
    Window = ShownMainWindow(Script, Folder.Path);
    auto project = std::make_shared<TProject>(nullptr, TAddToLog(), u"", u"Levels");
    auto main = project->GetMainModules();
    Outer = main->AddModule(200, 150, u"Outer", 100, 60);
    Other = main->AddModule(400, 150, u"Other", 100, 60);
    Middle = Outer->GetModules()->AddModule(200, 150, u"Middle", 100, 60);
    Inner1 = Middle->GetModules()->AddModule(150, 250, u"Inner1", 80, 60);
    Inner2 = Middle->GetModules()->AddModule(400, 250, u"Inner2", 80, 60);
    Window->SetProject(project);
  }
  void Trigger(const char* name) { Window->findChild<QAction*>(name)->trigger(); }
  QAction* Action(const char* name) { return Window->findChild<QAction*>(name); }
  TProjectDocument* Document() { return Window->GetDocument(); }
  QTreeWidget* Tree() { return Window->findChild<QTreeWidget*>("tvMain"); }
  QString PathText() { return Window->findChild<QLabel*>("LevelPath")->text(); }
  // The visible text of the path above the canvas.
  QString PathShown() {
    QString text = PathText();
    text.remove(QRegularExpression("<[^>]*>"));
    return text;
  }
  void FollowPath(int depth) {
    QMetaObject::invokeMethod(Window->findChild<QLabel*>("LevelPath"), "linkActivated",
                              Q_ARG(QString, QString::number(depth)));
  }
  // The entry of the tree with the text.
  QTreeWidgetItem* Entry(const QString& text) {
    const auto found = Tree()->findItems(text, Qt::MatchExactly | Qt::MatchRecursive);
    return found.size() == 1 ? found[0] : nullptr;
  }
  // Whether the canvas draws the module's box in red.
  bool RedBox(const std::shared_ptr<IModule>& m) {
    const TPoint at = m->GetPosition();
    const TPoint origin = Window->GetCanvas()->GetOrigin();
    return QColor(Window->GetCanvas()->Picture().pixel(at.X - origin.X - m->GetWidth() / 2,
                                                       at.Y - origin.Y)) == QColor(Qt::red);
  }

  TTempFolder Folder;
  TScriptedMainDialogs::TScript Script;
  std::unique_ptr<TfmMain> Window;
  std::shared_ptr<IModule> Outer, Other, Middle, Inner1, Inner2;
};

} // namespace

TEST_F(LevelsTest, TheItemsOfLevelsAndThePathFollowTheProject) {
  auto* path = Window->findChild<QLabel*>("LevelPath");
  EXPECT_TRUE(path->isVisible());
  Window->SetProject(nullptr);
  EXPECT_FALSE(path->isVisible());
  for (const char* item : {"miOpenModule", "miUp", "miCut", "miCopy", "miDuplicate", "miDelete"})
    EXPECT_FALSE(Action(item)->isEnabled()) << item;
}

TEST_F(LevelsTest, TheTreeShowsEveryLevelWithTheFirstExpanded) {
  QTreeWidgetItem* root = Tree()->topLevelItem(0);
  ASSERT_NE(root, nullptr);
  EXPECT_EQ(root->text(0), "Levels");
  ASSERT_EQ(root->childCount(), 2);
  EXPECT_TRUE(root->isExpanded());
  QTreeWidgetItem* outer = root->child(0);
  EXPECT_EQ(outer->text(0), "Outer");
  EXPECT_FALSE(outer->isExpanded());
  ASSERT_EQ(outer->childCount(), 1);
  ASSERT_EQ(outer->child(0)->childCount(), 2);
  EXPECT_EQ(outer->child(0)->child(1)->text(0), "Inner2");
  EXPECT_EQ(root->child(1)->childCount(), 0);
}

TEST_F(LevelsTest, WalkingDownThreeLevelsAndBackByKeysMenusAndThePath) {
  auto* canvas = Window->GetCanvas();
  EXPECT_EQ(PathShown(), QString::fromUtf8("Levels ▸ Main"));
  EXPECT_FALSE(Action("miUp")->isEnabled());
  EXPECT_FALSE(Action("miOpenModule")->isEnabled());
  // Enter on the canvas opens the selected module.
  Document()->Select(Outer);
  EXPECT_TRUE(Action("miOpenModule")->isEnabled());
  canvas->setFocus();
  QTest::keyClick(canvas, Qt::Key_Return);
  ASSERT_EQ(Document()->LevelPath().size(), 1u);
  EXPECT_EQ(Document()->Level(), Outer->GetModules());
  EXPECT_EQ(Document()->Selected(), nullptr);
  EXPECT_TRUE(Action("miUp")->isEnabled());
  EXPECT_EQ(PathShown(), QString::fromUtf8("Levels ▸ Main ▸ Outer"));
  // The menu item opens the next, with the module selected on the canvas.
  Document()->Select(Middle);
  EXPECT_TRUE(RedBox(Middle));
  Trigger("miOpenModule");
  EXPECT_EQ(Document()->Level(), Middle->GetModules());
  EXPECT_EQ(PathShown(), QString::fromUtf8("Levels ▸ Main ▸ Outer ▸ Middle"));
  // The canvas draws this level: a click on Inner2's box selects it everywhere.
  QTest::mouseClick(canvas, Qt::LeftButton, {}, QPoint(400, 250));
  EXPECT_EQ(Document()->Selected(), Inner2);
  EXPECT_EQ(GridValue(*Window, "Name"), "Inner2");
  EXPECT_EQ(Tree()->currentItem(), Entry("Inner2"));
  EXPECT_TRUE(RedBox(Inner2));
  // Enter on a module without children opens its empty list, where children can be added;
  // Backspace comes back with it selected.
  QTest::keyClick(canvas, Qt::Key_Return);
  EXPECT_EQ(Document()->Level(), Inner2->GetModules());
  QTest::keyClick(canvas, Qt::Key_Backspace);
  EXPECT_EQ(Document()->Level(), Middle->GetModules());
  EXPECT_EQ(Document()->Selected(), Inner2);
  // Backspace returns to Outer with Middle selected; the path's first steps lead to the top.
  QTest::keyClick(canvas, Qt::Key_Backspace);
  EXPECT_EQ(Document()->Level(), Outer->GetModules());
  EXPECT_EQ(Document()->Selected(), Middle);
  Trigger("miOpenModule");
  FollowPath(1);
  EXPECT_EQ(Document()->Level(), Outer->GetModules());
  EXPECT_EQ(Document()->Selected(), Middle);
  // The path's last step is the level shown: asking for it changes nothing.
  Document()->ShowLevel(1);
  EXPECT_EQ(Document()->Level(), Outer->GetModules());
  EXPECT_EQ(Document()->Selected(), Middle);
  FollowPath(0);
  EXPECT_TRUE(Document()->LevelPath().empty());
  EXPECT_EQ(Document()->Level(), Window->GetProject()->GetMainModules());
  EXPECT_EQ(Document()->Selected(), Outer);
  EXPECT_EQ(Tree()->currentItem(), Entry("Outer"));
  EXPECT_FALSE(Action("miUp")->isEnabled());
  // Backspace on the main level changes nothing.
  QTest::keyClick(canvas, Qt::Key_Backspace);
  EXPECT_EQ(Document()->Selected(), Outer);
  // The project's and the main module's steps lead to the main level, each opened module's to
  // its own.
  Document()->OpenModule(Outer);
  Document()->OpenModule(Middle);
  EXPECT_TRUE(PathText().contains("<a href=\"0\">Levels</a>")) << PathText().toStdString();
  EXPECT_TRUE(PathText().contains("<a href=\"0\">Main</a>"));
  EXPECT_TRUE(PathText().contains("<a href=\"1\">Outer</a>"));
  EXPECT_TRUE(PathText().contains("<b>Middle</b>"));
  FollowPath(0);
  // The path's steps are links but the last, and names are shown as text.
  EXPECT_EQ(PathText().count("<a "), 1);
  Outer->SetName(u"<b>&");
  Document()->Refresh();
  EXPECT_EQ(Entry("<b>&")->text(0), "<b>&");
  Document()->OpenModule(Outer);
  EXPECT_EQ(PathShown(), QString::fromUtf8("Levels ▸ Main ▸ &lt;b&gt;&amp;"));
}

TEST_F(LevelsTest, LevelsOpenedInTheTreeStayOpenWhenItIsBuiltAfresh) {
  Entry("Outer")->setExpanded(true);
  Entry("Middle")->setExpanded(true);
  EXPECT_FALSE(Entry("Other")->isExpanded());
  Window->RefreshView();
  EXPECT_TRUE(Entry("Outer")->isExpanded());
  EXPECT_TRUE(Entry("Middle")->isExpanded());
  EXPECT_FALSE(Entry("Other")->isExpanded());
}

TEST_F(LevelsTest, ChoosingANestedModuleInTheTreeShowsItsLevelWithItSelected) {
  Tree()->setCurrentItem(Entry("Inner1"));
  EXPECT_EQ(Document()->Level(), Middle->GetModules());
  EXPECT_EQ(Document()->Selected(), Inner1);
  EXPECT_TRUE(Inner1->GetFocused());
  EXPECT_FALSE(Inner2->GetFocused());
  EXPECT_EQ(GridValue(*Window, "Name"), "Inner1");
  EXPECT_TRUE(RedBox(Inner1));
  EXPECT_FALSE(RedBox(Inner2));
  EXPECT_TRUE(Entry("Outer")->isExpanded());
  // Choosing a first-level module goes back up; the project's entry selects nothing.
  Tree()->setCurrentItem(Entry("Other"));
  EXPECT_TRUE(Document()->LevelPath().empty());
  EXPECT_EQ(Document()->Selected(), Other);
  Tree()->setCurrentItem(Tree()->topLevelItem(0));
  EXPECT_EQ(Document()->Selected(), nullptr);
}

TEST_F(LevelsTest, ANewModuleAndALinkOnANestedLevelAreSavedAndLoadedThere) {
  Document()->OpenModule(Outer);
  Document()->OpenModule(Middle);
  Script.Dialogs = {[](QDialog& dialog) {
    auto* master = qobject_cast<TFormModuleMaster*>(&dialog);
    master->btOkClick();
    return master->result();
  }};
  Trigger("miNewModule");
  ASSERT_EQ(Middle->GetModules()->Count(), 3);
  EXPECT_EQ(Window->GetProject()->GetMainModules()->Count(), 2);
  auto added = Middle->GetModules()->GetItem(2);
  EXPECT_EQ(Document()->Selected(), added);
  EXPECT_EQ(Tree()->currentItem()->parent(), Entry("Middle"));
  // A link between the inner modules.
  auto outs = std::make_shared<TParamList>();
  outs->AddNew()->Name = u"o";
  auto ins = std::make_shared<TParamList>();
  ins->AddNew()->Name = u"i";
  Inner1->SetParamOut(outs);
  Inner2->SetParamIn(ins);
  ASSERT_TRUE(Document()->AddLink(Inner1, u"o", Inner2, u"i").Ok);
  EXPECT_EQ(Middle->GetModules()->GetLinks().Count(), 1);
  // The two linked modules copied and pasted on this level: four of them, two links.
  ASSERT_TRUE(Document()->PasteText(CopyModules(*Middle->GetModules(), {Inner1, Inner2}), {0, 90}));
  ASSERT_EQ(Middle->GetModules()->Count(), 5);
  EXPECT_EQ(Middle->GetModules()->GetLinks().Count(), 2);
  EXPECT_EQ(Window->GetProject()->GetMainModules()->GetLinks().Count(), 0);
  const std::u16string file = Folder.File("levels.xml");
  ASSERT_TRUE(Window->GetProject()->Save(file));
  TProject loaded(nullptr, TAddToLog(), u"", u"");
  ASSERT_TRUE(loaded.Load(file));
  auto middle = loaded.GetMainModules()->GetItem(0)->GetModules()->GetItem(0);
  ASSERT_EQ(middle->GetModules()->Count(), 5);
  const TLinkList& links = middle->GetModules()->GetLinks();
  ASSERT_EQ(links.Count(), 2);
  EXPECT_EQ(links.Get(1)->From, middle->GetModules()->GetItem(3));
  EXPECT_EQ(links.Get(1)->To, middle->GetModules()->GetItem(4));
  EXPECT_EQ(middle->GetModules()->GetItem(4)->GetPosition(), (TPoint{400, 340}));
  EXPECT_EQ(links.Get(0)->From, middle->GetModules()->GetItem(0));
  EXPECT_EQ(links.Get(0)->To, middle->GetModules()->GetItem(1));
  EXPECT_EQ(links.Get(0)->Output, u"o");
}

TEST_F(LevelsTest, AnUndoThatTakesAwayTheLevelShownGoesUpToWhatRemains) {
  Document()->Select(Outer);
  Trigger("miDelete");
  Trigger("miUndo");
  ASSERT_EQ(Window->GetProject()->GetMainModules()->IndexOf(Outer), 0);
  Document()->OpenModule(Outer);
  Document()->OpenModule(Middle);
  Trigger("miRedo"); // deletes Outer again
  EXPECT_TRUE(Document()->LevelPath().empty());
  EXPECT_EQ(Document()->Level(), Window->GetProject()->GetMainModules());
  EXPECT_EQ(PathShown(), QString::fromUtf8("Levels ▸ Main"));
  EXPECT_EQ(Entry("Middle"), nullptr);
}

TEST(ModuleChildrenMark, OnlyAModuleWithChildrenAndRoomForItCarriesTheMark) {
  const struct {
    int Children, Width, Height;
    std::size_t Boxes;
  } rows[] = {{0, 100, 60, 1}, {1, 100, 60, 3}, {2, 24, 16, 3}, {1, 23, 60, 1}, {1, 100, 15, 1}};
  for (const auto& row : rows) {
    auto list = std::make_shared<TModuleList>();
    auto m = list->AddModule(100, 100, u"", row.Height, row.Width); // height first
    for (int i = 0; i < row.Children; ++i)
      m->GetModules()->AddModule(0, 0, u"c", 10, 10);
    struct TBoxes : TCanvas {
      void SetPenColor(TColor) override {}
      void Rectangle(std::int32_t l, std::int32_t t, std::int32_t r, std::int32_t b) override {
        Boxes.push_back({l, t, r, b});
      }
      void Polyline(std::span<const TPoint>) override {}
      void TextOut(std::int32_t, std::int32_t, const std::u16string&) override {}
      TSize TextExtent(const std::u16string&) override { return {0, 0}; }
      std::vector<TRect> Boxes;
    } canvas;
    m->Draw(canvas);
    ASSERT_EQ(canvas.Boxes.size(), row.Boxes) << row.Children << " " << row.Width;
    // Inside the box, in its top right corner.
    const TRect box = canvas.Boxes[0];
    for (std::size_t i = 1; i < canvas.Boxes.size(); ++i) {
      EXPECT_GT(canvas.Boxes[i].Left, box.Left);
      EXPECT_LT(canvas.Boxes[i].Right, box.Right);
      EXPECT_GE(canvas.Boxes[i].Right, box.Right - 6);
      EXPECT_GT(canvas.Boxes[i].Top, box.Top);
      EXPECT_LE(canvas.Boxes[i].Top, box.Top + 8);
      EXPECT_LT(canvas.Boxes[i].Bottom, box.Bottom);
    }
  }
}

TEST_F(LevelsTest, FindShowsEveryMatchOnEveryLevelOneAfterAnother) {
  Other->SetType(u"/opt/zu/Adder.so");
  Inner2->SetName(u"Фильтр inner");
  Document()->Refresh();
  Script.Texts = {QString("INNER")};
  Trigger("miFind");
  EXPECT_EQ(Document()->Level(), Middle->GetModules());
  EXPECT_EQ(Document()->Selected(), Inner1);
  EXPECT_TRUE(Window->statusBar()->currentMessage().contains("1 "));
  Trigger("miFindNext");
  EXPECT_EQ(Document()->Selected(), Inner2);
  EXPECT_EQ(Tree()->currentItem(), Entry(QString::fromUtf8("Фильтр inner")));
  // The shown module is in the middle of the canvas.
  auto* canvas = Window->GetCanvas();
  const TPoint middle = canvas->ToProject(canvas->rect().center());
  EXPECT_LE(std::abs(middle.X - Inner2->GetPosition().X), 1);
  EXPECT_LE(std::abs(middle.Y - Inner2->GetPosition().Y), 1);
  Trigger("miFindNext");
  EXPECT_EQ(Document()->Selected(), Inner1);
  // Each before its children: the first of five is the first module of the main level.
  Script.Texts = {QString("e")};
  Trigger("miFind");
  EXPECT_EQ(Document()->Selected(), Outer);
  EXPECT_TRUE(Window->statusBar()->currentMessage().contains("1 "));
  Trigger("miFindNext");
  EXPECT_EQ(Document()->Selected(), Middle);
  // Cyrillic letters of either case, and types, are found too.
  Script.Texts = {QString::fromUtf8("ФИЛЬТР")};
  Trigger("miFind");
  EXPECT_EQ(Document()->Selected(), Inner2);
  Script.Texts = {QString("adder")};
  Trigger("miFind");
  EXPECT_TRUE(Document()->LevelPath().empty());
  EXPECT_EQ(Document()->Selected(), Other);
  // Nothing found, or the question cancelled: the selection stays, the status bar says so.
  Script.Texts = {QString("nowhere")};
  Trigger("miFind");
  EXPECT_EQ(Document()->Selected(), Other);
  EXPECT_TRUE(Window->statusBar()->currentMessage().contains(QString::fromUtf8("не найдены")));
  Trigger("miFind");
  EXPECT_EQ(Document()->Selected(), Other);
  // A module found and then deleted is passed over.
  Script.Texts = {QString("o")};
  Trigger("miFind"); // Outer and Other
  EXPECT_EQ(Document()->Selected(), Outer);
  Document()->Select(Other);
  Trigger("miDelete");
  Trigger("miFindNext");
  EXPECT_EQ(Document()->Selected(), Outer);
  EXPECT_TRUE(Window->statusBar()->currentMessage().contains("1 "));
}

TEST_F(LevelsTest, FitShowsTheWholeLevelAtMostAtActualSize) {
  auto* canvas = Window->GetCanvas();
  auto inSight = [&](const std::shared_ptr<IModule>& m) {
    const TPoint at = m->GetPosition();
    const double zoom = canvas->GetZoom();
    const TPoint origin = canvas->GetOrigin();
    const double left = (at.X - m->GetWidth() / 2 - origin.X) * zoom;
    const double right = (at.X + m->GetWidth() / 2 - origin.X) * zoom;
    const double top = (at.Y - m->GetHeight() / 2 - origin.Y) * zoom;
    const double bottom = (at.Y + m->GetHeight() / 2 - origin.Y) * zoom;
    return left >= 0 && top >= 0 && right <= canvas->width() && bottom <= canvas->height();
  };
  canvas->SetZoom(4, QPoint(0, 0));
  Trigger("miFit");
  EXPECT_DOUBLE_EQ(canvas->GetZoom(), 1.0);
  EXPECT_TRUE(inSight(Outer));
  EXPECT_TRUE(inSight(Other));
  // A module far away: the level is shown smaller, all of it.
  Other->SetPosition({5000, 3000});
  Trigger("miFit");
  EXPECT_LT(canvas->GetZoom(), 0.2);
  EXPECT_TRUE(inSight(Outer));
  EXPECT_TRUE(inSight(Other));
}

TEST_F(LevelsTest, ExportWritesTheLevelShownOrEveryLevelIntoAFolder) {
  Document()->OpenModule(Outer);
  Document()->OpenModule(Middle);
  // Cancelled: no file is asked for. The buttons say what each does.
  Script.Answers = {-1};
  Trigger("miExportPicture");
  EXPECT_EQ(Script.FileDialogs, 0);
  ASSERT_EQ(Script.Choices.size(), 1u);
  EXPECT_EQ(Script.Choices[0], (QStringList{QString::fromUtf8("Уровень на холсте"),
                                            QString::fromUtf8("Все уровни, в папку")}));
  // This level: its two modules, not the main level's.
  const std::u16string level = Folder.File("level.png");
  Script.Answers = {0};
  Script.Files = {QString::fromStdU16String(level)};
  Trigger("miExportPicture");
  const QImage picture(QString::fromStdU16String(level));
  ASSERT_FALSE(picture.isNull());
  EXPECT_GE(picture.width(), 400 + 40);  // Inner2 reaches to x = 440
  EXPECT_GE(picture.height(), 250 + 30); // and down to y = 280
  // Every level: one picture each, in a folder named after the file.
  Script.Answers = {1};
  Script.Files = {QString::fromStdU16String(Folder.File("all.png"))};
  Trigger("miExportPicture");
  EXPECT_TRUE(Script.Errors.isEmpty()) << Script.Errors.join("|").toStdString();
  std::vector<std::string> files;
  for (const auto& entry : std::filesystem::directory_iterator(Folder.Path / "all"))
    files.push_back(entry.path().filename().string());
  std::sort(files.begin(), files.end());
  EXPECT_EQ(files, (std::vector<std::string>{"1 Main.png", "2 Main - Outer.png",
                                             "3 Main - Outer - Middle.png"}));
  EXPECT_EQ(QImage(QString::fromStdString((Folder.Path / "all" / files[2]).string())), picture);
}

TEST_F(LevelsTest, EveryLevelIntoAFolderThatCannotBeMadeFailsWithTheReason) {
  WriteBytes(Folder.File("plain"), "not a folder");
  QString reason;
  EXPECT_FALSE(ExportEveryLevel(*Window->GetProject(),
                                QString::fromStdU16String(Folder.File("plain")) + "/pictures",
                                "png", &reason));
  EXPECT_TRUE(reason.contains(QString::fromUtf8("Папка не создана"))) << reason.toStdString();
}

TEST(LevelFiles, NamesCarryTheNumberAndThePathAndNothingAFileCannotHold) {
  const struct {
    std::vector<std::u16string> Path;
    std::size_t Number, Count;
    const char* Name;
  } rows[] = {
      {{u"Main"}, 1, 3, "1 Main.png"},
      {{u"Main", u"Outer"}, 2, 12, "02 Main - Outer.png"},
      {{u"Main", u"a/b\\c:d*e?f\"g<h>i|j\x01"}, 3, 3, "3 Main - a_b_c_d_e_f_g_h_i_j_.png"},
      {{u"Фильтр"}, 10, 10, "10 Фильтр.png"},
  };
  for (const auto& row : rows)
    EXPECT_EQ(LevelFileName({row.Path, nullptr}, row.Number, row.Count, "png"),
              QString::fromUtf8(row.Name));
}

namespace {

// Every entry below the item, one line each, indented by depth.
std::string TreeText(const QTreeWidgetItem* item, int depth = 0) {
  std::string text =
      std::string(static_cast<std::size_t>(depth) * 2, ' ') + item->text(0).toStdString() + "\n";
  for (int i = 0; i < item->childCount(); ++i)
    text += TreeText(item->child(i), depth + 1);
  return text;
}

// The same from the model.
std::string ModelText(const IModuleList& list, int depth) {
  std::string text;
  for (std::int32_t i = 0; i < list.Count(); ++i) {
    auto m = list.GetItem(i);
    text += std::string(static_cast<std::size_t>(depth) * 2, ' ') + Utf16ToUtf8(m->GetName()) +
            "\n" + ModelText(*m->GetModules(), depth + 1);
  }
  return text;
}

} // namespace

TEST_F(LevelsTest, TheTreeFollowsEveryStepWithoutBeingBuiltAfresh) {
  auto expected = [&] {
    return "Levels\n" + ModelText(*Window->GetProject()->GetMainModules(), 1);
  };
  auto shown = [&] { return TreeText(Tree()->topLevelItem(0)); };
  QTreeWidgetItem* const other = Entry("Other");
  // A paste on a nested level, with children.
  Document()->OpenModule(Outer);
  const std::u16string text = CopyModules(*Outer->GetModules(), {Middle});
  ASSERT_TRUE(Document()->PasteText(text, {20, 20}));
  EXPECT_EQ(shown(), expected());
  // Renamed through the grid, deleted, undone and redone.
  SetGridText(*Window, "Name", "Copy");
  EXPECT_EQ(shown(), expected());
  EXPECT_NE(shown().find("    Copy\n"), std::string::npos);
  Document()->Select(Middle);
  Trigger("miDelete");
  EXPECT_EQ(shown(), expected());
  for (const char* step : {"miUndo", "miUndo", "miUndo", "miRedo", "miRedo", "miRedo", "miUndo"}) {
    Trigger(step);
    EXPECT_EQ(shown(), expected()) << step;
  }
  // Entries of modules that did not change are the same items: nothing was built afresh.
  EXPECT_EQ(Entry("Other"), other);
  // A new module through the wizard on the main level, and the wizard cancelled.
  Document()->ShowLevel(0);
  Script.Dialogs = {[](QDialog& dialog) {
    auto* master = qobject_cast<TFormModuleMaster*>(&dialog);
    master->btOkClick();
    return master->result();
  }};
  Trigger("miNewModule");
  EXPECT_EQ(shown(), expected());
  Trigger("miNewModule"); // no answer: cancelled
  EXPECT_EQ(shown(), expected());
  EXPECT_EQ(Window->GetProject()->GetMainModules()->Count(), 3);
  EXPECT_EQ(Entry("Other"), other);
}
