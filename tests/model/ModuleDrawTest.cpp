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

TEST(ModuleDraw, MarksStandBelowTheHeadHollowUntilLinked) {
  auto list = std::make_shared<TModuleList>();
  auto m = list->AddModule(100, 100, u"M", 100, 100);
  m->SetParamIn(Params(4));
  m->SetParamOut(Params(3));
  // Four inputs need 36 + 4 x 18 = 108: the box grows about its centre.
  TPortsLinked linked{{false, true}, {true}};
  TRecordingCanvas canvas;
  m->DrawLinked(canvas, &linked);
  EXPECT_EQ(canvas.Of("rect")[0].Points, (std::vector<TPoint>{{50, 46}, {150, 154}}));
  EXPECT_EQ(m->GetHeight(), 100); // the height given is kept
  const auto lines = canvas.Of("line"), fills = canvas.Of("fill");
  ASSERT_EQ(lines.size(), 5u);
  ASSERT_EQ(fills.size(), 2u);
  auto input = [](int y) {
    return std::vector<TPoint>{{50, y - 4}, {56, y}, {50, y + 4}, {50, y - 4}};
  };
  auto output = [](int y) {
    return std::vector<TPoint>{{144, y - 4}, {150, y}, {144, y + 4}, {144, y - 4}};
  };
  auto filled = [](std::vector<TPoint> mark) {
    mark.pop_back();
    return mark;
  };
  // Inputs 18 apart from 46 + 36 + 9; outputs 24 apart from 46 + 36 + 12.
  EXPECT_EQ(lines[0].Points, input(91));
  EXPECT_EQ(lines[0].Pen, clGreen);
  EXPECT_EQ(fills[0].Points, filled(input(109)));
  EXPECT_EQ(fills[0].Pen, clGreen);
  EXPECT_EQ(lines[1].Points, input(127));
  EXPECT_EQ(lines[2].Points, input(145));
  EXPECT_EQ(fills[1].Points, filled(output(94)));
  EXPECT_EQ(fills[1].Pen, clBlue);
  EXPECT_EQ(lines[3].Points, output(118));
  EXPECT_EQ(lines[3].Pen, clBlue);
  EXPECT_EQ(lines[4].Points, output(142));
  // What it paints: the box grown for its marks, the name inside its head.
  EXPECT_EQ(m->DrawnBounds(canvas), (TRect{49, 45, 151, 155}));
  // Drawn without links, every mark is hollow.
  TRecordingCanvas plain;
  m->Draw(plain);
  EXPECT_EQ(plain.Of("line").size(), 7u);
  EXPECT_TRUE(plain.Of("fill").empty());
}

TEST(ModuleDraw, TheComponentsTitleStandsUnderTheName) {
  auto list = std::make_shared<TModuleList>();
  auto m = list->AddModule(100, 100, u"M", 100, 100);
  m->SetTypeTitle(u"Adder");
  TRecordingCanvas canvas;
  m->Draw(canvas);
  // Without parameters, both in the middle.
  auto texts = canvas.Of("text");
  ASSERT_EQ(texts.size(), 2u);
  EXPECT_EQ(texts[0].Points[0], (TPoint{97, 90}));
  EXPECT_EQ(texts[1].Text, u"Adder");
  EXPECT_EQ(texts[1].Points[0], (TPoint{85, 100}));
  // With parameters, in the head; a title wider than the box is cut.
  m->SetParamIn(Params(1));
  m->SetWidth(30);
  m->SetTypeTitle(u"A long title");
  TRecordingCanvas head;
  m->Draw(head);
  texts = head.Of("text");
  ASSERT_GE(texts.size(), 2u);
  EXPECT_EQ(texts[0].Points[0], (TPoint{97, 52}));
  EXPECT_EQ(texts[1].Text, u"A l\u2026");
  EXPECT_EQ(texts[1].Points[0], (TPoint{88, 62}));
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

TEST(ModuleMarks, PointsAndPickingInTheMiddleOfEachShareBelowTheHead) {
  auto list = std::make_shared<TModuleList>();
  auto m = list->AddModule(100, 100, u"M", 100, 100);
  m->SetParamIn(Named({u"a", u"b"}));
  m->SetParamOut(Named({u"sum"}));
  // 64 below the head of 36: two shares of 32, one of 64.
  EXPECT_EQ(m->MarkPoint(false, 0), (TPoint{50, 102}));
  EXPECT_EQ(m->MarkPoint(false, 1), (TPoint{50, 134}));
  EXPECT_EQ(m->MarkPoint(true, 0), (TPoint{150, 118}));
  const struct {
    TPoint At;
    bool Found, Output;
    std::int32_t Index;
  } table[] = {{{52, 104}, true, false, 0},   {{44, 140}, true, false, 1},
               {{156, 112}, true, true, 0},   {{157, 118}, false, false, 0},
               {{100, 100}, false, false, 0}, {{50, 118}, false, false, 0},
               {{50, 108}, true, false, 0}};
  for (const auto& row : table) {
    bool output = !row.Output;
    std::int32_t index = -1;
    EXPECT_EQ(m->MarkAt(row.At, 6, output, index), row.Found) << row.At.X << "," << row.At.Y;
    if (row.Found) {
      EXPECT_EQ(output, row.Output) << row.At.X << "," << row.At.Y;
      EXPECT_EQ(index, row.Index) << row.At.X << "," << row.At.Y;
    }
  }
  // Of two marks in reach, the nearer: a box 10 high grows to 72, marks at 109 and 127.
  m->SetHeight(10);
  bool output = false;
  std::int32_t index = -1;
  ASSERT_TRUE(m->MarkAt({50, 120}, 12, output, index));
  EXPECT_EQ(index, 1);
}

TEST(ModuleMarks, NamesStandBesideTheirMarksCutOnlyWhereTheBoxIsNarrower) {
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
  EXPECT_EQ(texts[1].Points[0], (TPoint{58, 97}));
  EXPECT_EQ(texts[2].Text, u"bb");
  EXPECT_EQ(texts[2].Points[0], (TPoint{58, 129}));
  EXPECT_EQ(texts[3].Text, u"sum");
  EXPECT_EQ(texts[3].Points[0], (TPoint{150 - 8 - 18, 113}));
  // A box too low for its names grows; one too narrow for even an ellipsis, or too small on
  // the picture, shows none.
  const struct {
    std::int32_t Height, Width;
    bool Half;
    std::size_t Texts;
  } variants[] = {{15, 100, false, 5}, {100, 30, false, 1}, {100, 100, true, 1}};
  for (const auto& v : variants) {
    auto other = list->AddModule(100, 100, u"M", v.Height, v.Width);
    other->SetParamIn(Named({u"a", u"bb"}));
    other->SetParamOut(Named({u"sum", u"x"}));
    THalfCanvas half;
    TRecordingCanvas plain;
    TRecordingCanvas& used = v.Half ? half : plain;
    other->Draw(used);
    EXPECT_EQ(used.Of("text").size(), v.Texts) << v.Height << " " << v.Width;
  }
  // Only inputs: the whole inner width is theirs (42 here); a longer name ends in an ellipsis.
  auto narrow = list->AddModule(100, 100, u"M", 100, 58);
  narrow->SetParamIn(Named({u"abcdefgh", u"abcdefg"}));
  TRecordingCanvas cut;
  narrow->Draw(cut);
  texts = cut.Of("text");
  ASSERT_EQ(texts.size(), 3u);
  EXPECT_EQ(texts[1].Text, u"abcdef\u2026"); // 42 of the 42 there are
  EXPECT_EQ(texts[2].Text, u"abcdefg");      // exactly 42 fits whole
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

TEST(ModuleMarks, EveryPortsNameIsWrittenHoweverLowTheBoxWasMade) {
  auto list = std::make_shared<TModuleList>();
  for (const std::int32_t height : {0, 1, 19, 20, 71, 72, -5}) {
    auto m = list->AddModule(100, 100, u"M", height, 100);
    m->SetParamIn(Named({u"a", u"b"}));
    TRecordingCanvas canvas;
    m->Draw(canvas);
    EXPECT_EQ(canvas.Of("text").size(), 3u) << height;
    const TRect box = m->Outline();
    EXPECT_GE(box.Bottom - box.Top, 72) << height;
    EXPECT_EQ(m->GetHeight(), height);
  }
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
