#include "model/unModuleList.h"
#include "model/unParamList.h"
#include "platform/unStrings.h"
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
    const int y = 50 + 12 + k * 25; // the middle of each quarter
    EXPECT_EQ(lines[k].Pen, clGreen);
    EXPECT_EQ(lines[k].Points, (std::vector<TPoint>{{50, y - 2}, {53, y}, {50, y + 2}})) << k;
  }
  for (int k = 0; k < 3; ++k) {
    const int y = 50 + 16 + k * 33; // the middle of each third of 100
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

namespace {

std::shared_ptr<TParamList> Named(std::initializer_list<const char16_t*> names) {
  auto list = std::make_shared<TParamList>();
  for (const char16_t* name : names)
    list->AddNew()->Name = name;
  return list;
}

// A recording canvas that shows everything at half its size.
struct THalfCanvas : TRecordingCanvas {
  TPoint ToPicture(TPoint p) override { return {p.X / 2, p.Y / 2}; }
};

} // namespace

TEST(ModuleMarks, PointsAndPickingInTheMiddleOfEachShare) {
  auto list = std::make_shared<TModuleList>();
  auto m = list->AddModule(100, 100, u"M", 100, 100);
  m->SetParamIn(Named({u"a", u"b"}));
  m->SetParamOut(Named({u"sum"}));
  EXPECT_EQ(m->MarkPoint(false, 0), (TPoint{50, 75}));
  EXPECT_EQ(m->MarkPoint(false, 1), (TPoint{50, 125}));
  EXPECT_EQ(m->MarkPoint(true, 0), (TPoint{150, 100}));
  const struct {
    TPoint At;
    bool Found, Output;
    std::int32_t Index;
  } table[] = {{{52, 77}, true, false, 0},    {{44, 131}, true, false, 1},
               {{156, 94}, true, true, 0},    {{157, 100}, false, false, 0},
               {{100, 100}, false, false, 0}, {{50, 100}, false, false, 0},
               {{50, 81}, true, false, 0}};
  for (const auto& row : table) {
    bool output = !row.Output;
    std::int32_t index = -1;
    EXPECT_EQ(m->MarkAt(row.At, 6, output, index), row.Found) << row.At.X << "," << row.At.Y;
    if (row.Found) {
      EXPECT_EQ(output, row.Output) << row.At.X << "," << row.At.Y;
      EXPECT_EQ(index, row.Index) << row.At.X << "," << row.At.Y;
    }
  }
  // Of two marks in reach, the nearer.
  m->SetHeight(10);
  bool output = false;
  std::int32_t index = -1;
  ASSERT_TRUE(m->MarkAt({50, 100}, 6, output, index)); // marks at 97 and 102
  EXPECT_EQ(index, 1);
}

TEST(ModuleMarks, NamesStandBesideTheirMarksWhenThereIsRoom) {
  auto list = std::make_shared<TModuleList>();
  auto m = list->AddModule(100, 100, u"M", 100, 100);
  m->SetParamIn(Named({u"a", u"bb"}));
  m->SetParamOut(Named({u"sum"}));
  TRecordingCanvas canvas;
  m->Draw(canvas);
  auto texts = canvas.Of("text");
  ASSERT_EQ(texts.size(), 4u);
  EXPECT_EQ(texts[0].Text, u"M");
  EXPECT_EQ(texts[1].Text, u"a");
  EXPECT_EQ(texts[1].Points[0], (TPoint{55, 70}));
  EXPECT_EQ(texts[2].Text, u"bb");
  EXPECT_EQ(texts[2].Points[0], (TPoint{55, 120}));
  EXPECT_EQ(texts[3].Text, u"sum");
  EXPECT_EQ(texts[3].Points[0], (TPoint{150 - 5 - 18, 95}));
  // Too low a share, too narrow a box, or too small on the picture: no names.
  for (int variant = 0; variant < 3; ++variant) {
    auto other = list->AddModule(100, 100, u"M", variant == 0 ? 15 : 100, variant == 1 ? 30 : 100);
    other->SetParamIn(Named({u"a", u"bb"}));
    other->SetParamOut(Named({u"sum", u"x"}));
    THalfCanvas half;
    TRecordingCanvas plain;
    TRecordingCanvas& used = variant == 2 ? half : plain;
    other->Draw(used);
    EXPECT_EQ(used.Of("text").size(), 1u) << variant;
  }
}

TEST(ModuleMarks, NamesOfExactlySevenPixelsAreWritten) {
  // Text 14 high shown at half size: 7 pixels on the picture.
  struct TTallHalfCanvas : TRecordingCanvas {
    TSize TextExtent(const std::u16string& text) override {
      return {static_cast<std::int32_t>(6 * text.size()), 14};
    }
    TPoint ToPicture(TPoint p) override { return {p.X / 2, p.Y / 2}; }
  } canvas;
  auto list = std::make_shared<TModuleList>();
  auto m = list->AddModule(100, 100, u"M", 100, 100);
  m->SetParamIn(Named({u"a"}));
  m->Draw(canvas);
  EXPECT_EQ(canvas.Of("text").size(), 2u);
}

TEST(ModuleMarks, NamesAreWrittenWhenEachShareIsExactlyOneLineHigh) {
  // The recording canvas's text is 10 high: two inputs on a box 20 high have 10 each.
  auto list = std::make_shared<TModuleList>();
  auto fits = list->AddModule(100, 100, u"M", 20, 100);
  fits->SetParamIn(Named({u"a", u"b"}));
  TRecordingCanvas canvas;
  fits->Draw(canvas);
  EXPECT_EQ(canvas.Of("text").size(), 3u);
  auto tight = list->AddModule(100, 100, u"M", 19, 100);
  tight->SetParamIn(Named({u"a", u"b"}));
  TRecordingCanvas other;
  tight->Draw(other);
  EXPECT_EQ(other.Of("text").size(), 1u);
}

TEST(ModuleDraw, ANameLongerThanAnyBoxIsDrawnCut) {
  auto list = std::make_shared<TModuleList>();
  auto m = list->AddModule(100, 100, std::u16string(1 << 20, u'n'), 100, 100);
  TRecordingCanvas canvas;
  m->Draw(canvas);
  const auto texts = canvas.Of("text");
  ASSERT_EQ(texts.size(), 1u);
  EXPECT_EQ(texts[0].Text.size(), ShownNameUnits);
  EXPECT_EQ(texts[0].Text.back(), u'\u2026');
  EXPECT_EQ(m->GetName().size(), 1u << 20); // the module keeps its whole name
}
