#include "plugins/unHistoryCsv.h"
#include "plugins/unSignalHistory.h"

#include <cmath>
#include <gtest/gtest.h>
#include <limits>

namespace {

constexpr double NaN = std::numeric_limits<double>::quiet_NaN();

// A sawtooth: tick t has the value t % 1000.
double Saw(std::int64_t t) {
  return static_cast<double>(t % 1000);
}

} // namespace

TEST(SignalHistory, KeepsEveryValueExactlyWhileThereIsRoom) {
  TSignalHistory h;
  EXPECT_TRUE(h.Empty());
  for (std::int64_t t = 5; t < 205; ++t)
    h.Append(t, Saw(t) - 100);
  EXPECT_EQ(h.FirstTick(), 5);
  EXPECT_EQ(h.EndTick(), 205);
  EXPECT_EQ(h.ExactFrom(), 5);
  EXPECT_EQ(h.ThinnedSpan(), 0);
  double v = 0;
  ASSERT_TRUE(h.ExactAt(77, v));
  EXPECT_EQ(v, -23);
  EXPECT_FALSE(h.ExactAt(4, v));
  EXPECT_FALSE(h.ExactAt(205, v));
  // Ranges across block ends and inside one block.
  const struct {
    std::int64_t From, To;
    double Min, Max;
    bool Any;
  } rows[] = {{5, 205, -95, 104, true}, {60, 70, -40, -31, true},   {63, 130, -37, 29, true},
              {0, 6, -95, -95, true},   {204, 300, 104, 104, true}, {205, 300, 0, 0, false},
              {0, 5, 0, 0, false}};
  for (const auto& row : rows) {
    const TSignalHistory::TRange r = h.MinMax(row.From, row.To);
    EXPECT_EQ(r.Any, row.Any) << row.From << ".." << row.To;
    if (row.Any) {
      EXPECT_EQ(r.Min, row.Min) << row.From << ".." << row.To;
      EXPECT_EQ(r.Max, row.Max) << row.From << ".." << row.To;
    }
  }
  // Four columns of 50 ticks each.
  std::vector<TSignalHistory::TRange> columns;
  h.Columns(5, 205, 4, columns);
  ASSERT_EQ(columns.size(), 4u);
  EXPECT_EQ(columns[0].Min, -95);
  EXPECT_EQ(columns[0].Max, -46);
  EXPECT_EQ(columns[3].Min, 55);
  EXPECT_EQ(columns[3].Max, 104);
  // Columns narrower than a tick show the tick they lie in.
  h.Columns(10, 11, 4, columns);
  for (const auto& c : columns)
    EXPECT_EQ(c.Max, -90);
}

TEST(SignalHistory, GapsAreNoNumbersAndTimeNeverRunsBack) {
  TSignalHistory h;
  h.Append(1, 10);
  h.Append(4, 40);
  h.Append(3, 99); // before the end: ignored
  h.Append(4, 99);
  double v = 0;
  ASSERT_TRUE(h.ExactAt(2, v));
  EXPECT_TRUE(std::isnan(v));
  ASSERT_TRUE(h.ExactAt(4, v));
  EXPECT_EQ(v, 40);
  EXPECT_EQ(h.EndTick(), 5);
  const auto r = h.MinMax(0, 10);
  EXPECT_EQ(r.Min, 10);
  EXPECT_EQ(r.Max, 40);
  EXPECT_FALSE(h.MinMax(2, 4).Any);
  h.Append(6, NaN);
  EXPECT_EQ(h.MinMax(0, 10).Max, 40);
  // A gap longer than a history starts it afresh.
  h.Append(6 + TSignalHistory::LongestGap + 2, 7);
  EXPECT_EQ(h.FirstTick(), 6 + TSignalHistory::LongestGap + 2);
  EXPECT_EQ(h.MinMax(0, h.EndTick()).Max, 7);
}

TEST(SignalHistory, OlderValuesAreThinnedToMinMaxPairsNeverDropped) {
  TSignalHistory h;
  const std::int64_t n = static_cast<std::int64_t>(TSignalHistory::ExactCapacity) + 10000;
  for (std::int64_t t = 0; t < n; ++t)
    h.Append(t, t == 100 ? -5 : (t == 5000 ? 5000 : Saw(t)));
  EXPECT_EQ(h.FirstTick(), 0);
  EXPECT_EQ(h.EndTick(), n);
  EXPECT_EQ(h.ThinnedSpan(), 64);
  // At least the capacity less one chunk is exact, and the newest values are.
  const std::int64_t exact = n - h.ExactFrom();
  EXPECT_LE(exact, static_cast<std::int64_t>(TSignalHistory::ExactCapacity));
  EXPECT_GT(exact,
            static_cast<std::int64_t>(TSignalHistory::ExactCapacity - TSignalHistory::ChunkValues));
  double v = 0;
  ASSERT_TRUE(h.ExactAt(n - 1, v));
  EXPECT_EQ(v, Saw(n - 1));
  EXPECT_FALSE(h.ExactAt(100, v));
  // The extremes of the thinned part are still there, in the pair of their tick.
  const TSignalHistory::TRange pair = h.RangeAt(100);
  EXPECT_EQ(pair.Min, -5);
  EXPECT_EQ(pair.Max, 127);
  EXPECT_EQ(h.RangeAt(5000).Max, 5000);
  const auto all = h.MinMax(0, n);
  EXPECT_EQ(all.Min, -5);
  EXPECT_EQ(all.Max, 5000);
  EXPECT_EQ(h.MinMax(0, 64).Max, 63);
  EXPECT_EQ(h.MinMax(64, 128).Min, -5);
  // Every tick is covered once: thinned pairs up to the exact ones.
  std::int64_t thinnedEnd = 0;
  h.ForEachThinned([&](std::int64_t tick, const TSignalHistory::TRange&) {
    EXPECT_EQ(tick, thinnedEnd);
    thinnedEnd = tick + h.ThinnedSpan();
  });
  EXPECT_EQ(thinnedEnd, h.ExactFrom());
}

TEST(SignalHistory, ALongRunDoublesThePairsSpanAndStaysBounded) {
  TSignalHistory h;
  const std::int64_t n = static_cast<std::int64_t>(TSignalHistory::ExactCapacity) +
                         static_cast<std::int64_t>(TSignalHistory::MaxThinnedPairs) * 64 * 2;
  for (std::int64_t t = 0; t < n; ++t)
    h.Append(t, t == 3 ? 1e9 : Saw(t));
  EXPECT_GE(h.ThinnedSpan(), 128);
  std::size_t pairs = 0;
  h.ForEachThinned([&](std::int64_t, const TSignalHistory::TRange& r) {
    ++pairs;
    EXPECT_TRUE(r.Any);
  });
  EXPECT_LE(pairs, TSignalHistory::MaxThinnedPairs);
  EXPECT_EQ(h.MinMax(0, n).Max, 1e9);
  EXPECT_EQ(h.RangeAt(3).Max, 1e9);
  // At most 16 bytes for each value kept exactly, the pairs included.
  EXPECT_LE(h.MemoryBytes(), 16 * TSignalHistory::ExactCapacity);
}

TEST(HistoryCsv, ARowPerTickKeptAndOnePerThinnedPairFirst) {
  TSignalHistory a, b;
  for (std::int64_t t = 1; t <= 4; ++t) {
    a.Append(t, 0.1 * static_cast<double>(t));
    b.Append(t, t == 3 ? NaN : -static_cast<double>(t));
  }
  EXPECT_EQ(HistoryCsv({"Gen.Signal", "Add, 1.Sum"}, {&a, &b}, 2, 100),
            "tick,Gen.Signal,\"Add, 1.Sum\"\r\n2,0.2,-2\r\n3,0.30000000000000004,\r\n4,0.4,-4\r\n");
  EXPECT_EQ(CsvNumber(1e300), "1e+300");
  // A long history: the thinned pairs in the range, then the exact ticks.
  TSignalHistory h;
  const std::int64_t n = static_cast<std::int64_t>(TSignalHistory::ExactCapacity) + 200;
  for (std::int64_t t = 1; t <= n; ++t)
    h.Append(t, static_cast<double>(t));
  ASSERT_EQ(h.ThinnedSpan(), 64);
  const std::string csv = HistoryCsv({"X"}, {&h}, 100, h.ExactFrom() + 2);
  EXPECT_TRUE(csv.starts_with("tick,X,ticks,X min,X max\r\n65,,64,65,128\r\n129,,64,129,192\r\n"))
      << csv.substr(0, 200);
  EXPECT_TRUE(csv.ends_with(std::to_string(h.ExactFrom() + 1) + "," +
                            std::to_string(h.ExactFrom() + 1) + ",,,\r\n"))
      << csv.substr(csv.size() - 100);
}
