#include "plugins/unCondition.h"
#include "plugins/unHostProtocol.h"
#include "plugins/unRunStats.h"

#include <cmath>
#include <gtest/gtest.h>

TEST(Condition, ReadsComparisonsJoinedByAndOr) {
  TCondition c;
  std::string why;
  ASSERT_TRUE(ParseCondition("  Filter/Add 1.Sum>=-1.5e1 AND Gen.Signal != true or X.Y<2 ", c, why))
      << why;
  const std::vector<TConditionTerm> expected = {
      {"Filter/Add 1", "Sum", TCompareOp::GreaterEqual, -15, false},
      {"Gen", "Signal", TCompareOp::NotEqual, 1, true},
      {"X", "Y", TCompareOp::Less, 2, false}};
  EXPECT_EQ(c.Terms, expected);
  // A name with dots is split at its last one; every operator is read as written.
  const struct {
    const char* Text;
    TCompareOp Op;
  } ops[] = {{"A.b.c < 1", TCompareOp::Less},
             {"A.b.c <= 1", TCompareOp::LessEqual},
             {"A.b.c > 1", TCompareOp::Greater},
             {"A.b.c >= 1", TCompareOp::GreaterEqual},
             {"A.b.c = 1 or A.b.c == 1", TCompareOp::Equal},
             {"A.b.c == 1", TCompareOp::Equal},
             {"A.b.c != 1", TCompareOp::NotEqual}};
  for (const auto& row : ops) {
    ASSERT_TRUE(ParseCondition(row.Text, c, why)) << row.Text;
    ASSERT_GE(c.Terms.size(), 1u);
    EXPECT_EQ(c.Terms[0].Module, "A.b");
    EXPECT_EQ(c.Terms[0].Param, "c");
    EXPECT_EQ(c.Terms[0].Op, row.Op) << row.Text;
    // "=" is written back as "==".
    EXPECT_NE(
        std::string(row.Text).find(std::string(" ") + std::string(OperatorText(row.Op)) + " "),
        std::string::npos)
        << row.Text;
  }
}

TEST(Condition, SaysWhereATextIsNoCondition) {
  const struct {
    const char* Text;
    const char* Why;
  } rows[] = {
      {"", "expected MODULE.PARAM at column 1"},
      {"Gen > 1", "expected MODULE.PARAM at column 1"},
      {".x > 1", "expected MODULE.PARAM at column 1"},
      {"Gen. > 1", "expected MODULE.PARAM at column 1"},
      {"Gen.S 1", "expected one of < <= > >= == != at column 8"},
      {"Gen.S <> 1", "expected one of < <= > >= == != at column 7"},
      {"Gen.S > ", "expected a number at column 9"},
      {"Gen.S > yes", "expected a number at column 9"},
      {"Gen.S > 1 and", "expected \"and\", \"or\" or the end at column 11"},
      {"Gen.S > 1 and ", "expected MODULE.PARAM at column 15"},
      {"Gen.S > 1 andGen.T < 2", "expected \"and\", \"or\" or the end at column 11"},
      {"Gen.S > 1x", "expected \"and\", \"or\" or the end at column 10"},
  };
  for (const auto& row : rows) {
    TCondition c;
    std::string why;
    EXPECT_FALSE(ParseCondition(row.Text, c, why)) << row.Text;
    EXPECT_EQ(why, row.Why) << row.Text;
  }
}

TEST(Condition, ValuesCompareAsNumbersAndAndBindsFirst) {
  EXPECT_EQ(ValueNumber("0.75"), 0.75);
  EXPECT_EQ(ValueNumber(" +2 "), 2);
  EXPECT_EQ(ValueNumber("true"), 1);
  EXPECT_EQ(ValueNumber("false"), 0);
  EXPECT_TRUE(std::isnan(ValueNumber("")));
  EXPECT_TRUE(std::isnan(ValueNumber("1.5 V")));
  EXPECT_TRUE(std::isnan(ValueNumber("abc")));
  const double nan = ValueNumber("x");
  for (const TCompareOp op : {TCompareOp::Less, TCompareOp::LessEqual, TCompareOp::Greater,
                              TCompareOp::GreaterEqual, TCompareOp::Equal})
    EXPECT_FALSE(Compare(nan, op, 0));
  EXPECT_TRUE(Compare(nan, TCompareOp::NotEqual, 0));
  const struct {
    double Value;
    bool Less, LessEqual, Greater, GreaterEqual, Equal;
  } rows[] = {{0.5, true, true, false, false, false},
              {1, false, true, false, true, true},
              {1.5, false, false, true, true, false}};
  for (const auto& row : rows) {
    EXPECT_EQ(Compare(row.Value, TCompareOp::Less, 1), row.Less);
    EXPECT_EQ(Compare(row.Value, TCompareOp::LessEqual, 1), row.LessEqual);
    EXPECT_EQ(Compare(row.Value, TCompareOp::Greater, 1), row.Greater);
    EXPECT_EQ(Compare(row.Value, TCompareOp::GreaterEqual, 1), row.GreaterEqual);
    EXPECT_EQ(Compare(row.Value, TCompareOp::Equal, 1), row.Equal);
    EXPECT_EQ(Compare(row.Value, TCompareOp::NotEqual, 1), !row.Equal);
  }
  // a or b and c: (a) or (b and c).
  const std::vector<char> orAnd = {0, 0, 1};
  EXPECT_TRUE(Holds({1, 0, 0}, orAnd));
  EXPECT_FALSE(Holds({0, 1, 0}, orAnd));
  EXPECT_TRUE(Holds({0, 1, 1}, orAnd));
  // a and b or c.
  const std::vector<char> andOr = {0, 1, 0};
  EXPECT_FALSE(Holds({1, 0, 0}, andOr));
  EXPECT_TRUE(Holds({1, 1, 0}, andOr));
  EXPECT_TRUE(Holds({0, 0, 1}, andOr));
  EXPECT_FALSE(Holds({}, {}));
  EXPECT_TRUE(Holds({1}, {0}));
}

TEST(RunStats, QuantilesAreBucketEndsNeverAboveTheLargest) {
  TRunStats stats;
  EXPECT_EQ(stats.Figures(0, 0).P99Ns, 0);
  // 98 ticks on time, one 0.5 ms late, one 3 ms late.
  for (int i = 0; i < 98; ++i)
    stats.Add(i % 2 ? -5000 : 3000);
  stats.Add(500000);
  stats.Add(3000000);
  const TStatsMessage f = stats.Figures(101, 2000000000);
  EXPECT_EQ(f.Ticks, 101);
  EXPECT_EQ(f.ElapsedNs, 2000000000);
  EXPECT_EQ(f.Paced, 100);
  EXPECT_EQ(f.Late, 1);
  EXPECT_EQ(f.P50Ns, TRunStats::BucketNs);
  EXPECT_EQ(f.P99Ns, 500000 + TRunStats::BucketNs);
  EXPECT_EQ(f.MaxNs, 3000000);
  // Beyond the last bucket the largest is still exact.
  stats.Add(5 * TRunStats::MaxBucketNs);
  EXPECT_EQ(stats.Figures(102, 1).MaxNs, 5 * TRunStats::MaxBucketNs);
}

TEST(HostProtocol, RunControlAndItsFiguresGoBothWays) {
  for (const auto action :
       {TControlMessage::Pause, TControlMessage::Resume, TControlMessage::Step}) {
    TMessageReader r(Encode(TControlMessage{action}).Payload());
    TControlMessage back;
    ASSERT_TRUE(Decode(r, back));
    EXPECT_EQ(back.Action, action);
  }
  TMessageReader badAction(TMessageWriter(THostKind::Control).U8(4).Payload());
  TControlMessage control;
  EXPECT_FALSE(Decode(badAction, control));
  TMessageReader paused(Encode(TPausedMessage{7, 2}).Payload());
  TPausedMessage p;
  ASSERT_TRUE(Decode(paused, p));
  EXPECT_EQ(p.Tick, 7);
  EXPECT_EQ(p.Break, 2);
  TMessageReader badBreak(Encode(TPausedMessage{7, -2}).Payload());
  EXPECT_FALSE(Decode(badBreak, p));
  const TStatsMessage stats{10, 5, 9, 1, 2, 3, 4};
  TMessageReader s(Encode(stats).Payload());
  TStatsMessage back;
  ASSERT_TRUE(Decode(s, back));
  EXPECT_EQ(back.MaxNs, 4);
  EXPECT_EQ(back.Late, 1);
  // Figures that cannot be (more late ticks than paced ones, p99 above the largest) are refused.
  for (const TStatsMessage& wrong :
       {TStatsMessage{10, 5, 1, 2, 2, 3, 4}, TStatsMessage{10, 5, 9, 1, 2, 5, 4}}) {
    TMessageReader w(Encode(wrong).Payload());
    EXPECT_FALSE(Decode(w, back));
  }
}

TEST(HostProtocol, APlansBreakConditionsGoWholeAndNameOnlyWhatIsThere) {
  TRunPlan plan;
  plan.Modules.push_back({"/a.so", "A", {"X", "Y"}, {}});
  plan.Breaks.push_back({{{0, 1, "", static_cast<int>(TCompareOp::Less), -0.1, false},
                          {-1, -1, "7", static_cast<int>(TCompareOp::NotEqual), 1e300, true}}});
  plan.Breaks.push_back({});
  TMessageReader r(Encode(plan).Payload());
  TRunPlan back;
  ASSERT_TRUE(Decode(r, back));
  EXPECT_EQ(back, plan);
  for (const TRunTerm& wrong :
       {TRunTerm{0, 2, "", 0, 0, false}, TRunTerm{1, 0, "", 0, 0, false},
        TRunTerm{-2, 0, "", 0, 0, false}, TRunTerm{0, 0, "", 6, 0, false}}) {
    TRunPlan bad = plan;
    bad.Breaks[1].Terms.push_back(wrong);
    TMessageReader w(Encode(bad).Payload());
    EXPECT_FALSE(Decode(w, back)) << wrong.Module << " " << wrong.Output << " " << wrong.Op;
  }
}

TEST(Condition, AWatchedListStandsForItsNewestValue) {
  EXPECT_EQ(LatestNumber("1; 2; 3.5"), 3.5);
  EXPECT_EQ(LatestNumber("7"), 7);
  EXPECT_EQ(LatestNumber("true"), 1);
  EXPECT_TRUE(std::isnan(LatestNumber("1; 2; x")));
  EXPECT_TRUE(std::isnan(LatestNumber("")));
  EXPECT_TRUE(std::isnan(LatestNumber("1;2")));
}
