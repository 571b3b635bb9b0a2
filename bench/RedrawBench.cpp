#include "canvas/unProgrammingImage.h"
#include "model/unLinkList.h"
#include "model/unModuleList.h"
#include "model/unParamList.h"
#include "model/unProject.h"
#include "platform/unIntText.h"

#include <algorithm>
#include <benchmark/benchmark.h>
#include <random>

namespace {

// Drags the module at the project point back and forth by 3 pixels, one step per iteration, on a
// 1920 x 1080 canvas of the project.
void DragBackAndForth(benchmark::State& state, TProject& project, TPoint at) {
  TProgrammingImage image;
  image.resize(1920, 1080);
  image.SetProject(&project);
  image.Redraw();
  // A point of the module's box that is no mark (a press there would draw a wire instead).
  auto modules = project.GetMainModules();
  const std::shared_ptr<IModule> module = modules->FindAt(at.X, at.Y);
  bool found = false;
  const TRect box = module ? module->Outline() : TRect{};
  for (int y = box.Top + 2; !found && y < box.Bottom; y += 3)
    for (int x = box.Left + 12; !found && x < box.Right - 12; x += 3)
      if (!image.MarkAt(QPoint(x, y)).Module && modules->FindAt(x, y) == module) {
        at = {x, y};
        found = true;
      }
  image.MouseDown(at.X, at.Y);
  if (image.IsConnecting())
    state.SkipWithError("the press started a wire");
  int dx = 0;
  for (auto _ : state) {
    dx = dx == 0 ? 3 : 0;
    image.MouseMove(at.X + dx, at.Y + dx);
    benchmark::ClobberMemory();
  }
  image.MouseUp();
}

// Redraws the whole 1920 x 1080 canvas of the project once per iteration.
void RedrawRepeatedly(benchmark::State& state, TProject& project) {
  TProgrammingImage image;
  image.resize(1920, 1080);
  image.SetProject(&project);
  image.Redraw();
  if (image.Picture().size() != QSize(1920, 1080))
    state.SkipWithError("picture did not take the control's size");
  for (auto _ : state) {
    image.Redraw();
    benchmark::ClobberMemory();
  }
}

std::shared_ptr<TParamList> FourParams() {
  auto list = std::make_shared<TParamList>();
  for (int i = 0; i < 4; ++i)
    list->AddNew()->Index = i;
  return list;
}

// count modules of 100 x 100 with 4 inputs and 4 outputs, spread over a 1920 x 1080 picture; the
// names repeat every ten modules, or are all different.
void Redraw(benchmark::State& state, int count, bool distinctNames) {
  TProject project(nullptr, {}, u"", u"Bench");
  auto in = FourParams();
  auto out = FourParams();
  std::mt19937 random(42);
  std::uniform_int_distribution<int> x(50, 1870), y(50, 1030);
  auto modules = project.GetMainModules();
  for (int i = 0; i < count; ++i) {
    const int n = distinctNames ? i : i % 10;
    auto m = modules->AddModule(x(random), y(random), u"Module" + IntToText(n), 100, 100);
    m->SetParamIn(in);
    m->SetParamOut(out);
  }
  modules->GetItem(count / 2)->SetFocused(WordTrue);
  RedrawRepeatedly(state, project);
  state.counters["modules"] = count;
}

void BM_Redraw1000Modules(benchmark::State& state) {
  Redraw(state, 1000, false);
}
BENCHMARK(BM_Redraw1000Modules)->Unit(benchmark::kMillisecond);

void BM_Redraw10000DistinctModules(benchmark::State& state) {
  Redraw(state, 10000, true);
}
BENCHMARK(BM_Redraw10000DistinctModules)->Unit(benchmark::kMillisecond);

} // namespace

namespace {

// One drag step of one module among 10 000 differently named ones: only the areas it leaves and
// enters are drawn again.
void BM_DragStep10000Modules(benchmark::State& state) {
  TProject project(nullptr, {}, u"", u"Bench");
  std::mt19937 random(42);
  std::uniform_int_distribution<int> x(50, 1870), y(50, 1030);
  auto modules = project.GetMainModules();
  auto in = FourParams();
  for (int i = 0; i < 10000; ++i)
    modules->AddModule(x(random), y(random), u"Module" + IntToText(i), 100, 100)->SetParamIn(in);
  DragBackAndForth(state, project, modules->GetItem(9999)->GetPosition());
}
BENCHMARK(BM_DragStep10000Modules)->Unit(benchmark::kMillisecond);

} // namespace

namespace {

std::shared_ptr<TParamList> NamedParams() {
  auto list = std::make_shared<TParamList>();
  for (int i = 0; i < 4; ++i) {
    TParam* p = list->AddNew();
    p->Index = i;
    p->Name = u"p" + IntToText(i);
  }
  return list;
}

// count modules spread over 1920 x 1080 at random, as in the redraw benchmarks above, and as many
// links among them. As in a diagram people draw, a link joins modules near each other: taken along
// rows of the picture, each module feeds the next. Returns the modules in that order.
std::vector<std::shared_ptr<IModule>> MakeLinkedProject(TProject& project, int count) {
  auto in = NamedParams(), out = NamedParams();
  std::mt19937 random(42);
  std::uniform_int_distribution<int> x(50, 1870), y(50, 1030);
  auto modules = project.GetMainModules();
  std::vector<std::shared_ptr<IModule>> along;
  for (int i = 0; i < count; ++i) {
    auto m = modules->AddModule(x(random), y(random), u"Module" + IntToText(i), 100, 100);
    m->SetParamIn(in);
    m->SetParamOut(out);
    along.push_back(m);
  }
  auto key = [](const std::shared_ptr<IModule>& m) {
    const TPoint p = m->GetPosition();
    return std::make_pair(p.Y / 40, (p.Y / 40) % 2 ? -p.X : p.X);
  };
  std::sort(along.begin(), along.end(),
            [&](const auto& a, const auto& b) { return key(a) < key(b); });
  auto add = [&](int from, int output, int to, int input) {
    auto link = std::make_shared<TLink>();
    link->From = along[static_cast<std::size_t>(from)];
    link->Output = u"p" + IntToText(output);
    link->To = along[static_cast<std::size_t>(to)];
    link->Input = u"p" + IntToText(input);
    modules->GetLinks().Add(link);
  };
  for (int i = 0; i + 1 < count; ++i)
    add(i, i % 4, i + 1, i % 4);
  add(0, 1, 2, 2);
  return along;
}

void BM_Redraw10000ModulesAndLinks(benchmark::State& state) {
  TProject project(nullptr, {}, u"", u"Bench");
  MakeLinkedProject(project, 10000);
  RedrawRepeatedly(state, project);
}
BENCHMARK(BM_Redraw10000ModulesAndLinks)->Unit(benchmark::kMillisecond);

// One drag step of a module with four links among 10 000 modules and 10 000 links.
void BM_DragStepWithLinks(benchmark::State& state) {
  TProject project(nullptr, {}, u"", u"Bench");
  const auto along = MakeLinkedProject(project, 10000);
  auto modules = project.GetMainModules();
  // The last module of the list, drawn on top, with its two links along the rows and two more
  // to its neighbours there.
  auto moved = modules->GetItem(9999);
  const auto at =
      static_cast<std::size_t>(std::find(along.begin(), along.end(), moved) - along.begin());
  for (std::size_t k : {at + 2, at + 3}) {
    auto link = std::make_shared<TLink>();
    link->From = moved;
    link->Output = u"p3";
    link->To = along[k % along.size()];
    link->Input = u"p3";
    modules->GetLinks().Add(link);
  }
  DragBackAndForth(state, project, moved->GetPosition());
}
BENCHMARK(BM_DragStepWithLinks)->Unit(benchmark::kMillisecond);

} // namespace

namespace {

// The same modules without their links: what the links cost.
void BM_Redraw10000ModulesOfTheLinkedProject(benchmark::State& state) {
  TProject project(nullptr, {}, u"", u"Bench");
  MakeLinkedProject(project, 10000);
  auto modules = project.GetMainModules();
  while (modules->GetLinks().Count() > 0)
    modules->GetLinks().Remove(modules->GetLinks().Get(0));
  RedrawRepeatedly(state, project);
}
BENCHMARK(BM_Redraw10000ModulesOfTheLinkedProject)->Unit(benchmark::kMillisecond);

} // namespace
