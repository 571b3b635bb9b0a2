#include "model/unLinkDraw.h"
#include "model/unLinkList.h"
#include "model/unModuleList.h"
#include "model/unParamList.h"
#include "model/unProject.h"
#include "platform/unLanguage.h"
#include "support/RecordingCanvas.h"
#include "xml/XmlTestSupport.h"

#include <algorithm>
#include <cmath>
#include <gtest/gtest.h>
#include <random>
#include <tuple>

namespace {

// Parameters by name and type ("" for none).
std::shared_ptr<TParamList>
Params(std::initializer_list<std::pair<const char16_t*, const char16_t*>> params) {
  auto list = std::make_shared<TParamList>();
  for (const auto& [name, type] : params) {
    TParam* p = list->AddNew();
    p->Name = name;
    p->Type = type;
  }
  return list;
}

// Four modules A, B, C, D, each with inputs "x" (double), "y" (bool), "z" (no type), "w" (any)
// and outputs "d" (double), "b" (bool), "n" (no type), "a" (any).
class LinkTest : public ::testing::Test {
protected:
  void SetUp() override {
    for (const char16_t* name : {u"A", u"B", u"C", u"D"}) {
      auto m = Project.GetMainModules()->AddModule(0, 0, name, 50, 50);
      m->SetParamIn(In);
      m->SetParamOut(Out);
      M.push_back(m);
    }
  }
  TLinkList& Links() { return Project.GetMainModules()->GetLinks(); }
  std::shared_ptr<TLink> Link(int from, const char16_t* output, int to, const char16_t* input) {
    auto link = std::make_shared<TLink>();
    link->From = M[from];
    link->Output = output;
    link->To = M[to];
    link->Input = input;
    Links().Add(link);
    return link;
  }
  std::string Text() {
    const std::u16string file = Folder.File("p.xml");
    EXPECT_TRUE(Project.Save(file));
    return ReadBytes(file);
  }

  TTempFolder Folder;
  TProject Project{nullptr, {}, u"", u"P"};
  std::shared_ptr<TParamList> In =
      Params({{u"x", u"double"}, {u"y", u"bool"}, {u"z", u""}, {u"w", u"any"}});
  std::shared_ptr<TParamList> Out =
      Params({{u"d", u"double"}, {u"b", u"bool"}, {u"n", u""}, {u"a", u"any"}});
  std::vector<std::shared_ptr<IModule>> M;
};

} // namespace

TEST_F(LinkTest, TheRulesOfLinks) {
  Link(0, u"d", 1, u"x"); // A → B
  Link(1, u"d", 2, u"x"); // B → C
  Link(0, u"b", 3, u"y"); // A → D
  const struct {
    int From;
    const char16_t* Output;
    int To;
    const char16_t* Input;
    bool Ok;
    const char16_t* ReasonHas;
    int Replaces; // index of the link replaced, or -1
  } table[] = {
      {0, u"d", 0, u"x", false, u"сам с собой", -1},       // self-link
      {1, u"d", 0, u"x", false, u"цикл", -1},              // cycle of two
      {2, u"d", 0, u"x", false, u"цикл", -1},              // cycle of three
      {0, u"d", 2, u"y", false, u"Типы не совпадают", -1}, // double → bool
      {0, u"a", 2, u"y", true, u"", -1},                   // "any" output
      {0, u"b", 2, u"w", true, u"", -1},                   // "any" input
      {0, u"n", 2, u"y", true, u"", -1},                   // no type
      {3, u"d", 2, u"x", true, u"", 1},                    // an input's second link replaces
      {0, u"d", 2, u"z", true, u"", -1},                   // fan-out: "d" feeds B already
      {0, u"q", 2, u"x", false, u"нет выхода", -1},        // no such output
      {0, u"d", 2, u"q", false, u"нет входа", -1},         // no such input
      {3, u"b", 1, u"y", true, u"", -1},                   // no cycle through D
  };
  for (const auto& row : table) {
    const TLinkCheck check = Links().Check(M[row.From], row.Output, M[row.To], row.Input);
    const std::string what = Utf16ToUtf8(M[row.From]->GetName() + u"." + row.Output + u" → " +
                                         M[row.To]->GetName() + u"." + row.Input);
    EXPECT_EQ(check.Ok, row.Ok) << what;
    EXPECT_NE(check.Reason.find(row.ReasonHas), std::u16string::npos)
        << what << ": " << Utf16ToUtf8(check.Reason);
    EXPECT_EQ(check.Replaced, row.Replaces < 0 ? nullptr : Links().Get(row.Replaces)) << what;
  }
  EXPECT_FALSE(Links().Check(nullptr, u"d", M[1], u"x").Ok);
}

TEST_F(LinkTest, LinksSurviveSaveAndLoadExactly) {
  Link(0, u"d", 1, u"x");
  auto bent = Link(1, u"b", 2, u"y");
  bent->Points = {{10, 20}, {-5, 7}};
  Link(0, u"d", 3, u"x");
  const std::string text = Text();
  EXPECT_NE(text.find("<Links>"), std::string::npos);
  TProject loaded(nullptr, {}, u"", u"");
  ASSERT_TRUE(loaded.Load(Folder.File("p.xml")));
  const TLinkList& links = loaded.GetMainModules()->GetLinks();
  ASSERT_EQ(links.Count(), 3);
  auto modules = loaded.GetMainModules();
  EXPECT_EQ(links.Get(0)->From, modules->GetItem(0));
  EXPECT_EQ(links.Get(0)->To, modules->GetItem(1));
  EXPECT_EQ(links.Get(1)->Output, u"b");
  EXPECT_EQ(links.Get(1)->Input, u"y");
  EXPECT_EQ(links.Get(1)->Points, (std::vector<TPoint>{{10, 20}, {-5, 7}}));
  EXPECT_EQ(links.Get(2)->To, modules->GetItem(3));
  ASSERT_TRUE(loaded.Save(Folder.File("again.xml")));
  EXPECT_EQ(ReadBytes(Folder.File("again.xml")), text);
  // Deleting a module renumbers the links of the others.
  Links().Remove(Links().Get(0));
  Links().Remove(Links().Get(1));
  Project.GetMainModules()->Remove(M[0]);
  const std::string renumbered = Text();
  EXPECT_NE(renumbered.find("<From>0</From>"), std::string::npos) << renumbered; // B is first now
  EXPECT_NE(renumbered.find("<To>1</To>"), std::string::npos);
}

TEST_F(LinkTest, AFileWithoutLinksIsWrittenAsBefore) {
  EXPECT_EQ(Text().find("Links"), std::string::npos);
}

TEST_F(LinkTest, UnresolvedLinksAreKeptAndWrittenBackUnchanged) {
  Link(0, u"d", 1, u"x");
  std::string text = Text();
  // An index that names no module, a text that is no index, a parameter that is not there, and
  // an empty "Points".
  const std::string good = "<Link0>";
  const std::size_t at = text.find("</Links>");
  ASSERT_NE(at, std::string::npos);
  std::string extra =
      "  <Link1>\r\n<From>7</From>\r\n<Output>d</Output>\r\n<To>1</To>\r\n<Input>x</Input>\r\n"
      "</Link1>\r\n<Link2>\r\n<From>one</From>\r\n<Output>d</Output>\r\n<To>2</To>\r\n"
      "<Input>x</Input>\r\n</Link2>\r\n<Link3>\r\n<From>2</From>\r\n<Output>gone</Output>\r\n"
      "<To>3</To>\r\n<Input>x</Input>\r\n<Points>\r\n<Count>0</Count>\r\n</Points>\r\n</Link3>\r\n"
      "<Link4>\r\n<From></From>\r\n<Output>d</Output>\r\n<To>0000000001</To>\r\n<Input>x</"
      "Input>\r\n"
      "</Link4>\r\n";
  text.insert(at, extra);
  const std::size_t count = text.find("<Count>1</Count>", text.find("<Links>"));
  ASSERT_NE(count, std::string::npos);
  text.replace(count, 16, "<Count>5</Count>");
  WriteBytes(Folder.File("in.xml"), text);
  TProject loaded(nullptr, {}, u"", u"");
  auto modules = loaded.GetMainModules();
  ASSERT_TRUE(loaded.Load(Folder.File("in.xml")));
  for (std::int32_t i = 0; i < modules->Count(); ++i) {
    modules->GetItem(i)->SetParamIn(In);
    modules->GetItem(i)->SetParamOut(Out);
  }
  const TLinkList& links = modules->GetLinks();
  ASSERT_EQ(links.Count(), 5);
  EXPECT_TRUE(LinkResolves(*links.Get(0)));
  for (int i = 1; i < 5; ++i)
    EXPECT_FALSE(LinkResolves(*links.Get(i))) << i;
  EXPECT_EQ(links.Get(1)->From, nullptr);
  // An empty text and one of ten digits name no module, whatever their digits say.
  EXPECT_EQ(links.Get(4)->From, nullptr);
  EXPECT_EQ(links.Get(4)->To, nullptr);
  EXPECT_EQ(links.Get(2)->FromText, u"one");
  ASSERT_TRUE(loaded.Save(Folder.File("out.xml")));
  // The writer's layout of the same tree: loaded and written once more, byte for byte.
  const std::string written = ReadBytes(Folder.File("out.xml"));
  TProject again(nullptr, {}, u"", u"");
  ASSERT_TRUE(again.Load(Folder.File("out.xml")));
  ASSERT_TRUE(again.Save(Folder.File("out2.xml")));
  EXPECT_EQ(ReadBytes(Folder.File("out2.xml")), written);
  for (const char* kept : {"<From>7</From>", "<From>one</From>", "<Output>gone</Output>",
                           "<Points>", "<From></From>", "<To>0000000001</To>"})
    EXPECT_NE(written.find(kept), std::string::npos) << kept;
}

namespace {

// A module at the position, 40 × 40, with one input "i" and one output "o".
std::shared_ptr<IModule> Box(IModuleList& list, TPoint at) {
  auto m = list.AddModule(at.X, at.Y, u"B", 40, 40);
  auto params = std::make_shared<TParamList>();
  params->AddNew()->Name = u"i";
  auto outs = std::make_shared<TParamList>();
  outs->AddNew()->Name = u"o";
  m->SetParamIn(params);
  m->SetParamOut(outs);
  return m;
}

} // namespace

TEST(LinkGeometry, TheRouteRunsFromMarkToMarkThroughItsBendsWithinItsHull) {
  // Outputs at x + 20, inputs at x - 20.
  const struct {
    TPoint From, To;
    std::vector<TPoint> Bends;
  } table[] = {
      {{0, 0}, {140, 50}, {}},         // forward
      {{100, 0}, {0, 0}, {}},          // backward: around the boxes
      {{0, 0}, {60, 0}, {}},           // close
      {{0, 0}, {200, 0}, {{100, 80}}}, // through a bend point
  };
  for (const auto& row : table) {
    auto list = std::make_shared<TModuleList>();
    auto link = std::make_shared<TLink>();
    link->From = Box(*list, row.From);
    link->Output = u"o";
    link->To = Box(*list, row.To);
    link->Input = u"i";
    link->Points = row.Bends;
    list->GetLinks().Add(link);
    const TRect hull = LinkHull(*list, *link);
    const std::vector<TPoint> curve = LinkCurve(*list, *link);
    ASSERT_FALSE(curve.empty());
    EXPECT_EQ(curve.front(), link->From->MarkPoint(true, 0));
    EXPECT_EQ(curve.back(), link->To->MarkPoint(false, 0));
    const std::vector<TPoint> corners = LinkCorners(*list, *link);
    for (const TPoint& bend : row.Bends)
      EXPECT_NE(std::find(corners.begin(), corners.end(), bend), corners.end()) << bend.X;
    for (std::size_t k = 1; k < corners.size(); ++k)
      EXPECT_TRUE(corners[k].X == corners[k - 1].X || corners[k].Y == corners[k - 1].Y)
          << row.From.X << "→" << row.To.X << " corner " << k;
    for (const TPoint& p : curve)
      EXPECT_TRUE(p.X >= hull.Left + 2 && p.X <= hull.Right - 2 && p.Y >= hull.Top + 2 &&
                  p.Y <= hull.Bottom - 2)
          << p.X << "," << p.Y;
  }
  // Whatever the ends and bends, the line stays inside.
  std::mt19937 random(7);
  std::uniform_int_distribution<int> coordinate(-500, 500);
  for (int round = 0; round < 200; ++round) {
    auto list = std::make_shared<TModuleList>();
    auto link = std::make_shared<TLink>();
    link->From = Box(*list, {coordinate(random), coordinate(random)});
    link->Output = u"o";
    link->To = Box(*list, {coordinate(random), coordinate(random)});
    link->Input = u"i";
    for (int b = round % 3; b > 0; --b)
      link->Points.push_back({coordinate(random), coordinate(random)});
    list->GetLinks().Add(link);
    const TRect hull = LinkHull(*list, *link);
    for (const TPoint& p : LinkCurve(*list, *link))
      ASSERT_TRUE(p.X > hull.Left && p.X < hull.Right && p.Y > hull.Top && p.Y < hull.Bottom)
          << round;
  }
  auto list = std::make_shared<TModuleList>();
  TLink loose;
  EXPECT_TRUE(LinkHull(*list, loose).Empty());
  EXPECT_TRUE(LinkCurve(*list, loose).empty());
}

TEST(LinkGeometry, ResolvingLinksAreBlueUnresolvedOnesDashedRedTheSelectedWide) {
  auto list = std::make_shared<TModuleList>();
  auto a = Box(*list, {0, 0}), b = Box(*list, {300, 0});
  auto good = std::make_shared<TLink>(TLink{a, u"o", b, u"i", {}, u"", u"", false});
  auto bad = std::make_shared<TLink>(TLink{a, u"gone", b, u"i", {}, u"", u"", false});
  auto loose = std::make_shared<TLink>(TLink{nullptr, u"o", b, u"i", {}, u"7", u"", false});
  list->GetLinks().Add(good);
  list->GetLinks().Add(bad);
  list->GetLinks().Add(loose);
  struct TWideCanvas : TRecordingCanvas {
    void SetPenWidth(std::int32_t width) override { Widths.push_back(width); }
    std::vector<std::int32_t> Widths;
  } canvas;
  good->Points = {{150, 40}};
  DrawLinks(canvas, *list, good.get());
  const auto lines = canvas.Of("line");
  ASSERT_GE(lines.size(), 3u);
  EXPECT_EQ(lines[0].Pen, clBlue);
  EXPECT_EQ(lines[0].Points, LinkCurve(*list, *good)); // the whole line at once
  // The selected link's bend point is marked.
  const auto boxes = canvas.Of("rect");
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].Points, (std::vector<TPoint>{{147, 37}, {153, 43}}));
  auto length = [](const std::vector<TPoint>& line) {
    double sum = 0;
    for (std::size_t k = 1; k < line.size(); ++k)
      sum += std::hypot(line[k].X - line[k - 1].X, line[k].Y - line[k - 1].Y);
    return sum;
  };
  std::size_t dashes = 0;
  double drawn = 0;
  for (std::size_t i = 1; i < lines.size(); ++i) {
    EXPECT_EQ(lines[i].Pen, clRed);
    ++dashes;
    drawn += length(lines[i].Points);
  }
  const double whole = length(LinkCurve(*list, *bad));
  // Every dash but the last runs about six units along the curve, each gap as long.
  for (std::size_t i = 1; i + 1 < lines.size(); ++i) {
    double length = 0;
    for (std::size_t k = 1; k < lines[i].Points.size(); ++k)
      length += std::hypot(lines[i].Points[k].X - lines[i].Points[k - 1].X,
                           lines[i].Points[k].Y - lines[i].Points[k - 1].Y);
    EXPECT_GE(length, 6) << i;
    EXPECT_LT(length, 6 + 20) << i;
  }
  EXPECT_GT(dashes, 5u); // many dashes...
  // ...with gaps as long between them.
  EXPECT_GT(drawn, whole * 0.4);
  EXPECT_LT(drawn, whole * 0.6);
  // Selected, its bend mark, the other, reset.
  EXPECT_EQ(canvas.Widths, (std::vector<std::int32_t>{3, 1, 1, 1}));
}

TEST_F(LinkTest, ALinkWithoutBendPointsWritesNone) {
  Link(0, u"d", 1, u"x");
  EXPECT_EQ(Text().find("<Points>", Text().find("<Links>")), std::string::npos);
}

TEST_F(LinkTest, TheListFindsInsertsAndRemovesByIdentity) {
  auto ab = Link(0, u"d", 1, u"x"), bc = Link(1, u"d", 2, u"x"), ac = Link(0, u"b", 2, u"y");
  using TLinks = std::vector<std::shared_ptr<TLink>>;
  EXPECT_EQ(Links().Of(M[0]), (TLinks{ab, ac}));
  EXPECT_EQ(Links().Of(M[2]), (TLinks{bc, ac}));
  EXPECT_EQ(Links().Of(M[3]), TLinks{});
  EXPECT_EQ(Links().Of(nullptr), TLinks{});
  EXPECT_EQ(Links().Into(M[2], u"y"), ac);
  EXPECT_EQ(Links().Into(M[2], u"z"), nullptr);
  EXPECT_EQ(Links().Into(M[0], u"x"), nullptr);
  EXPECT_EQ(Links().IndexOf(bc), 1);
  // A copy of a link is not the link.
  EXPECT_EQ(Links().IndexOf(std::make_shared<TLink>(*bc)), -1);
  EXPECT_FALSE(Links().Remove(std::make_shared<TLink>(*bc)));
  EXPECT_TRUE(Links().Remove(bc));
  EXPECT_FALSE(Links().Remove(bc));
  EXPECT_EQ(Links().Count(), 2);
  EXPECT_EQ(Links().Get(1), ac);
  EXPECT_EQ(Links().Get(2), nullptr);
  EXPECT_EQ(Links().Get(-1), nullptr);
  Links().Insert(1, bc);
  Links().Insert(-5, bc);
  Links().Insert(9, ab);
  EXPECT_EQ(Links().Get(1), bc);
  EXPECT_EQ(Links().Count(), 5);
  EXPECT_EQ(Links().Get(3), bc);
  EXPECT_EQ(Links().Get(4), ab);
}

TEST_F(LinkTest, EveryDigitOfAnIndexNamesItsModule) {
  for (int i = 4; i < 20; ++i)
    Project.GetMainModules()->AddModule(0, 0, u"M", 10, 10);
  Link(0, u"d", 1, u"x");
  std::string text = Text();
  text.replace(text.find("<From>0"), 7, "<From>9");
  const std::size_t at = text.find("<To>1</To>");
  ASSERT_NE(at, std::string::npos);
  text.replace(at, 10, "<To>19</To>");
  WriteBytes(Folder.File("digits.xml"), text);
  TProject loaded(nullptr, {}, u"", u"");
  ASSERT_TRUE(loaded.Load(Folder.File("digits.xml")));
  const auto link = loaded.GetMainModules()->GetLinks().Get(0);
  EXPECT_EQ(link->From, loaded.GetMainModules()->GetItem(9));
  EXPECT_EQ(link->To, loaded.GetMainModules()->GetItem(19));
}

TEST_F(LinkTest, LinksThatBreakTheRulesAmongThoseBeforeThemAreFound) {
  // (from, to, input) of each link; -1 for an end that is not there.
  using TSpec = std::vector<std::tuple<int, int, const char16_t*>>;
  const struct {
    TSpec Links;
    std::vector<std::pair<std::size_t, TLinkFault>> Faults;
  } rows[] = {
      {{{0, 1, u"x"}, {1, 2, u"x"}, {2, 3, u"x"}}, {}},
      {{{0, 0, u"x"}, {0, 1, u"x"}}, {{0, TLinkFault::SelfLink}}},
      {{{0, 1, u"x"}, {2, 1, u"x"}, {2, 1, u"y"}}, {{1, TLinkFault::InputTaken}}},
      {{{0, 1, u"x"}, {1, 2, u"x"}, {2, 0, u"x"}}, {{2, TLinkFault::ClosesCycle}}},
      // A cycle is broken at the link that closes it, whatever came first.
      {{{2, 0, u"x"}, {0, 1, u"x"}, {1, 2, u"x"}, {1, 3, u"x"}}, {{2, TLinkFault::ClosesCycle}}},
      // A link left out leaves no trace: the one after it is judged without it.
      {{{0, 1, u"x"}, {1, 0, u"x"}, {1, 0, u"y"}},
       {{1, TLinkFault::ClosesCycle}, {2, TLinkFault::ClosesCycle}}},
      {{{0, 1, u"x"}, {1, 1, u"y"}, {1, 0, u"x"}},
       {{1, TLinkFault::SelfLink}, {2, TLinkFault::ClosesCycle}}},
      // Unresolved ends break no rule.
      {{{-1, 1, u"x"}, {-1, 1, u"x"}, {0, -1, u"x"}}, {}},
  };
  for (const auto& row : rows) {
    std::vector<std::shared_ptr<TLink>> links;
    for (const auto& [from, to, input] : row.Links) {
      auto link = std::make_shared<TLink>();
      link->From = from >= 0 ? M[static_cast<std::size_t>(from)] : nullptr;
      link->Output = u"d";
      link->To = to >= 0 ? M[static_cast<std::size_t>(to)] : nullptr;
      link->Input = input;
      links.push_back(link);
    }
    std::vector<std::pair<std::size_t, TLinkFault>> found;
    for (const TLinkFaultAt& f : UnlawfulLinks(links))
      found.emplace_back(f.Index, f.Fault);
    EXPECT_EQ(found, row.Faults) << "row of " << row.Links.size() << " links, first from "
                                 << std::get<0>(row.Links[0]);
  }
}

TEST_F(LinkTest, RefusalsAndLoadFailuresAreInTheUsersLanguage) {
  const TLanguage was = TextLanguage();
  SetTextLanguage(TLanguage::English);
  EXPECT_EQ(Links().Check(M[0], u"d", M[0], u"x").Reason, u"A module is not linked to itself");
  EXPECT_EQ(Links().Check(M[0], u"nope", M[1], u"x").Reason, u"Module “A” has no output “nope”");
  EXPECT_EQ(Links().Check(M[0], u"b", M[1], u"x").Reason,
            u"The types differ: output “b” (bool) and input “x” (double)");
  Link(0, u"d", 1, u"x");
  EXPECT_EQ(Links().Check(M[1], u"d", M[0], u"x").Reason,
            u"The link would close a cycle: “A” already leads to “B”");
  const std::u16string file = Folder.File("page.xml");
  WriteBytes(file, "<html/>");
  TProject page(nullptr, {}, u"", u"");
  EXPECT_EQ(page.Load(file).Reason, "The file \"" + Utf16ToUtf8(file) +
                                        "\" holds no project: its root element is \"html\" "
                                        "<TProject.Load>");
  WriteBytes(file, "<Kven_ZU_Programming_Project><Name>x</Kven_ZU_Programming_Project>");
  EXPECT_TRUE(page.Load(file).Reason.starts_with("The end tag \"</Kven_ZU_Programming_Project>\" "
                                                 "does not match the element \"Name\""))
      << page.Load(file).Reason;
  SetTextLanguage(was);
  EXPECT_EQ(Links().Check(M[0], u"d", M[0], u"x").Reason, u"Модуль не соединяется сам с собой");
}
