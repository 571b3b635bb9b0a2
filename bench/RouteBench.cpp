#include "canvas/unPictureExport.h"
#include "canvas/unProgrammingImage.h"
#include "model/unDragShift.h"
#include "model/unLinkList.h"
#include "model/unLinkRouter.h"
#include "model/unModuleList.h"
#include "model/unParamList.h"
#include "model/unProject.h"
#include "platform/unIntText.h"

#include <benchmark/benchmark.h>
#include <filesystem>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

// count modules of an adder's shape (two inputs, one output) in rows of 100, 150 apart and 120
// down, each feeding the next, the last of a row the first of the next, and every tenth also
// feeding the module below it: count links and a tenth more.
void MakeRows(TProject& project, int count) {
  auto in = std::make_shared<TParamList>(), out = std::make_shared<TParamList>();
  in->AddNew()->Name = u"A";
  in->AddNew()->Name = u"B";
  out->AddNew()->Name = u"Sum";
  auto modules = project.GetMainModules();
  for (int i = 0; i < count; ++i) {
    auto m = modules->AddModule(100 + (i % 100) * 150, 100 + (i / 100) * 120,
                                u"Adder" + IntToText(i), 80, 120);
    m->SetParamIn(in);
    m->SetParamOut(out);
  }
  auto add = [&](int from, int to, const char16_t* input) {
    auto link = std::make_shared<TLink>();
    link->From = modules->GetItem(from);
    link->Output = u"Sum";
    link->To = modules->GetItem(to);
    link->Input = input;
    modules->GetLinks().Add(link);
  };
  for (int i = 0; i + 1 < count; ++i)
    add(i, i + 1, u"A");
  for (int i = 0; i + 100 < count; i += 10)
    add(i, i + 100, u"B");
}

// Every link of 10 000 modules routed, as at the opening of the project.
void BM_Route10000ModulesAndLinks(benchmark::State& state) {
  TProject project(nullptr, {}, u"", u"Bench");
  MakeRows(project, 10000);
  auto modules = project.GetMainModules();
  std::size_t crossing = 0;
  for (auto _ : state) {
    TLinkRouter router;
    router.Update(*modules);
    benchmark::DoNotOptimize(router.Routed());
    state.PauseTiming();
    crossing = 0;
    for (const auto& link : modules->GetLinks().All())
      crossing += router.RouteOf(*link)->Crosses ? 1 : 0;
    state.ResumeTiming();
  }
  state.counters["links"] = modules->GetLinks().Count();
  state.counters["crossing"] = static_cast<double>(crossing);
}
BENCHMARK(BM_Route10000ModulesAndLinks)->Unit(benchmark::kMillisecond);

// One drag step of a module in the middle of the rows: its three links routed where the drag
// shows them, among 10 000 modules and 11 000 links.
void BM_RerouteDragStep(benchmark::State& state) {
  TProject project(nullptr, {}, u"", u"Bench");
  MakeRows(project, 10000);
  auto modules = project.GetMainModules();
  TLinkRouter& router = LevelRoutes(*modules);
  const std::shared_ptr<IModule> moved = modules->GetItem(5050);
  int step = 0;
  std::size_t routed = 0;
  for (auto _ : state) {
    ++step;
    const TDragShift shift({moved}, {3 * (step % 20), 2 * (step % 20)});
    router.Update(*modules, &shift);
    routed = router.Routed();
  }
  state.counters["routed"] = static_cast<double>(routed);
}
BENCHMARK(BM_RerouteDragStep)->Unit(benchmark::kMicrosecond);

// The whole canvas redrawn at 100 %, names shown, with the routes of 10 000 modules.
void BM_RedrawRoutedRows(benchmark::State& state) {
  TProject project(nullptr, {}, u"", u"Bench");
  MakeRows(project, 10000);
  TProgrammingImage image;
  image.resize(1920, 1080);
  image.SetProject(&project);
  image.SetOrigin({4000, 3000});
  image.Redraw();
  for (auto _ : state) {
    image.Redraw();
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_RedrawRoutedRows)->Unit(benchmark::kMillisecond);

// A project of that many modules rendered to PNG, as `zu-cli project render` does: the time
// grows with the modules, links and pixels alike.
void BM_RenderPng(benchmark::State& state) {
  TProject project(nullptr, {}, u"", u"Bench");
  MakeRows(project, static_cast<int>(state.range(0)));
  std::string pattern = (fs::temp_directory_path() / "zu-bench-XXXXXX").string();
  const fs::path folder = mkdtemp(pattern.data());
  const QString file = QString::fromStdString((folder / "level.png").string());
  for (auto _ : state) {
    QString reason;
    if (!ExportPicture(project, file, &reason))
      state.SkipWithError(reason.toStdString().c_str());
  }
  state.counters["modules"] = static_cast<double>(state.range(0));
  fs::remove_all(folder);
}
BENCHMARK(BM_RenderPng)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond)->Iterations(1);

} // namespace
