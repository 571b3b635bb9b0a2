// Watching a run: the scope's redraw of 16 signals of a million values each, the window's share
// of a live frame at 1 kHz, the memory a kept value takes, pacing at 1 kHz for a minute, and the
// adder chain through the host with 16 watched outputs.

#include "BenchPlans.h"
#include "app/unScopeData.h"
#include "app/unScopeView.h"
#include "platform/unExeFolder.h"
#include "plugins/unCondition.h"
#include "plugins/unRunPlan.h"
#include "plugins/unRunner.h"

#include <QImage>
#include <benchmark/benchmark.h>
#include <chrono>
#include <cmath>
#include <string>

namespace {

constexpr int Signals = 16;
constexpr std::int64_t Values = 1000000;

// 16 signals of a million values: sines of several periods with a little noise, and some steps.
TScopeData& Million() {
  static TScopeData* data = [] {
    auto* d = new TScopeData;
    d->Paces = {{1, 1000}};
    d->Signals.resize(Signals);
    std::uint32_t noise = 1;
    for (int s = 0; s < Signals; ++s) {
      TScopeSignal& signal = d->Signals[static_cast<std::size_t>(s)];
      signal.Name = "Module" + std::to_string(s) + ".Out";
      signal.Plot = s / 4;
      for (std::int64_t t = 1; t <= Values; ++t) {
        noise = noise * 1664525u + 1013904223u;
        const double v = s % 4 == 3 ? static_cast<double>((t / 5000) % 2)
                                    : std::sin(static_cast<double>(t) / (500.0 * (s + 1))) +
                                          0.01 * static_cast<double>(noise >> 24) / 256;
        signal.History.Append(t, v);
      }
    }
    return d;
  }();
  return *data;
}

void BM_ScopeRedraw16x1M(benchmark::State& state) {
  TScopeData& data = Million();
  TScopeView view(data);
  view.resize(1920, 1080);
  view.ShowAll();
  QImage image(1920, 1080, QImage::Format_ARGB32_Premultiplied);
  std::size_t bytes = 0;
  for (const TScopeSignal& s : data.Signals)
    bytes += s.History.MemoryBytes();
  for (auto _ : state) {
    view.render(&image);
    benchmark::DoNotOptimize(image.bits());
  }
  state.counters["bytes/value"] =
      static_cast<double>(bytes) / static_cast<double>(Signals * Values);
}
BENCHMARK(BM_ScopeRedraw16x1M)->Unit(benchmark::kMillisecond);

// A frame's worth of rows at 1 kHz (33 ticks of 16 values, as the host sends them) taken into
// the histories, as the run control takes them.
void BM_ScopeLiveFrame16At1kHz(benchmark::State& state) {
  TScopeData data;
  data.Signals.resize(Signals);
  std::vector<std::vector<std::string>> rows(33, std::vector<std::string>(Signals));
  for (std::size_t r = 0; r < rows.size(); ++r)
    for (int s = 0; s < Signals; ++s)
      rows[r][static_cast<std::size_t>(s)] =
          std::to_string(std::sin(0.1 * static_cast<double>(r + s)));
  std::int64_t tick = 0;
  for (auto _ : state) {
    for (const std::vector<std::string>& row : rows) {
      ++tick;
      for (std::size_t s = 0; s < data.Signals.size(); ++s)
        data.Signals[s].History.Append(tick, ValueNumber(row[s]));
    }
  }
}
BENCHMARK(BM_ScopeLiveFrame16At1kHz)->Unit(benchmark::kMicrosecond);

// The scope's redraw of a live view: the last 10 seconds at 1 kHz of 16 signals.
void BM_ScopeRedrawLive16(benchmark::State& state) {
  TScopeData& data = Million();
  TScopeView view(data);
  view.resize(1200, 500);
  view.SetFollow(true, 10000);
  QImage image(1200, 500, QImage::Format_ARGB32_Premultiplied);
  for (auto _ : state) {
    view.render(&image);
    benchmark::DoNotOptimize(image.bits());
  }
}
BENCHMARK(BM_ScopeRedrawLive16)->Unit(benchmark::kMillisecond);

// A minute at 1 000 ticks per second through the host: how late ticks begin, and the drift.
void BM_Pace1kHzFor60s(benchmark::State& state) {
  TRunPlan plan;
  plan.RateHz = 1000;
  plan.Ticks = 0;
  plan.ReportMs = 33;
  plan.Modules.push_back(
      {ExeFolder() + "Adder.so", "Add", {"Sum"}, {{"A", -1, -1, "1"}, {"B", -1, -1, "2"}}});
  const double seconds = static_cast<double>(state.range(0));
  for (auto _ : state) {
    TRunner runner;
    if (!runner.Start(plan, ExeFolder() + "zu-probe")) {
      state.SkipWithError("no host");
      return;
    }
    while (runner.Poll(100) &&
           runner.GetStats().ElapsedNs < static_cast<std::int64_t>(seconds * 1e9)) {
    }
    runner.Stop();
    const TStatsMessage& s = runner.GetStats();
    // The ticks a perfect pace begins in the time taken: one at the start, one each millisecond.
    const double due = std::floor(static_cast<double>(s.ElapsedNs) / 1e6) + 1;
    state.counters["ticks"] = static_cast<double>(s.Ticks);
    state.counters["drift"] = static_cast<double>(s.Ticks) - due;
    state.counters["p50_us"] = static_cast<double>(s.P50Ns) / 1e3;
    state.counters["p99_us"] = static_cast<double>(s.P99Ns) / 1e3;
    state.counters["max_us"] = static_cast<double>(s.MaxNs) / 1e3;
    state.counters["late"] = static_cast<double>(s.Late);
  }
}
BENCHMARK(BM_Pace1kHzFor60s)->Arg(60)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

// The adder chain of 1 000 through the host, 16 of its outputs watched (a row after each tick).
void BM_RunAdderChain16Watched(benchmark::State& state) {
  constexpr int Length = 1000, Ticks = 1000;
  TRunPlan plan = AdderChainPlan(Length, Ticks);
  for (int w = 0; w < Signals; ++w)
    plan.Watch.push_back({w * (Length / Signals), 0});
  for (auto _ : state) {
    TRunner runner;
    TScopeData data;
    data.Signals.resize(Signals);
    runner.OnRow = [&](std::int64_t tick, const std::vector<std::string>& row) {
      for (std::size_t s = 0; s < row.size(); ++s)
        data.Signals[s].History.Append(tick, ValueNumber(row[s]));
    };
    if (!runner.Start(plan, ExeFolder() + "zu-probe")) {
      state.SkipWithError("no host");
      return;
    }
    runner.Wait();
    if (runner.Failed() || runner.GetTick() != Ticks ||
        data.Signals[0].History.EndTick() != Ticks + 1) {
      state.SkipWithError("the chain did not run through");
      return;
    }
  }
  state.counters["steps/s"] = benchmark::Counter(static_cast<double>(Length) * Ticks,
                                                 benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_RunAdderChain16Watched)->Iterations(3)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

namespace {

// The scope's share of its redraw: the columns' ranges of 16 signals over a million ticks.
void BM_ScopeColumns16x1M(benchmark::State& state) {
  TScopeData& data = Million();
  std::vector<TSignalHistory::TRange> columns;
  for (auto _ : state)
    for (const TScopeSignal& s : data.Signals) {
      s.History.Columns(1, Values + 1, 1856, columns);
      benchmark::DoNotOptimize(columns.data());
    }
}
BENCHMARK(BM_ScopeColumns16x1M)->Unit(benchmark::kMillisecond);

} // namespace
