#include "canvas/unImageCanvas.h"
#include "model/unParamList.h"
#include "model/unProject.h"

#include <QImage>
#include <array>
#include <gtest/gtest.h>
#include <random>

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

TEST(ImageCanvas, LeavingOutHiddenModulesChangesNoPixel) {
  // Dense stacks of boxes of every shape, some far beyond the picture, names wider than their
  // boxes and more marks than rows: drawn with hidden modules left out and drawn one by one in
  // order, the pictures are the same.
  auto marks = [](int n) {
    auto list = std::make_shared<TParamList>();
    for (int i = 0; i < n; ++i)
      list->AddNew();
    return list;
  };
  for (unsigned seed = 1; seed <= 6; ++seed) {
    std::mt19937 random(seed);
    auto pick = [&](int from, int to) {
      return std::uniform_int_distribution<int>(from, to)(random);
    };
    TProject project(nullptr, {}, u"", u"P");
    auto modules = project.GetMainModules();
    for (int i = 0; i < 1500; ++i) {
      const std::u16string name(static_cast<std::size_t>(pick(0, 30)), u"aЖ W"[i % 4]);
      auto m =
          modules->AddModule(pick(-80, 480), pick(-80, 380), name, pick(-40, 120), pick(-40, 120));
      m->SetParamIn(marks(pick(0, 3) == 0 ? 200 : pick(0, 5)));
      m->SetParamOut(marks(pick(0, 5)));
      m->SetFocused(ToWordBool(i % 7 == 0));
    }
    modules->AddModule(100000, 100000, u"far away", 100, 100);
    QImage culled(400, 300, QImage::Format_RGB32), plain(400, 300, QImage::Format_RGB32);
    culled.fill(Qt::white);
    plain.fill(Qt::white);
    TImageCanvas canvas;
    canvas.SetTarget(&culled);
    canvas.BeginPicture();
    modules->Draw(canvas);
    canvas.SetTarget(&plain);
    for (std::int32_t i = 0; i < modules->Count(); ++i)
      modules->GetItem(i)->Draw(canvas);
    ASSERT_EQ(culled, plain) << "seed " << seed;
  }
}

TEST(ImageCanvas, TextsInUseStayCachedHoweverManyAndOthersLeave) {
  QImage picture(200, 100, QImage::Format_RGB32);
  TImageCanvas canvas;
  canvas.SetTarget(&picture);
  auto draw = [&](int from, int count) {
    canvas.BeginPicture();
    for (int i = from; i < from + count; ++i)
      canvas.TextOut(0, 0,
                     u"name " + std::u16string(1, static_cast<char16_t>(0x400 + i % 200)) +
                         std::u16string(static_cast<std::size_t>(i / 200), u'x'));
  };
  draw(0, 6000);
  draw(0, 6000);
  EXPECT_EQ(canvas.CachedTexts(), 6000u); // nothing was thrown away while still in use
  draw(0, 10);
  draw(0, 10);
  draw(0, 10);
  EXPECT_LE(canvas.CachedTexts(), 4096u);
  EXPECT_GE(canvas.CachedTexts(), 10u);
}

TEST_F(ImageCanvasTest, AWidePenPaintsASquareAtEveryPointUpToThePictureEdges) {
  Canvas.SetPenWidth(3);
  Line({1, 10}, {1, 12}); // a column beside the left edge: x 0 to 2
  EXPECT_EQ(BlackCount(), 3 * 5);
  for (int y = 9; y <= 13; ++y)
    for (int x = 0; x <= 2; ++x)
      EXPECT_TRUE(Black(x, y)) << x << "," << y;
  EXPECT_FALSE(Black(3, 11));
  Line({98, 78}, {98, 78}); // a point at the far corner: what lies outside is left out
  EXPECT_TRUE(Black(99, 79));
  EXPECT_TRUE(Black(97, 77));
  Canvas.SetPenWidth(1);
  Picture.fill(Qt::white);
  Line({50, 40}, {52, 40});
  EXPECT_EQ(BlackCount(), 3);
  // Within a clip a wide pen paints up to its edges, included, and not beyond.
  Picture.fill(Qt::white);
  Canvas.SetClip({20, 30, 40, 50});
  Canvas.SetPenWidth(3);
  Line({10, 30}, {50, 30});
  Line({20, 50}, {20, 60});
  EXPECT_TRUE(Black(20, 30));
  EXPECT_TRUE(Black(40, 31));
  EXPECT_FALSE(Black(20, 29));
  EXPECT_FALSE(Black(41, 30));
  EXPECT_TRUE(Black(20, 50));
  EXPECT_FALSE(Black(19, 50));
  EXPECT_FALSE(Black(20, 51));
  Canvas.SetClip({});
}
