#include "model/unModuleList.h"
#include "model/unParamList.h"
#include "support/RecordingCanvas.h"

#include <gtest/gtest.h>

namespace {

std::shared_ptr<TParamList> Params(int n) {
  auto list = std::make_shared<TParamList>();
  for (int i = 0; i < n; ++i)
    list->AddNew()->Index = i;
  return list;
}

// A parameter list whose Count fails.
struct TFailingParams : IParamList {
  std::int32_t Count() const override { throw std::runtime_error("broken"); }
};

} // namespace

TEST(ModuleDraw, BoxNameAndFrameColour) {
  auto list = std::make_shared<TModuleList>();
  auto m = list->AddModule(100, 100, u"Name", 100, 100);
  TRecordingCanvas canvas;
  m->Draw(canvas);
  auto rects = canvas.Of("rect");
  ASSERT_EQ(rects.size(), 1u);
  EXPECT_EQ(rects[0].Pen, clBlack);
  EXPECT_EQ(rects[0].Points[0], (TPoint{50, 50}));
  EXPECT_EQ(rects[0].Points[1], (TPoint{150, 150}));
  auto texts = canvas.Of("text");
  ASSERT_EQ(texts.size(), 1u);
  EXPECT_EQ(texts[0].Text, u"Name");
  EXPECT_EQ(texts[0].Points[0], (TPoint{100 - 12, 100 - 5})); // centred: 24 x 10
  EXPECT_TRUE(canvas.Of("line").empty());

  m->SetFocused(WordTrue);
  TRecordingCanvas focused;
  m->Draw(focused);
  EXPECT_EQ(focused.Of("rect")[0].Pen, clRed);
}

TEST(ModuleDraw, InputChevronsAndOutputTriangles) {
  auto list = std::make_shared<TModuleList>();
  auto m = list->AddModule(100, 100, u"M", 100, 100);
  m->SetParamIn(Params(4));
  m->SetParamOut(Params(3));
  TRecordingCanvas canvas;
  m->Draw(canvas);
  auto lines = canvas.Of("line");
  ASSERT_EQ(lines.size(), 7u);
  for (int k = 0; k < 4; ++k) {
    const int y = 50 + k * 25;
    EXPECT_EQ(lines[k].Pen, clGreen);
    EXPECT_EQ(lines[k].Points, (std::vector<TPoint>{{50, y - 2}, {53, y}, {50, y + 2}})) << k;
  }
  for (int k = 0; k < 3; ++k) {
    const int y = 50 + k * 33; // 100 / 3
    const auto& tri = lines[4 + k];
    EXPECT_EQ(tri.Pen, clBlue);
    EXPECT_EQ(tri.Points, (std::vector<TPoint>{{147, y - 2}, {150, y}, {147, y + 2}, {147, y - 2}}))
        << k;
  }
}

TEST(ModuleDraw, EmptyOrFailingParameterListsDrawNoMarks) {
  auto list = std::make_shared<TModuleList>();
  auto m = list->AddModule(100, 100, u"M", 100, 100);
  m->SetParamIn(Params(0));
  m->SetParamOut(std::make_shared<TFailingParams>());
  TRecordingCanvas canvas;
  EXPECT_NO_THROW(m->Draw(canvas));
  EXPECT_TRUE(canvas.Of("line").empty());
  EXPECT_EQ(canvas.Of("rect").size(), 1u);
}

TEST(ModuleDraw, ListDrawsInOrderAndChildrenAreNotDrawn) {
  auto list = std::make_shared<TModuleList>();
  auto a = list->AddModule(10, 10, u"A", 10, 10);
  list->AddModule(20, 20, u"B", 10, 10);
  a->GetModules()->AddModule(30, 30, u"Child", 10, 10);
  TRecordingCanvas canvas;
  list->Draw(canvas);
  auto texts = canvas.Of("text");
  ASSERT_EQ(texts.size(), 2u);
  EXPECT_EQ(texts[0].Text, u"A");
  EXPECT_EQ(texts[1].Text, u"B");
}
