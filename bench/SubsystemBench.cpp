// Subsystems: a project of 1 000 subsystems, each an input port, a chain of 10 adders and an
// output port, the subsystems in a chain: flattening it and starting its run, and its module
// steps per second through the component host; Make Subsystem of 1 000 selected linked modules.

#include "app/unProjectDocument.h"
#include "model/unLinkList.h"
#include "model/unModule.h"
#include "model/unModuleList.h"
#include "model/unPorts.h"
#include "model/unProject.h"
#include "model/unSubsystem.h"
#include "platform/unExeFolder.h"
#include "platform/unStrings.h"
#include "plugins/unComponentList.h"
#include "plugins/unParamAttach.h"
#include "plugins/unProjectRun.h"
#include "plugins/unRunner.h"

#include <benchmark/benchmark.h>
#include <memory>
#include <string>

namespace {

constexpr int Subsystems = 1000;
constexpr int AddersInside = 10;
constexpr int RunTicks = 500;

std::shared_ptr<TLink> Link(IModuleList& list, const std::shared_ptr<IModule>& from,
                            const std::u16string& output, const std::shared_ptr<IModule>& to,
                            const std::u16string& input) {
  auto link = std::make_shared<TLink>();
  link->From = from;
  link->Output = output;
  link->To = to;
  link->Input = input;
  list.GetLinks().Add(link);
  return link;
}

// The registry of the samples beside the benchmark, scanned once.
TComponentList& Samples() {
  static TComponentList* registry = [] {
    auto* r = new TComponentList;
    r->Path = ExeFolder();
    r->ProbeProgram = ExeFolder() + "zu-probe";
    r->Refresh();
    return r;
  }();
  return *registry;
}

// Each adder adds 1: the last subsystem's output after a tick is Subsystems × AddersInside.
std::unique_ptr<TProject> SubsystemChain() {
  auto project = std::make_unique<TProject>(&Samples(), TAddToLog(), u"", u"Chain");
  const std::u16string adder = Utf8ToUtf16(ExeFolder() + "Adder.so");
  auto main = project->GetMainModules();
  std::shared_ptr<IModule> before;
  for (int s = 0; s < Subsystems; ++s) {
    auto subsystem = main->AddModule(200 * s, 100, u"S" + Utf8ToUtf16(std::to_string(s)), 80, 80);
    auto inside = subsystem->GetModules();
    auto in = inside->AddModule(0, 0, u"In", 30, 30);
    in->SetType(std::u16string(InputPortType));
    auto out = inside->AddModule(0, 0, u"Out", 30, 30);
    out->SetType(std::u16string(OutputPortType));
    std::shared_ptr<IModule> feed = in;
    std::u16string feedOutput(PortValueName);
    for (int a = 0; a < AddersInside; ++a) {
      auto add = inside->AddModule(100 * a, 0, u"Add" + Utf8ToUtf16(std::to_string(a)), 40, 40);
      add->SetType(adder);
      add->SetInputValues({{u"B", u"1"}});
      Link(*inside, feed, feedOutput, add, u"A");
      feed = add;
      feedOutput = u"Sum";
    }
    Link(*inside, feed, feedOutput, out, std::u16string(PortValueName));
    if (before)
      Link(*main, before, u"Out", subsystem, u"In");
    else
      subsystem->SetInputValues({{u"In", u"0"}});
    before = subsystem;
  }
  AttachParameters(*main, &Samples());
  return project;
}

// From the project to its first tick told by the host (every instance made, one step of each);
// the run's end is not timed.
void BM_FlattenAndStart1000Subsystems(benchmark::State& state) {
  const std::unique_ptr<TProject> project = SubsystemChain();
  for (auto _ : state) {
    TProjectRun run = PlanProjectRun(*project, Samples());
    if (!run.Ok || run.Plan.Modules.size() != Subsystems * AddersInside) {
      state.SkipWithError(run.Error.c_str());
      return;
    }
    run.Plan.RateHz = 0;
    run.Plan.Ticks = 0;
    run.Plan.ReportMs = 0;
    TRunner runner;
    if (!runner.Start(run.Plan, ExeFolder() + "zu-probe")) {
      state.SkipWithError("no host");
      return;
    }
    while (runner.GetTick() < 1 && runner.Poll(1000)) {
    }
    state.PauseTiming();
    const bool started = runner.GetTick() >= 1 && !runner.Failed();
    runner.RequestStop();
    runner.Wait();
    state.ResumeTiming();
    if (!started) {
      state.SkipWithError("the run did not start");
      return;
    }
  }
}
BENCHMARK(BM_FlattenAndStart1000Subsystems)
    ->Iterations(3)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

void BM_Run1000Subsystems(benchmark::State& state) {
  const std::unique_ptr<TProject> project = SubsystemChain();
  TProjectRun run = PlanProjectRun(*project, Samples());
  run.Plan.RateHz = 0;
  run.Plan.Ticks = RunTicks;
  for (auto _ : state) {
    TRunner runner;
    if (!run.Ok || !runner.Start(run.Plan, ExeFolder() + "zu-probe")) {
      state.SkipWithError("no run");
      return;
    }
    runner.Wait();
    if (runner.Failed() || runner.GetTick() != RunTicks ||
        runner.GetValues().back()[0] != std::to_string(Subsystems * AddersInside)) {
      state.SkipWithError("the chain did not run through");
      return;
    }
  }
  state.counters["steps/s"] =
      benchmark::Counter(static_cast<double>(Subsystems) * AddersInside * RunTicks,
                         benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_Run1000Subsystems)->Iterations(2)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_MakeSubsystemOf1000Linked(benchmark::State& state) {
  for (auto _ : state) {
    state.PauseTiming();
    auto project = std::make_shared<TProject>(nullptr, TAddToLog(), u"", u"Linked");
    auto main = project->GetMainModules();
    std::shared_ptr<IModule> before;
    for (int i = 0; i < 1000; ++i) {
      auto m = main->AddModule(60 * i, 100, u"M" + Utf8ToUtf16(std::to_string(i)), 40, 40);
      if (before)
        Link(*main, before, u"o", m, u"i");
      before = m;
    }
    TProjectDocument document(nullptr, "");
    document.SetProject(project);
    document.SelectAll();
    state.ResumeTiming();
    const TEditResult made = document.MakeSubsystem();
    if (!made.Ok || main->Count() != 1) {
      state.SkipWithError("no subsystem");
      return;
    }
    state.PauseTiming();
    document.CloseProject();
    state.ResumeTiming();
  }
}
BENCHMARK(BM_MakeSubsystemOf1000Linked)->Iterations(10)->Unit(benchmark::kMillisecond);

} // namespace

namespace {

void BM_Flatten1000Subsystems(benchmark::State& state) {
  const std::unique_ptr<TProject> project = SubsystemChain();
  for (auto _ : state) {
    TProjectRun run = PlanProjectRun(*project, Samples());
    benchmark::DoNotOptimize(run.Plan.Modules.data());
  }
}
BENCHMARK(BM_Flatten1000Subsystems)->Iterations(3)->Unit(benchmark::kMillisecond);

} // namespace
