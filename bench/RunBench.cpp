// Running and scanning through the component host: module steps per second of a chain of adders
// (and the same chain called directly, without a host or value texts), the first and a later
// scan of 1000 components, the window's answer during a scan of 50 hanging ones, and a redraw
// while 10 000 modules run.

#include "BenchOpenDialogs.h"
#include "BenchPlans.h"
#include "app/unComponentScanner.h"
#include "app/unMain.h"
#include "app/unRunControl.h"
#include "canvas/unProgrammingImage.h"
#include "model/unLinkList.h"
#include "model/unProject.h"
#include "platform/unExeFolder.h"
#include "platform/unIntText.h"
#include "platform/unStrings.h"
#include "plugins/unComponentList.h"
#include "plugins/unRunner.h"

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <algorithm>
#include <benchmark/benchmark.h>
#include <filesystem>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

struct TBenchFolder {
  TBenchFolder() {
    std::string pattern = (fs::temp_directory_path() / "zu-bench-XXXXXX").string();
    Path = mkdtemp(pattern.data());
  }
  ~TBenchFolder() {
    std::error_code ec;
    fs::remove_all(Path, ec);
  }
  // count copies of the library, under different names.
  void Copies(const std::string& library, int count) const {
    for (int i = 0; i < count; ++i)
      fs::copy_file(library, Path / ("Copy" + std::to_string(i) + ".so"));
  }
  fs::path Path;
};

constexpr int ChainLength = 1000;
constexpr int ChainTicks = 1000;

// A chain of adders, each adding 1 to the sum before it.
// Argument 1: the numeric step; 0: value texts.
void BM_RunAdderChain(benchmark::State& state) {
  const TRunPlan plan = AdderChainPlan(ChainLength, ChainTicks, state.range(0) != 0);
  for (auto _ : state) {
    TRunner runner;
    if (!runner.Start(plan, ExeFolder() + "zu-probe")) {
      state.SkipWithError("no host");
      return;
    }
    runner.Wait();
    if (runner.Failed() || runner.GetTick() != ChainTicks ||
        runner.GetValues().back()[0] != std::to_string(ChainLength)) {
      state.SkipWithError("the chain did not run through");
      return;
    }
  }
  state.counters["steps/s"] = benchmark::Counter(static_cast<double>(ChainLength) * ChainTicks,
                                                 benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_RunAdderChain)
    ->Arg(1)
    ->Arg(0)
    ->Iterations(3)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// The adder's work alone: the same chain as plain calls in this process.
__attribute__((noinline)) double Add(double a, double b) {
  return a + b;
}

void BM_DirectAdderChain(benchmark::State& state) {
  std::vector<double> sums(ChainLength);
  for (auto _ : state)
    for (int tick = 0; tick < ChainTicks; ++tick) {
      double before = 0;
      for (double& sum : sums) {
        sum = Add(before, 1);
        before = sum;
      }
      benchmark::DoNotOptimize(sums.data());
    }
  state.counters["steps/s"] = benchmark::Counter(static_cast<double>(ChainLength) * ChainTicks,
                                                 benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_DirectAdderChain)->Unit(benchmark::kMillisecond);

// A first scan of 1000 copies of a sample (nothing cached), then a scan with the cache.
// The program folder's components (the samples and the whole standard library), copied in turn
// until there are 1000 files.
void ScanCopies(benchmark::State& state, bool cached) {
  TBenchFolder folder;
  std::vector<fs::path> libraries;
  for (const auto& entry : fs::directory_iterator(ExeFolder()))
    if (entry.path().extension() == ".so")
      libraries.push_back(entry.path());
  std::sort(libraries.begin(), libraries.end());
  for (std::size_t i = 0; i < 1000 && !libraries.empty(); ++i)
    fs::copy_file(libraries[i % libraries.size()],
                  folder.Path / ("Copy" + std::to_string(i) + ".so"));
  state.counters["kinds"] = static_cast<double>(libraries.size());
  const std::string cache = (folder.Path / "cache" / "components.cache").string();
  TComponentList registry;
  registry.Path = folder.Path.string() + "/";
  registry.CacheFile = cache;
  if (cached)
    registry.Refresh();
  for (auto _ : state) {
    if (!cached) {
      state.PauseTiming();
      fs::remove(cache);
      registry.CacheFile.clear();
      registry.Refresh(); // the cache read before is forgotten
      registry.CacheFile = cache;
      registry.Clear();
      state.ResumeTiming();
    }
    registry.Refresh();
    if (registry.Count() != 1000)
      state.SkipWithError("not every copy was registered");
  }
}
void BM_FirstScan1000(benchmark::State& state) {
  ScanCopies(state, false);
}
BENCHMARK(BM_FirstScan1000)->Iterations(2)->Unit(benchmark::kMillisecond)->UseRealTime();
void BM_CachedScan1000(benchmark::State& state) {
  ScanCopies(state, true);
}
BENCHMARK(BM_CachedScan1000)->Iterations(5)->Unit(benchmark::kMillisecond)->UseRealTime();

// 50 components that never answer: the window's longest wait for its event loop while the first
// scan runs in the background (manual time), and the scan of a later start (with the cache).
void BM_HangingScan50WindowWait(benchmark::State& state) {
  TBenchFolder folder;
  folder.Copies(ExeFolder() + "../tests/components/test_info_hang.so", 50);
  TComponentList registry;
  registry.Path = folder.Path.string() + "/";
  registry.CacheFile = (folder.Path / "components.cache").string();
  for (auto _ : state) {
    TComponentScanner scanner(registry);
    QElapsedTimer clock;
    qint64 longest = 0, last = 0, total = 0;
    QTimer tick;
    tick.setInterval(5);
    QObject::connect(&tick, &QTimer::timeout, [&] {
      longest = std::max(longest, clock.elapsed() - last);
      last = clock.elapsed();
    });
    bool done = false;
    QObject::connect(&scanner, &TComponentScanner::Finished, [&] { done = true; });
    clock.start();
    tick.start();
    scanner.Start();
    while (!done)
      QApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    total = clock.elapsed();
    state.SetIterationTime(static_cast<double>(longest) / 1000);
    state.counters["scan_s"] = static_cast<double>(total) / 1000;
    if (registry.GetSkipped().size() != 50)
      state.SkipWithError("the hanging copies were not all skipped");
  }
  // A later start: every answer comes from the cache.
  QElapsedTimer later;
  later.start();
  registry.Refresh();
  state.counters["later_start_ms"] = static_cast<double>(later.nsecsElapsed()) / 1e6;
}
BENCHMARK(BM_HangingScan50WindowWait)
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

// 10 000 adders, each feeding the next, running as fast as they can in the window: one full
// redraw of the canvas with the links' values, at the zoom the project opens with (0) and with
// the whole project fitted into the window (1).
void BM_RedrawWhileRunning10000(benchmark::State& state) {
  TBenchFolder folder;
  fs::copy_file(ExeFolder() + "Adder.so", folder.Path / "Adder.so");
  const std::u16string adder = Utf8ToUtf16((folder.Path / "Adder.so").string());
  const fs::path file = folder.Path / "running.xml";
  {
    TProject project(nullptr, {}, u"", u"Running");
    auto modules = project.GetMainModules();
    for (int i = 0; i < 10000; ++i)
      modules
          ->AddModule(100 + (i % 100) * 150, 100 + (i / 100) * 120, u"Adder" + IntToText(i), 80,
                      120)
          ->SetType(adder);
    for (int i = 0; i + 1 < 10000; ++i) {
      auto link = std::make_shared<TLink>();
      link->From = modules->GetItem(i);
      link->Output = u"Sum";
      link->To = modules->GetItem(i + 1);
      link->Input = u"A";
      modules->GetLinks().Add(link);
    }
    project.Save(Utf8ToUtf16(file.string()));
  }
  auto* dialogs = new TOpenDialogs(QString::fromStdString(file.string()));
  TfmMain window(std::unique_ptr<IMainDialogs>(dialogs), nullptr,
                 Utf8ToUtf16(folder.Path.string() + "/"));
  window.resize(1920, 1080);
  window.show();
  window.Start();
  window.WaitForComponents();
  window.OpenProject();
  if (state.range(0) == 1)
    window.findChild<QAction*>("miFit")->trigger();
  window.SetRunRate(0);
  window.RunProject();
  TRunControl* run = window.GetRunControl();
  QElapsedTimer wait;
  wait.start();
  while (run->Running() && run->Tick() < 3 && wait.elapsed() < 10000)
    QApplication::processEvents(QEventLoop::AllEvents, 50);
  if (!run->Running() || !window.GetCanvas()->LinkValue) {
    state.SkipWithError("the project does not run");
    return;
  }
  for (auto _ : state) {
    window.GetCanvas()->Redraw();
    state.PauseTiming();
    QApplication::processEvents(); // the values of the ticks meanwhile
    state.ResumeTiming();
  }
  state.counters["ticks"] = static_cast<double>(run->Tick());
  window.StopProject();
}
BENCHMARK(BM_RedrawWhileRunning10000)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

} // namespace

// A module whose host closes its channel, or puts another socket over it, and then blocks: the
// window's longest wait for its event loop from Run until the run has ended (manual time), and
// how long the end took to be seen.
void BM_HostLeavesItsChannelWindowWait(benchmark::State& state) {
  const char* how = state.range(0) == 0 ? "closeblock 20" : "dup2block 20";
  TBenchFolder folder;
  fs::copy_file(ExeFolder() + "../tests/components/test_misbehaves.so", folder.Path / "M.so");
  const fs::path file = folder.Path / "leaves.xml";
  {
    TProject project(nullptr, {}, u"", u"Leaves");
    project.GetMainModules()
        ->AddModule(100, 100, u"M", 80, 120)
        ->SetType(Utf8ToUtf16((folder.Path / "M.so").string()));
    project.Save(Utf8ToUtf16(file.string()));
  }
  setenv("ZU_TEST_MISBEHAVE", how, 1);
  auto* dialogs = new TOpenDialogs(QString::fromStdString(file.string()));
  TfmMain window(std::unique_ptr<IMainDialogs>(dialogs), nullptr,
                 Utf8ToUtf16(folder.Path.string() + "/"));
  window.show();
  window.Start();
  window.WaitForComponents();
  window.OpenProject();
  window.SetRunRate(0);
  TRunControl* run = window.GetRunControl();
  for (auto _ : state) {
    dialogs->Failed = false;
    QElapsedTimer clock;
    qint64 longest = 0, last = 0;
    QTimer tick;
    tick.setInterval(1);
    QObject::connect(&tick, &QTimer::timeout, [&] {
      longest = std::max(longest, clock.elapsed() - last);
      last = clock.elapsed();
    });
    bool ended = false;
    const auto connection = QObject::connect(run, &TRunControl::Stopped, [&] { ended = true; });
    clock.start();
    tick.start();
    window.RunProject();
    while (!ended && clock.elapsed() < 20000)
      QApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    QObject::disconnect(connection);
    state.SetIterationTime(static_cast<double>(longest) / 1000);
    state.counters["end_seen_ms"] = static_cast<double>(clock.elapsed());
    if (!ended || !dialogs->Failed)
      state.SkipWithError("the run did not end with a failure");
  }
  unsetenv("ZU_TEST_MISBEHAVE");
}
BENCHMARK(BM_HostLeavesItsChannelWindowWait)
    ->Arg(0)
    ->Arg(1)
    ->Iterations(3)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
