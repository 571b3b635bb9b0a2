#include "app/unMain.h"
#include "app/unProjectDocument.h"
#include "canvas/unProgrammingImage.h"
#include "model/unLinkList.h"
#include "model/unParamList.h"
#include "model/unProject.h"
#include "support/MainWindowTestSupport.h"
#include "support/ThreeModulesWindow.h"
#include "xml/XmlTestSupport.h"

#include <QAction>
#include <QStatusBar>
#include <QUndoStack>
#include <cmath>
#include <gtest/gtest.h>

namespace {

// The three linked modules, with the canvas's pixels and rubber bands.
class ManyModulesTest : public TThreeModulesWindow {
protected:
  TProgrammingImage* Canvas() { return Window->GetCanvas(); }
  QPoint Pixel(TPoint p) {
    const double zoom = Canvas()->GetZoom();
    const TPoint origin = Canvas()->GetOrigin();
    return QPoint(static_cast<int>(std::lround((p.X - origin.X) * zoom)),
                  static_cast<int>(std::lround((p.Y - origin.Y) * zoom)));
  }
  void Band(TPoint from, TPoint to, Qt::KeyboardModifiers keys = {}) {
    QTest::mousePress(Canvas(), Qt::LeftButton, keys, Pixel(from));
    QTest::mouseMove(Canvas(), Pixel({(from.X + to.X) / 2, (from.Y + to.Y) / 2}));
    QTest::mouseMove(Canvas(), Pixel(to));
    QTest::mouseRelease(Canvas(), Qt::LeftButton, keys, Pixel(to));
  }
};

} // namespace

TEST_F(ManyModulesTest, ARubberBandSelectsWhatItTouchesAndEnclosesAtEveryZoom) {
  for (const double zoom : {0.5, 2.0}) {
    Canvas()->SetZoom(zoom, QPoint(0, 0));
    Canvas()->SetOrigin({0, 0});
    Document()->Select(nullptr);
    // Encloses A (70 .. 130), touches B's left edge (220), misses C (370).
    Band({60, 60}, {222, 140});
    EXPECT_EQ(Focused(), "AB") << zoom;
    EXPECT_EQ(Document()->Selection(), (std::vector<std::shared_ptr<IModule>>{M[0], M[1]}));
    // Drawn backwards it selects the same; a band over nothing selects nothing.
    Document()->Select(nullptr);
    Band({222, 140}, {60, 60});
    EXPECT_EQ(Focused(), "AB") << zoom;
    Band({150, 150}, {210, 200});
    EXPECT_EQ(Focused(), "") << zoom;
    // A band that stops just short of a box leaves it out.
    Band({140, 60}, {216, 140});
    EXPECT_EQ(Focused(), "") << zoom;
    // With Ctrl the band adds to the selection.
    Band({60, 60}, {100, 100});
    Band({380, 60}, {420, 100}, Qt::ControlModifier);
    EXPECT_EQ(Focused(), "AC") << zoom;
  }
}

TEST_F(ManyModulesTest, CtrlClickAddsAndTakesOutAndSelectAllTakesTheLevel) {
  QTest::mouseClick(Canvas(), Qt::LeftButton, {}, Pixel({100, 100}));
  QTest::mouseClick(Canvas(), Qt::LeftButton, Qt::ControlModifier, Pixel({400, 100}));
  EXPECT_EQ(Focused(), "AC");
  QTest::mouseClick(Canvas(), Qt::LeftButton, Qt::ControlModifier, Pixel({100, 100}));
  EXPECT_EQ(Focused(), "C");
  EXPECT_TRUE(Window->findChild<QAction*>("miDelete")->isEnabled());
  // Ctrl on an output's mark selects, it draws no wire.
  QTest::mouseClick(Canvas(), Qt::LeftButton, Qt::ControlModifier, Pixel(M[1]->MarkPoint(true, 0)));
  EXPECT_EQ(Focused(), "BC");
  EXPECT_FALSE(Canvas()->IsConnecting());
  Trigger("miSelectAll");
  EXPECT_EQ(Focused(), "ABC");
  // A plain click on one of them selects it alone (a press there may start a drag of all);
  // elsewhere the selection goes.
  QTest::mousePress(Canvas(), Qt::LeftButton, {}, Pixel({250, 100}));
  EXPECT_EQ(Focused(), "ABC");
  QTest::mouseRelease(Canvas(), Qt::LeftButton, {}, Pixel({250, 100}));
  EXPECT_EQ(Focused(), "B");
  QTest::mouseClick(Canvas(), Qt::LeftButton, {}, Pixel({250, 300}));
  EXPECT_EQ(Focused(), "");
  EXPECT_EQ(Window->GetUndoStack()->count(), 0);
}

TEST_F(ManyModulesTest, ADragMovesEverySelectedModuleInOneStep) {
  Document()->SelectModules({M[1], M[2]});
  QTest::mousePress(Canvas(), Qt::LeftButton, {}, Pixel({250, 100}));
  QTest::mouseMove(Canvas(), Pixel({260, 120}));
  QTest::mouseMove(Canvas(), Pixel({280, 140}));
  QTest::mouseRelease(Canvas(), Qt::LeftButton, {}, Pixel({280, 140}));
  EXPECT_EQ(M[0]->GetPosition(), (TPoint{100, 100}));
  EXPECT_EQ(M[1]->GetPosition(), (TPoint{280, 140}));
  EXPECT_EQ(M[2]->GetPosition(), (TPoint{430, 140}));
  EXPECT_EQ(Focused(), "BC");
  // The picture is what a full redraw gives.
  const QImage partial = Canvas()->Picture().copy();
  Canvas()->Redraw();
  EXPECT_TRUE(partial == Canvas()->Picture());
  ASSERT_EQ(Window->GetUndoStack()->count(), 1);
  Trigger("miUndo");
  EXPECT_EQ(M[1]->GetPosition(), (TPoint{250, 100}));
  EXPECT_EQ(M[2]->GetPosition(), (TPoint{400, 100}));
  // The undo is drawn: the boxes are back where they were on the picture too.
  const QImage undone = Canvas()->Picture().copy();
  Canvas()->Redraw();
  EXPECT_TRUE(undone == Canvas()->Picture());
  Trigger("miRedo");
  EXPECT_EQ(M[2]->GetPosition(), (TPoint{430, 140}));
}

TEST_F(ManyModulesTest, DeleteTakesEverySelectedModuleWithItsLinksAndUndoRestoresExactly) {
  Document()->SelectModules({M[0], M[2]});
  const std::string before = SavedText();
  const auto params = M[2]->GetParamIn();
  Trigger("miDelete");
  ASSERT_EQ(Modules()->Count(), 1);
  EXPECT_EQ(Modules()->GetItem(0), M[1]);
  EXPECT_EQ(Modules()->GetLinks().Count(), 0);
  EXPECT_EQ(Document()->Selection().size(), 0u);
  EXPECT_FALSE(Window->findChild<QAction*>("miDelete")->isEnabled());
  ASSERT_EQ(Window->GetUndoStack()->count(), 1);
  Trigger("miUndo");
  EXPECT_EQ(SavedText(), before);
  EXPECT_EQ(Focused(), "AC");
  EXPECT_EQ(M[2]->GetParamIn(), params);
  ASSERT_EQ(Modules()->GetLinks().Count(), 2);
  EXPECT_EQ(Modules()->GetLinks().Get(1)->To, M[2]);
  Trigger("miRedo");
  EXPECT_EQ(Modules()->Count(), 1);
}

TEST_F(ManyModulesTest, TheGridShowsWhatTheSelectionSharesAndWritesToAllInOneStep) {
  M[2]->SetDescription(u"other");
  Document()->SelectModules({M[0], M[2]});
  EXPECT_EQ(GridValue(*Window, "Name"), "");
  EXPECT_EQ(GridValue(*Window, "Description"), "");
  EXPECT_EQ(GridValue(*Window, "Height"), "60");
  EXPECT_EQ(GridValue(*Window, "PositionX"), "");
  EXPECT_EQ(GridValue(*Window, "PositionY"), "100");
  // The value they all have already is no step.
  SetGridText(*Window, "Height", "60");
  EXPECT_EQ(Window->GetUndoStack()->count(), 0);
  SetGridText(*Window, "Width", "80");
  EXPECT_EQ(M[0]->GetWidth(), 80);
  EXPECT_EQ(M[2]->GetWidth(), 80);
  EXPECT_EQ(M[1]->GetWidth(), 60);
  ASSERT_EQ(Window->GetUndoStack()->count(), 1);
  // One name is never given to several modules of a level.
  SetGridText(*Window, "Name", "Same");
  EXPECT_EQ(M[0]->GetName(), u"A");
  EXPECT_EQ(M[2]->GetName(), u"C");
  EXPECT_EQ(GridValue(*Window, "Name"), "");
  EXPECT_TRUE(Window->statusBar()->currentMessage().contains("Same"));
  SetGridText(*Window, "Description", "Same");
  // A refused value changes none of them and shows the shared value again.
  SetGridText(*Window, "Height", "0");
  EXPECT_EQ(GridValue(*Window, "Height"), "60");
  EXPECT_EQ(M[2]->GetHeight(), 60);
  EXPECT_EQ(Window->GetUndoStack()->count(), 2);
  Trigger("miUndo");
  Trigger("miUndo");
  EXPECT_EQ(M[0]->GetDescription(), M[1]->GetDescription());
  EXPECT_EQ(M[0]->GetWidth(), 60);
  EXPECT_EQ(M[2]->GetWidth(), 60);
  EXPECT_EQ(Focused(), "AC");
  // A value only some of them have already: one step still, undone for those it changed.
  M[0]->SetHeight(90);
  Document()->Refresh();
  EXPECT_EQ(GridValue(*Window, "Height"), "");
  SetGridText(*Window, "Height", "90");
  EXPECT_EQ(M[2]->GetHeight(), 90);
  Trigger("miUndo");
  EXPECT_EQ(M[0]->GetHeight(), 90);
  EXPECT_EQ(M[2]->GetHeight(), 60);
}

TEST_F(ManyModulesTest, ASelectionMadeElsewhereRedrawsAsAFullRedrawWould) {
  // Boxes overlap so that a partial redraw must keep what lies above the box it draws again.
  M[1]->SetPosition({130, 110});
  Window->RefreshView();
  auto same = [&] {
    const QImage partial = Canvas()->Picture().copy();
    Canvas()->Redraw();
    return partial == Canvas()->Picture();
  };
  Document()->Select(M[0]);
  EXPECT_TRUE(same());
  Document()->Select(M[2]);
  EXPECT_TRUE(same());
  Trigger("miSelectAll");
  EXPECT_TRUE(same());
  Document()->Select(nullptr);
  EXPECT_TRUE(same());
  EXPECT_NE(QColor(Canvas()->Picture().pixel(Pixel({70, 100}))), QColor(Qt::red));
}
