#include "canvas/unImageCanvas.h"

#include <QImage>
#include <array>
#include <gtest/gtest.h>

namespace {

class ImageCanvasTest : public ::testing::Test {
protected:
  void SetUp() override {
    Picture.fill(Qt::white);
    Canvas.SetTarget(&Picture);
    Canvas.SetPenColor(clBlack);
  }
  bool Black(int x, int y) const { return Picture.pixel(x, y) == qRgb(0, 0, 0); }
  int BlackCount() const {
    int n = 0;
    for (int y = 0; y < Picture.height(); ++y)
      for (int x = 0; x < Picture.width(); ++x)
        n += Black(x, y);
    return n;
  }
  void Line(TPoint from, TPoint to) {
    const std::array<TPoint, 2> points{from, to};
    Canvas.Polyline(points);
  }

  QImage Picture{100, 80, QImage::Format_RGB32};
  TImageCanvas Canvas;
};

} // namespace

TEST_F(ImageCanvasTest, LinesIncludeBothEndsPixelForPixel) {
  Line({10, 10}, {13, 12});
  EXPECT_EQ(BlackCount(), 4);
  EXPECT_TRUE(Black(10, 10));
  EXPECT_TRUE(Black(13, 12));
  Line({50, 5}, {50, 5});
  EXPECT_TRUE(Black(50, 5));
  EXPECT_EQ(BlackCount(), 5);
}

TEST_F(ImageCanvasTest, HugeCoordinatesAreCutToThePictureInsteadOfWalked) {
  // Four thousand million steps if walked; cut, it is the picture's diagonal.
  Line({-2'000'000'000, -2'000'000'000}, {2'000'000'000, 2'000'000'000});
  for (int i = 0; i < 80; ++i)
    EXPECT_TRUE(Black(i, i)) << i;
  EXPECT_EQ(BlackCount(), 80);
  // A long segment that passes beside the picture draws nothing.
  Line({-2'000'000'000, 200}, {2'000'000'000, -2'000'000'000 + 100});
  EXPECT_EQ(BlackCount(), 80);
  // A long horizontal through the picture draws exactly its row.
  Line({-2'000'000'000, 40}, {2'000'000'000, 40});
  for (int x = 0; x < 100; ++x)
    EXPECT_TRUE(Black(x, 40)) << x;
  EXPECT_EQ(BlackCount(), 80 + 99);
}

TEST_F(ImageCanvasTest, RectanglesAreClippedAndFilledWithTheBrush) {
  Picture.fill(Qt::gray);
  Canvas.Rectangle(-2'000'000'000, 10, 2'000'000'000, 20);
  for (int x = 0; x < 100; ++x) {
    EXPECT_TRUE(Black(x, 10));
    EXPECT_TRUE(Black(x, 20));
    EXPECT_EQ(Picture.pixel(x, 15), qRgb(255, 255, 255));
  }
  EXPECT_EQ(Picture.pixel(0, 9), QColor(Qt::gray).rgb());
  EXPECT_EQ(Picture.pixel(0, 21), QColor(Qt::gray).rgb());
}
