#include "model/unDragShift.h"
#include "model/unLinkDraw.h"
#include "model/unLinkList.h"
#include "model/unLinkRouter.h"
#include "model/unModuleList.h"
#include "model/unParamList.h"
#include "model/unProject.h"
#include "support/RecordingCanvas.h"
#include "xml/XmlTestSupport.h"

#include <gtest/gtest.h>
#include <random>
#include <string>

namespace {

// Modules 100 wide, 80 high, with input "i" and output "o".
struct TLevel {
  std::shared_ptr<TModuleList> List = std::make_shared<TModuleList>();
  std::shared_ptr<TParamList> In = std::make_shared<TParamList>();
  std::shared_ptr<TParamList> Out = std::make_shared<TParamList>();

  TLevel() {
    In->AddNew()->Name = u"i";
    Out->AddNew()->Name = u"o";
  }
  std::shared_ptr<IModule> Box(TPoint at, std::int32_t width = 100, std::int32_t height = 80) {
    auto m = List->AddModule(at.X, at.Y, u"M", height, width);
    m->SetParamIn(In);
    m->SetParamOut(Out);
    return m;
  }
  std::shared_ptr<TLink> Link(const std::shared_ptr<IModule>& from,
                              const std::shared_ptr<IModule>& to) {
    auto link = std::make_shared<TLink>(TLink{from, u"o", to, u"i", {}, u"", u"", false});
    List->GetLinks().Add(link);
    return link;
  }
};

bool Inside(TPoint a, TPoint b, TRect box) {
  // Strictly inside the box: running along its edge is not crossing it.
  return box.Left < std::max(a.X, b.X) && std::min(a.X, b.X) < box.Right &&
         box.Top < std::max(a.Y, b.Y) && std::min(a.Y, b.Y) < box.Bottom;
}

// Every route is orthogonal, runs from its output's mark to the right and into its input's mark
// from the left, and no segment of it passes through a box of a module other than its own two.
void ExpectRoutesKeepClear(const TLevel& level, const std::string& name) {
  for (const auto& link : level.List->GetLinks().All()) {
    const std::vector<TPoint> c = LinkCorners(*level.List, *link);
    ASSERT_GE(c.size(), 4u) << name;
    EXPECT_EQ(c.front(), link->From->MarkPoint(true, 0)) << name;
    EXPECT_EQ(c.back(), link->To->MarkPoint(false, 0)) << name;
    EXPECT_EQ(c[1], (TPoint{c[0].X + TLinkRouter::Stub, c[0].Y})) << name;
    EXPECT_EQ(c[c.size() - 2], (TPoint{c.back().X - TLinkRouter::Stub, c.back().Y})) << name;
    for (std::size_t k = 0; k + 1 < c.size(); ++k) {
      EXPECT_TRUE(c[k].X == c[k + 1].X || c[k].Y == c[k + 1].Y) << name << " segment " << k;
      for (std::int32_t i = 0; i < level.List->Count(); ++i) {
        const auto m = level.List->GetItem(i);
        if (m == link->From || m == link->To)
          continue;
        EXPECT_FALSE(Inside(c[k], c[k + 1], m->Outline()))
            << name << ": segment " << k << " (" << c[k].X << "," << c[k].Y << ")-(" << c[k + 1].X
            << "," << c[k + 1].Y << ") crosses module " << i;
      }
    }
    EXPECT_FALSE(LevelRoutes(*level.List).RouteOf(*link)->Crosses) << name;
  }
}

} // namespace

TEST(LinkRouter, NoRouteCrossesAnUnrelatedBoxOnATableOfLayouts) {
  const struct {
    const char* Name;
    std::vector<TPoint> Boxes;
    std::vector<std::pair<int, int>> Links;
  } layouts[] = {
      {"a row of three, the first linked to the last", {{0, 0}, {200, 0}, {400, 0}}, {{0, 2}}},
      {"backward", {{400, 0}, {0, 0}}, {{0, 1}}},
      {"backward past a box between", {{400, 0}, {200, 0}, {0, 0}}, {{0, 2}}},
      {"down a column past a box", {{0, 0}, {0, 150}, {0, 300}}, {{0, 2}}},
      {"through a wall with one gap",
       {{0, 0}, {300, -240}, {300, -120}, {300, 120}, {300, 240}, {600, 10}},
       {{0, 5}}},
      {"around a wall", {{0, 0}, {300, -100}, {300, 0}, {300, 100}, {600, 0}}, {{0, 4}}},
      {"both ways between two", {{0, 0}, {300, 40}}, {{0, 1}, {1, 0}}},
      {"ends a run apart", {{0, 0}, {124, 0}}, {{0, 1}}},
      {"ends a run apart, one lower", {{0, 0}, {124, 40}}, {{0, 1}}},
      {"a chain that turns back",
       {{0, 0}, {200, 0}, {400, 0}, {0, 200}, {200, 200}},
       {{0, 1}, {1, 2}, {2, 3}, {3, 4}}},
  };
  for (const auto& layout : layouts) {
    TLevel level;
    std::vector<std::shared_ptr<IModule>> boxes;
    for (const TPoint& at : layout.Boxes)
      boxes.push_back(level.Box(at));
    for (const auto& [from, to] : layout.Links)
      level.Link(boxes[from], boxes[to]);
    ExpectRoutesKeepClear(level, layout.Name);
  }
  // Ends exactly two runs apart: one segment down between them, nothing more.
  {
    TLevel level;
    auto a = level.Box({0, 0}), b = level.Box({124, 40});
    auto link = level.Link(a, b);
    const auto c = LinkCorners(*level.List, *link);
    ASSERT_EQ(c.size(), 4u);
    EXPECT_EQ(c[1].X, c[2].X);
  }
  // A grid of boxes with links between random ones.
  std::mt19937 random(11);
  for (int round = 0; round < 5; ++round) {
    TLevel level;
    std::vector<std::shared_ptr<IModule>> boxes;
    for (int row = 0; row < 5; ++row)
      for (int column = 0; column < 5; ++column)
        boxes.push_back(level.Box({column * 220, row * 160}));
    std::uniform_int_distribution<int> pick(0, 24);
    for (int k = 0; k < 12; ++k) {
      const int from = pick(random), to = pick(random);
      if (from != to)
        level.Link(boxes[from], boxes[to]);
    }
    ExpectRoutesKeepClear(level, "grid " + std::to_string(round));
  }
}

TEST(LinkRouter, ALinkThatCannotGetAroundIsDrawnAboveTheBoxes) {
  TLevel level;
  auto from = level.Box({0, 0});
  auto to = level.Box({400, 0});
  // A box over the input's mark: no way into it keeps clear.
  level.Box({to->MarkPoint(false, 0).X - 20, to->MarkPoint(false, 0).Y}, 40, 40);
  auto link = level.Link(from, to);
  const TLinkRoute* route = LevelRoutes(*level.List).RouteOf(*link);
  ASSERT_NE(route, nullptr);
  EXPECT_TRUE(route->Crosses);
  // The links below the boxes are drawn first, this one after the boxes.
  TRecordingCanvas canvas;
  DrawLevel(canvas, *level.List, nullptr);
  std::size_t lastBox = 0, line = 0;
  for (std::size_t i = 0; i < canvas.Calls.size(); ++i) {
    if (canvas.Calls[i].Kind == "rect")
      lastBox = i;
    if (canvas.Calls[i].Kind == "line" && canvas.Calls[i].Pen == clBlue &&
        canvas.Calls[i].Points.size() > 3)
      line = i;
  }
  EXPECT_GT(line, lastBox);
}

TEST(LinkRouter, ParallelRunsOfDifferentOutputsKeepApart) {
  TLevel level;
  auto a = level.Box({0, 0}), b = level.Box({0, 120});
  auto c = level.Box({400, 60}), d = level.Box({400, 200});
  level.Link(a, c);
  level.Link(b, d);
  level.Link(a, d); // the same output as the first: it may share its runs
  struct TRun {
    std::int32_t At, Low, High;
    const TLink* Link;
    const IModule* From;
  };
  std::vector<TRun> vertical;
  for (const auto& link : level.List->GetLinks().All()) {
    const auto corners = LinkCorners(*level.List, *link);
    for (std::size_t k = 1; k + 2 < corners.size(); ++k)
      if (corners[k].X == corners[k + 1].X && corners[k].Y != corners[k + 1].Y)
        vertical.push_back({corners[k].X, std::min(corners[k].Y, corners[k + 1].Y),
                            std::max(corners[k].Y, corners[k + 1].Y), link.get(),
                            link->From.get()});
  }
  ASSERT_GE(vertical.size(), 2u);
  for (const TRun& p : vertical)
    for (const TRun& q : vertical) {
      if (p.From != q.From && p.Low <= q.High && q.Low <= p.High) {
        EXPECT_GE(std::abs(p.At - q.At), TLinkRouter::Spacing);
      }
    }
}

TEST(LinkRouter, AMoveRoutesOnlyItsLinksAndThoseItNowStandsOn) {
  TLevel level;
  auto a = level.Box({0, 0}), b = level.Box({400, 0});
  auto c = level.Box({0, 400}), d = level.Box({400, 400});
  auto e = level.Box({800, 800});
  level.Link(a, b);
  level.Link(c, d);
  level.Link(d, e);
  TLinkRouter& router = LevelRoutes(*level.List);
  EXPECT_EQ(router.Routed(), 3u);
  router.Update(*level.List);
  EXPECT_EQ(router.Routed(), 0u); // nothing changed, nothing routed
  // A move of e routes its one link.
  e->SetPosition({900, 800});
  router.Update(*level.List);
  EXPECT_EQ(router.Routed(), 1u);
  // e put down on the first link routes that one too, around it.
  e->SetPosition({200, a->MarkPoint(true, 0).Y});
  router.Update(*level.List);
  EXPECT_EQ(router.Routed(), 2u);
  ExpectRoutesKeepClear(level, "after the move");
  // A drag routes the dragged module's links where it shows them, and the routes of record stay.
  const TDragShift shift({c}, {0, -100});
  const std::vector<TPoint> before = LinkCorners(*level.List, *level.List->GetLinks().Get(1));
  router.Update(*level.List, &shift);
  EXPECT_EQ(router.Routed(), 1u);
  EXPECT_EQ(router.RouteOf(*level.List->GetLinks().Get(1))->Corners.front().Y,
            c->MarkPoint(true, 0).Y - 100);
  // Around the boxes where the drag shows them, the moved one too.
  EXPECT_FALSE(router.RouteOf(*level.List->GetLinks().Get(1))->Crosses);
  router.Update(*level.List, &shift); // the same step again: nothing new
  EXPECT_EQ(router.Routed(), 0u);
  router.Update(*level.List);
  EXPECT_EQ(router.RouteOf(*level.List->GetLinks().Get(1))->Corners, before);
}

TEST(LinkRouter, BendPointsAreKeptAndSegmentsMoveAcross) {
  // Out of (0, 0) to (100, 300): the runs at the marks stay, the rest moves.
  const std::vector<TPoint> corners{{0, 0}, {12, 0}, {50, 0}, {50, 300}, {88, 300}, {100, 300}};
  const struct {
    std::size_t Segment;
    TPoint Delta;
    std::vector<TPoint> Points;
  } moves[] = {
      {2, {20, 999}, {{70, 0}, {70, 300}}},             // the vertical one, across
      {1, {999, 30}, {{12, 30}, {50, 30}, {50, 300}}},  // off the run out: a joint
      {3, {999, -40}, {{50, 0}, {50, 260}, {88, 260}}}, // off the run in: a joint
      {0, {5, 5}, {}},                                  // the runs at the marks stay
      {4, {5, 5}, {}},                                  //
  };
  for (const auto& move : moves) {
    const auto points = MoveSegment(corners, move.Segment, move.Delta);
    EXPECT_EQ(points, move.Points) << move.Segment;
    if (points.empty())
      continue;
    // The route through the new points runs as moved.
    const auto route = RouteThrough(corners.front(), points, corners.back());
    for (const TPoint& p : points)
      EXPECT_NE(std::find(route.begin(), route.end(), p), route.end());
  }
  // A straight route moved down gets a joint at both ends.
  EXPECT_EQ(MoveSegment({{0, 0}, {12, 0}, {88, 0}, {100, 0}}, 1, {0, 40}),
            (std::vector<TPoint>{{12, 40}, {88, 40}}));
  // Points out of line are reached by elbows, vertical after a horizontal run.
  EXPECT_EQ(
      RouteThrough({0, 0}, {{50, 100}}, {200, 0}),
      (std::vector<TPoint>{{0, 0}, {12, 0}, {12, 100}, {50, 100}, {50, 0}, {188, 0}, {200, 0}}));
  // A bend goes where the click is on the segment, among the corners it keeps.
  EXPECT_EQ(AddBend(corners, 2, {53, 120}), (std::vector<TPoint>{{50, 0}, {50, 120}, {50, 300}}));
  EXPECT_EQ(AddBend(corners, 0, {5, 2}), (std::vector<TPoint>{{12, 0}, {50, 0}, {50, 300}}));
  EXPECT_EQ(NearestSegment(corners, 48, 150), 2u);
  // No segment that can take a bend: none.
  EXPECT_TRUE(AddBend({{0, 0}, {10, 0}}, 0, {5, 0}).empty());
  EXPECT_TRUE(AddBend(corners, 5, {5, 0}).empty());
  EXPECT_EQ(NearestSegment({}, 0, 0), SIZE_MAX);
}

TEST(LinkRouter, ADraggedSegmentStaysWhereItWasPutAfterSaveAndLoad) {
  TTempFolder folder;
  TProject project(nullptr, {}, u"", u"P");
  auto list = project.GetMainModules();
  auto a = list->AddModule(0, 0, u"A", 80, 100);
  auto b = list->AddModule(300, 200, u"B", 80, 100);
  auto blocker = list->AddModule(150, 100, u"C", 80, 60);
  auto link = std::make_shared<TLink>(TLink{a, u"o", b, u"i", {}, u"", u"", false});
  list->GetLinks().Add(link);
  const std::vector<TPoint> routed = LinkCorners(*list, *link);
  // The segment after the run out, moved 30 across.
  link->Points = MoveSegment(routed, 2, {30, 30});
  ASSERT_FALSE(link->Points.empty());
  const std::vector<TPoint> moved = LinkCorners(*list, *link);
  EXPECT_NE(moved, routed);
  ASSERT_TRUE(project.Save(folder.File("p.zuproj")));
  TProject loaded(nullptr, {}, u"", u"");
  ASSERT_TRUE(loaded.Load(folder.File("p.zuproj")));
  const auto again = loaded.GetMainModules();
  ASSERT_EQ(again->GetLinks().Count(), 1);
  EXPECT_EQ(again->GetLinks().Get(0)->Points, link->Points);
  EXPECT_EQ(LinkCorners(*again, *again->GetLinks().Get(0)), moved);
  // A link without bend points writes none: its route is worked out again on open.
  link->Points.clear();
  ASSERT_TRUE(project.Save(folder.File("q.zuproj")));
  TProject plain(nullptr, {}, u"", u"");
  ASSERT_TRUE(plain.Load(folder.File("q.zuproj")));
  EXPECT_TRUE(plain.GetMainModules()->GetLinks().Get(0)->Points.empty());
  EXPECT_FALSE(plain.GetMainModules()->GetLinks().Get(0)->HasPoints);
  (void)blocker;
}

TEST(LinkRouter, AValueStandsOnItsLinkNeverInABox) {
  TLevel level;
  auto a = level.Box({0, 0}), b = level.Box({600, 0});
  auto link = level.Link(a, b);
  LevelRoutes(*level.List);
  const TSize size{60, 14};
  TRect place = LinkValuePlace(*level.List, *link, size);
  ASSERT_FALSE(place.Empty());
  const std::int32_t y = a->MarkPoint(true, 0).Y;
  EXPECT_EQ(place.Bottom, y - 1); // standing on the line
  EXPECT_NEAR((place.Left + place.Right) / 2, 300, 2);
  // Of two horizontal segments as long, the first takes it.
  {
    TLevel z;
    auto from = z.Box({0, 0}), to = z.Box({300, 200});
    auto zig = z.Link(from, to);
    LevelRoutes(*z.List);
    const TRect first = LinkValuePlace(*z.List, *zig, size);
    ASSERT_FALSE(first.Empty());
    EXPECT_EQ(first.Bottom, from->MarkPoint(true, 0).Y - 1);
  }
  // A box just above the middle of the line: the value goes elsewhere, or nowhere.
  level.Box({300, y - 30}, 100, 40);
  LevelRoutes(*level.List);
  place = LinkValuePlace(*level.List, *link, size);
  for (std::int32_t i = 0; i < level.List->Count(); ++i) {
    const TRect box = level.List->GetItem(i)->Outline();
    EXPECT_FALSE(!place.Empty() && place.Left <= box.Right && box.Left <= place.Right &&
                 place.Top <= box.Bottom && box.Top <= place.Bottom)
        << i;
  }
}

TEST(LinkRouter, BoxesOfAnySizeAndPlaceAreRoutedAround) {
  // A file may give a box two billion wide, or a place at the end of the numbers.
  TLevel level;
  auto near = level.Box({0, 0});
  auto wide = level.Box({300, 0}, 2000000000, 80);
  auto far = level.Box({INT32_MAX, INT32_MIN});
  auto tall = level.Box({600, 300}, 100, INT32_MIN);
  auto a = level.Link(near, far);
  auto b = level.Link(far, tall);
  auto c = level.Link(wide, near);
  c->Points = {{INT32_MAX, INT32_MAX}, {INT32_MIN, 5}};
  TLinkRouter& router = LevelRoutes(*level.List);
  EXPECT_EQ(router.Routed(), 3u);
  for (const auto& link : {a, b, c}) {
    const TLinkRoute* route = router.RouteOf(*link);
    ASSERT_NE(route, nullptr);
    EXPECT_EQ(route->Corners.front(), link->From->MarkPoint(true, 0));
    EXPECT_EQ(route->Corners.back(), link->To->MarkPoint(false, 0));
  }
  // Every box stays within reach of the numbers, with room for what is worked out from it.
  for (const auto& m : {near, wide, far, tall}) {
    const TRect box = m->Outline();
    EXPECT_LE(std::max({std::abs(std::int64_t{box.Left}), std::abs(std::int64_t{box.Right}),
                        std::abs(std::int64_t{box.Top}), std::abs(std::int64_t{box.Bottom})}),
              std::int64_t{1} << 29);
  }
  TRecordingCanvas canvas;
  DrawLevel(canvas, *level.List, c.get()); // selected: its bend points marked too
  EXPECT_FALSE(canvas.Of("line").empty());
  EXPECT_EQ(NearestSegment({{INT32_MIN, 0}, {INT32_MAX, 0}}, 0, 5), 0u);
  EXPECT_EQ(
      RoundedRoute({{INT32_MIN, INT32_MIN}, {INT32_MAX, INT32_MIN}, {INT32_MAX, INT32_MAX}}, 8)
          .back(),
      (TPoint{INT32_MAX, INT32_MAX}));
}
