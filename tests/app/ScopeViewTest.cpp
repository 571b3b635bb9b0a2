// The scope without a window: what it draws where, its range, cursors, seconds and exports.
#include "app/unScopeData.h"
#include "app/unScopeView.h"

#include <QImage>
#include <QTest>
#include <QWheelEvent>
#include <gtest/gtest.h>

namespace {

// A view of 400 × 300 over the data; its plots are the area inside the axes' margins.
class ScopeViewTest : public ::testing::Test {
protected:
  TScopeSignal& Add(const std::string& name, int plot = 0) {
    Data.Signals.emplace_back();
    Data.Signals.back().Name = name;
    Data.Signals.back().Plot = plot;
    return Data.Signals.back();
  }
  QImage Render(TScopeView& view) {
    QImage image(view.size(), QImage::Format_ARGB32_Premultiplied);
    view.render(&image);
    return image;
  }
  // The rows of a pixel column whose colour is the signal's.
  static std::vector<int> RowsOf(const QImage& image, int x, const QColor& colour) {
    std::vector<int> rows;
    for (int y = 0; y < image.height(); ++y)
      if (QColor(image.pixel(x, y)) == colour)
        rows.push_back(y);
    return rows;
  }
  TScopeData Data;
};

} // namespace

TEST_F(ScopeViewTest, AConstantIsDrawnAcrossTheMiddleOfItsPlot) {
  TScopeSignal& s = Add("K.Out");
  for (std::int64_t t = 1; t <= 100; ++t)
    s.History.Append(t, 5);
  TScopeView view(Data);
  view.resize(400, 300);
  const QImage image = Render(view);
  // The plot spans rows 4 to 277 (margins 4 above, 22 below): its middle is row 140 or so.
  const std::vector<int> rows = RowsOf(image, 200, TScopeView::SignalColour(0));
  ASSERT_FALSE(rows.empty());
  EXPECT_NEAR(rows.front(), 140, 2);
  EXPECT_NEAR(rows.back(), 140, 2);
  // Nothing is drawn in the margin right of the plot's frame (columns 392 on) beside it.
  const QColor base = view.palette().base().color();
  for (int x = 393; x < 400; ++x)
    for (int y = 0; y < 278; ++y)
      ASSERT_EQ(QColor(image.pixel(x, y)).name(), base.name()) << x << "," << y;
}

TEST_F(ScopeViewTest, ATruthIsDrawnAsStepsBetweenTheTopAndTheBottom) {
  TScopeSignal& s = Add("B.Out");
  for (std::int64_t t = 1; t <= 100; ++t)
    s.History.Append(t, (t - 1) / 10 % 2 ? 1 : 0);
  TScopeView view(Data);
  view.resize(400, 300);
  const QImage image = Render(view);
  const QColor colour = TScopeView::SignalColour(0);
  // Within a run of zeros the line lies low, within a run of ones high; where the value changes
  // it goes all the way (right of the legend).
  const auto x = [&](double tick) { return 64 + static_cast<int>((tick - 1) / 100 * 328); };
  const std::vector<int> low = RowsOf(image, x(45), colour), high = RowsOf(image, x(55), colour);
  ASSERT_EQ(low.size(), 1u);
  ASSERT_EQ(high.size(), 1u);
  EXPECT_GT(low[0], high[0] + 200);
  const std::vector<int> edge = RowsOf(image, x(51), colour);
  EXPECT_GE(edge.back() - edge.front(), low[0] - high[0] - 1);
}

TEST_F(ScopeViewTest, ItFollowsTheNewestTicksUntilPannedAndZoomsAboutTheMouse) {
  TScopeSignal& s = Add("G.Out");
  for (std::int64_t t = 1; t <= 1000; ++t)
    s.History.Append(t, static_cast<double>(t));
  TScopeView view(Data);
  view.resize(400, 300);
  EXPECT_TRUE(view.Following());
  EXPECT_EQ(view.From(), 1);
  EXPECT_EQ(view.To(), 1001);
  view.SetFollow(true, 100);
  EXPECT_EQ(view.From(), 901);
  s.History.Append(1001, 1001);
  EXPECT_EQ(view.From(), 902);
  EXPECT_EQ(view.To(), 1002);
  // A drag pans (and stops following): 82 pixels of 328 are a quarter of the 100 ticks shown.
  QTest::mousePress(&view, Qt::LeftButton, {}, QPoint(200, 100));
  QTest::mouseMove(&view, QPoint(282, 100));
  QTest::mouseRelease(&view, Qt::LeftButton, {}, QPoint(282, 100));
  EXPECT_FALSE(view.Following());
  EXPECT_NEAR(view.From(), 877, 1e-9);
  EXPECT_NEAR(view.To(), 977, 1e-9);
  EXPECT_EQ(view.Cursor(), std::nullopt);
  // The wheel zooms in about the tick under the mouse.
  const double under = 877 + 100.0 * (146 - 64) / 328;
  QWheelEvent wheel(QPointF(146, 100), QPointF(146, 100), QPoint(), QPoint(0, 120), Qt::NoButton,
                    Qt::NoModifier, Qt::NoScrollPhase, false);
  QCoreApplication::sendEvent(&view, &wheel);
  EXPECT_NEAR(view.To() - view.From(), 80, 1e-9);
  EXPECT_NEAR(view.From() + (view.To() - view.From()) * (146 - 64) / 328, under, 1e-9);
  // A click sets the cursor; a double click shows everything again.
  QTest::mouseClick(&view, Qt::LeftButton, {}, QPoint(64, 100));
  EXPECT_EQ(view.Cursor(), std::optional<std::int64_t>(static_cast<std::int64_t>(view.From())));
  QTest::mouseDClick(&view, Qt::LeftButton, {}, QPoint(100, 100));
  EXPECT_TRUE(view.Following());
  EXPECT_EQ(view.From(), 1);
}

TEST_F(ScopeViewTest, PlotsSecondsAndTheViewsCsv) {
  Add("A.Out", 0);
  Add("B.Out", 2);
  TSignalHistory& a = Data.Signals[0].History;
  TSignalHistory& b = Data.Signals[1].History;
  for (std::int64_t t = 1; t <= 30; ++t) {
    a.Append(t, static_cast<double>(t));
    b.Append(t, -static_cast<double>(t));
  }
  TScopeView view(Data);
  view.resize(400, 300);
  EXPECT_EQ(view.PlotCount(), 3);
  EXPECT_EQ(view.PlotAt(0), 0);
  EXPECT_EQ(view.PlotAt(150), 1);
  EXPECT_EQ(view.PlotAt(270), 2);
  EXPECT_EQ(view.PlotAt(299), 3);
  // Ten ticks at 10 per second, then at 100 per second.
  Data.Paces = {{1, 10}, {11, 100}};
  EXPECT_NEAR(view.SecondsAt(11), 1, 1e-12);
  EXPECT_NEAR(view.SecondsAt(21), 1.1, 1e-12);
  // As fast as possible: at the rate the run achieved.
  Data.Paces = {{1, 0}};
  Data.Stats.Ticks = 30;
  Data.Stats.ElapsedNs = 3000000000;
  EXPECT_NEAR(view.SecondsAt(21), 2, 1e-12);
  // The axis in seconds is drawn (and its labels end).
  view.SetSeconds(true);
  EXPECT_TRUE(view.Seconds());
  const QImage seconds = Render(view);
  view.SetSeconds(false);
  EXPECT_NE(seconds, Render(view));
  view.SetRange(28, 30);
  EXPECT_EQ(view.ShownCsv(), "tick,A.Out,B.Out\r\n28,28,-28\r\n29,29,-29\r\n");
  EXPECT_TRUE(view.HistoryCsv().starts_with("tick,A.Out,B.Out\r\n1,1,-1\r\n"));
  view.SetCursor(2);
  view.SetSecondCursor(5);
  EXPECT_EQ(view.LegendText(1), QString::fromUtf8("B.Out = -2 | -5 (Δ -3)"));
  view.SetCursor(40);
  EXPECT_EQ(view.LegendText(0), QString::fromUtf8("A.Out = — | 5"));
}
