#include "app/unMain.h"
#include "app/unProjectDocument.h"
#include "canvas/unProgrammingImage.h"
#include "model/unClipboard.h"
#include "model/unLinkList.h"
#include "model/unModule.h"
#include "model/unParamList.h"
#include "model/unPoints.h"
#include "model/unProject.h"
#include "support/MainWindowTestSupport.h"
#include "support/ThreeModulesWindow.h"
#include "xml/XmlTestSupport.h"

#include <QAction>
#include <QClipboard>
#include <QGuiApplication>
#include <QStatusBar>
#include <QUndoStack>
#include <gtest/gtest.h>

namespace {

// The three linked modules; A holds a child and two points, the link A → B a bend point.
class ClipboardTest : public TThreeModulesWindow {
protected:
  void Prepare() override {
    M[0]->GetModules()->AddModule(10, 20, u"Child", 30, 40);
    auto* points = dynamic_cast<TModule&>(*M[0]).GetPoints();
    points->AddNew()->PositionX = 7;
    points->AddNew()->PositionY = 9;
  }
  void SetUp() override {
    TThreeModulesWindow::SetUp();
    Modules()->GetLinks().Get(0)->Points = {{150, 160}};
  }
  void SelectAB() { Document()->SelectModules({M[0], M[1]}); }
};

} // namespace

TEST_F(ClipboardTest, CopyPutsProjectFileTextWithTheModulesAndTheLinksAmongThem) {
  SelectAB();
  Trigger("miCopy");
  const QString text = QGuiApplication::clipboard()->text();
  EXPECT_TRUE(text.contains("<Kven_ZU_Programming_Project>"));
  TClipboardContent content;
  ASSERT_TRUE(PasteModules(text.toStdU16String(), content));
  ASSERT_EQ(content.Modules.size(), 2u);
  EXPECT_EQ(content.Modules[0]->GetName(), u"A");
  EXPECT_EQ(content.Modules[0]->GetModules()->Count(), 1);
  EXPECT_EQ(dynamic_cast<TModule&>(*content.Modules[0]).GetPoints()->Count(), 2);
  // A → B goes with them, B → C stays behind.
  ASSERT_EQ(content.Links.size(), 1u);
  EXPECT_EQ(content.Links[0]->From, content.Modules[0]);
  EXPECT_EQ(content.Links[0]->To, content.Modules[1]);
  EXPECT_EQ(content.Links[0]->Points, (std::vector<TPoint>{{150, 160}}));
  // Copying changes nothing.
  EXPECT_EQ(Window->GetUndoStack()->count(), 0);
  EXPECT_EQ(Modules()->Count(), 3);
}

TEST_F(ClipboardTest, CutAndPasteBringBackTheSameModulesBesideWhereTheyWere) {
  SelectAB();
  Trigger("miCopy");
  const std::u16string copied = Document()->CopyText();
  Trigger("miCut");
  ASSERT_EQ(Modules()->Count(), 1);
  EXPECT_EQ(Modules()->GetLinks().Count(), 0);
  Trigger("miPaste");
  ASSERT_EQ(Modules()->Count(), 3);
  auto a = Modules()->GetItem(1), b = Modules()->GetItem(2);
  EXPECT_EQ(a->GetName(), u"A");
  EXPECT_EQ(a->GetPosition(), (TPoint{120, 120}));
  EXPECT_EQ(b->GetPosition(), (TPoint{270, 120}));
  EXPECT_EQ(Focused(), "AB");
  EXPECT_EQ(Document()->Selection().size(), 2u);
  // They take their components' lists as any module would (none here: no components).
  ASSERT_EQ(Modules()->GetLinks().Count(), 1);
  EXPECT_EQ(Modules()->GetLinks().Get(0)->From, a);
  EXPECT_EQ(Modules()->GetLinks().Get(0)->Points, (std::vector<TPoint>{{170, 180}}));
  // Moved back by the offset, the selection's text is the one cut.
  a->SetPosition({100, 100});
  b->SetPosition({250, 100});
  Modules()->GetLinks().Get(0)->Points = {{150, 160}};
  EXPECT_EQ(Document()->CopyText(), copied);
}

TEST_F(ClipboardTest, PasteIsOneStepThatUndoesExactlyAndAtAPointCentresThere) {
  Document()->Select(M[2]);
  const std::string selected = SavedText();
  const std::u16string text = CopyModules(*Modules(), {M[0], M[1]});
  const TPoint at{500, 400};
  ASSERT_TRUE(Document()->PasteText(text, {20, 20}, &at));
  ASSERT_EQ(Modules()->Count(), 5);
  // The middle of the two boxes' centres (100 .. 250) is at the point.
  EXPECT_EQ(Modules()->GetItem(3)->GetPosition(), (TPoint{425, 400}));
  EXPECT_EQ(Modules()->GetItem(4)->GetPosition(), (TPoint{575, 400}));
  ASSERT_EQ(Window->GetUndoStack()->count(), 1);
  Trigger("miUndo");
  EXPECT_EQ(SavedText(), selected);
  EXPECT_EQ(Focused(), "C");
  Trigger("miRedo");
  // The copies take the first free names of their stems.
  EXPECT_EQ(Focused(), "A1B1");
  EXPECT_EQ(Modules()->Count(), 5);
}

TEST_F(ClipboardTest, PlainTextOrAnEmptyProjectPastesNothingAndSaysSo) {
  const std::string before = SavedText();
  for (const char* text :
       {"just words", "", "<Other><ModuleMain/></Other>",
        "<Kven_ZU_Programming_Project><ModuleMain/></Kven_ZU_Programming_Project>",
        "<Kven_ZU_Programming_Project><ModuleMain><Modules><Count>99999999</Count></Modules>"
        "</ModuleMain></Kven_ZU_Programming_Project>"}) {
    QGuiApplication::clipboard()->setText(QString::fromUtf8(text));
    Window->statusBar()->clearMessage();
    Trigger("miPaste");
    EXPECT_EQ(SavedText(), before) << text;
    EXPECT_EQ(Window->GetUndoStack()->count(), 0) << text;
    EXPECT_TRUE(Window->statusBar()->currentMessage().contains(QString::fromUtf8("нет модулей")))
        << text;
  }
}

TEST_F(ClipboardTest, DuplicateCopiesBesideTheOriginalsWithoutTheClipboard) {
  QGuiApplication::clipboard()->setText("kept");
  Document()->Select(M[1]);
  Trigger("miDuplicate");
  ASSERT_EQ(Modules()->Count(), 4);
  EXPECT_EQ(Modules()->GetItem(3)->GetName(), u"B1");
  EXPECT_EQ(Modules()->GetItem(3)->GetPosition(), (TPoint{270, 120}));
  EXPECT_EQ(Focused(), "B1");
  EXPECT_EQ(Document()->Selected(), Modules()->GetItem(3));
  EXPECT_EQ(QGuiApplication::clipboard()->text(), "kept");
  // Nothing selected: the items that need a selection are off.
  Document()->Select(nullptr);
  for (const char* item : {"miCut", "miCopy", "miDuplicate"})
    EXPECT_FALSE(Window->findChild<QAction*>(item)->isEnabled()) << item;
  EXPECT_TRUE(Window->findChild<QAction*>("miPaste")->isEnabled());
}
