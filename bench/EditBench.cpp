// Editing a 100 000-module project in the window: each step as the user takes it, with every
// view brought up to date; the stall of keeping the work aside; opening it and its memory;
// copying and pasting a thousand linked modules.

#include "BenchOpenDialogs.h"
#include "app/unEditCommands.h"
#include "app/unMain.h"
#include "app/unMainDialogs.h"
#include "app/unProjectDocument.h"
#include "canvas/unProgrammingImage.h"
#include "canvas/unQtStrings.h"
#include "model/unIModule.h"
#include "model/unLinkList.h"
#include "model/unParamList.h"
#include "model/unProject.h"
#include "platform/unIntText.h"
#include "platform/unStrings.h"

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QTableWidget>
#include <QUndoStack>
#include <benchmark/benchmark.h>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <malloc.h>
#include <thread>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

constexpr int Large = 100000;

// A folder with a 100 000-module project (a grid of boxes, every tenth feeding the next) and its
// "Configs", removed at the end.
struct TLargeFolder {
  TLargeFolder() {
    std::string pattern = (fs::temp_directory_path() / "zu-bench-XXXXXX").string();
    Path = mkdtemp(pattern.data());
    fs::create_directories(Path / "Configs");
    TProject project(nullptr, {}, u"", u"Large");
    auto modules = project.GetMainModules();
    for (int i = 0; i < Large; ++i)
      modules->AddModule(100 + (i % 300) * 150, 100 + (i / 300) * 120, u"Module" + IntToText(i), 80,
                         120);
    project.Save(Utf8ToUtf16(File().string()));
  }
  ~TLargeFolder() {
    std::error_code ec;
    fs::remove_all(Path, ec);
  }
  fs::path File() const { return Path / "large.xml"; }
  fs::path Path;
};

// The window with the large project open, 1920 × 1080.
struct TLargeWindow {
  TLargeWindow()
      : Dialogs(new TOpenDialogs(QString::fromStdString(Folder.File().string()))),
        Window(std::unique_ptr<IMainDialogs>(Dialogs), nullptr,
               Utf8ToUtf16(Folder.Path.string() + "/")) {
    Window.resize(1920, 1080);
    Window.show();
    Window.OpenProject();
    QApplication::processEvents();
  }
  bool Open() const {
    return !Dialogs->Failed && Window.GetProject() &&
           Window.GetProject()->GetMainModules()->Count() >= Large - 1000;
  }
  std::shared_ptr<IModuleList> Modules() const { return Window.GetProject()->GetMainModules(); }
  void Trigger(const char* name) { Window.findChild<QAction*>(name)->trigger(); }
  void SetGrid(const QString& key, const QString& text) {
    auto* grid = Window.findChild<QTableWidget*>("ValueListEditor");
    for (int r = 0; r < grid->rowCount(); ++r)
      if (grid->item(r, 0)->text() == key)
        grid->item(r, 1)->setText(text);
  }

  TLargeFolder Folder;
  TOpenDialogs* Dialogs;
  TfmMain Window;
};

void BM_Edit100000GridEdit(benchmark::State& state) {
  TLargeWindow large;
  large.Window.GetDocument()->Select(large.Modules()->GetItem(5));
  int i = 0;
  for (auto _ : state)
    large.SetGrid("Name", QString("Edited %1").arg(++i));
  if (!large.Open() || large.Modules()->GetItem(5)->GetName() != ToU16(QString("Edited %1").arg(i)))
    state.SkipWithError("the edit did not reach the module");
}
BENCHMARK(BM_Edit100000GridEdit)->Unit(benchmark::kMillisecond)->Iterations(20);

void BM_Edit100000Move(benchmark::State& state) {
  TLargeWindow large;
  auto* canvas = large.Window.GetCanvas();
  // The module at the canvas's top left, dragged right and back.
  const auto module = large.Modules()->GetItem(0);
  int step = 0;
  for (auto _ : state) {
    const TPoint at = module->GetPosition();
    const QPoint from(at.X - canvas->GetOrigin().X, at.Y - canvas->GetOrigin().Y);
    const int dx = (step++ % 2 == 0) ? 30 : -30;
    canvas->MouseDown(from.x(), from.y());
    canvas->MouseMove(from.x() + dx, from.y());
    canvas->MouseUp();
  }
  if (!large.Open() || large.Window.GetUndoStack()->count() != static_cast<int>(state.iterations()))
    state.SkipWithError("the moves were not undo steps");
}
BENCHMARK(BM_Edit100000Move)->Unit(benchmark::kMillisecond)->Iterations(20);

void BM_Edit100000Add(benchmark::State& state) {
  TLargeWindow large;
  auto* document = large.Window.GetDocument();
  for (auto _ : state) {
    TModuleText text = TProjectDocument::NewModuleText();
    text.Name = "Added";
    text.PositionX = text.PositionY = "50";
    text.Height = "80";
    text.Width = "120";
    document->AddModule(text);
  }
  if (!large.Open() || large.Modules()->Count() != Large + static_cast<int>(state.iterations()))
    state.SkipWithError("the modules were not added");
}
BENCHMARK(BM_Edit100000Add)->Unit(benchmark::kMillisecond)->Iterations(20);

void BM_Edit100000Delete(benchmark::State& state) {
  TLargeWindow large;
  auto* document = large.Window.GetDocument();
  for (auto _ : state) {
    state.PauseTiming();
    document->Select(large.Modules()->GetItem(1000));
    state.ResumeTiming();
    large.Trigger("miDelete");
  }
  if (!large.Open() || large.Modules()->Count() != Large - static_cast<int>(state.iterations()))
    state.SkipWithError("the modules were not deleted");
}
BENCHMARK(BM_Edit100000Delete)->Unit(benchmark::kMillisecond)->Iterations(20);

void BM_Edit100000Undo(benchmark::State& state) {
  TLargeWindow large;
  auto* document = large.Window.GetDocument();
  document->Select(large.Modules()->GetItem(7));
  large.Trigger("miDelete");
  int i = 0;
  for (auto _ : state)
    large.Trigger(i++ % 2 == 0 ? "miUndo" : "miRedo");
  if (!large.Open())
    state.SkipWithError("the project did not open");
}
BENCHMARK(BM_Edit100000Undo)->Unit(benchmark::kMillisecond)->Iterations(20);

// The longest time the window's thread is held while the work is kept aside: the change that
// starts it, and whatever the window's thread still does until the file is there.
void BM_RecoveryStall100000(benchmark::State& state) {
  TLargeWindow large;
  auto* document = large.Window.GetDocument();
  auto module = large.Modules()->GetItem(3);
  double longest = 0;
  for (auto _ : state) {
    module->SetName(u"Kept " + IntToText(static_cast<std::int32_t>(state.iterations())));
    QElapsedTimer timer;
    timer.start();
    document->KeepRecovery();
    longest = std::max(longest, static_cast<double>(timer.nsecsElapsed()) / 1e6);
    state.PauseTiming();
    document->WaitForRecovery();
    state.ResumeTiming();
  }
  state.counters["longest_ms"] = longest;
  if (!large.Open() || !fs::exists(Utf16ToUtf8(document->RecoveryFile())))
    state.SkipWithError("no recovery file was written");
}
BENCHMARK(BM_RecoveryStall100000)->Unit(benchmark::kMillisecond)->Iterations(10);

// The pages the process holds, in bytes.
double Resident() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line))
    if (line.rfind("VmRSS:", 0) == 0)
      return std::stod(line.substr(6)) * 1024;
  return 0;
}

// The heap in use, in bytes: what the program holds, whatever the allocator keeps for later.
double HeapInUse() {
  const struct mallinfo2 info = mallinfo2();
  return static_cast<double>(info.uordblks + info.hblkhd);
}

void BM_OpenProject100000InWindow(benchmark::State& state) {
  TLargeFolder folder;
  auto* dialogs = new TOpenDialogs(QString::fromStdString(folder.File().string()));
  double before = 0, after = 0;
  {
    TfmMain window(std::unique_ptr<IMainDialogs>(dialogs), nullptr,
                   Utf8ToUtf16(folder.Path.string() + "/"));
    window.resize(1920, 1080);
    window.show();
    QApplication::processEvents();
    before = HeapInUse();
    for (auto _ : state) {
      window.OpenProject();
      QApplication::processEvents();
    }
    after = HeapInUse();
    state.counters["resident_MB"] = Resident() / 1e6;
    if (dialogs->Failed || !window.GetProject() ||
        window.GetProject()->GetMainModules()->Count() != Large)
      state.SkipWithError("the project did not open");
  }
  state.counters["memory_MB"] = (after - before) / 1e6;
}
BENCHMARK(BM_OpenProject100000InWindow)->Unit(benchmark::kMillisecond)->Iterations(1);

void BM_CopyPaste1000Linked(benchmark::State& state) {
  TLargeWindow large;
  auto* document = large.Window.GetDocument();
  auto modules = large.Modules();
  auto outs = std::make_shared<TParamList>();
  outs->AddNew()->Name = u"o";
  auto ins = std::make_shared<TParamList>();
  ins->AddNew()->Name = u"i";
  for (int i = 0; i < 1000; ++i) {
    modules->GetItem(i)->SetParamOut(outs);
    modules->GetItem(i)->SetParamIn(ins);
  }
  for (int i = 0; i < 1000; ++i) {
    auto link = std::make_shared<TLink>();
    link->From = modules->GetItem(i);
    link->Output = u"o";
    link->To = modules->GetItem((i + 1) % 1000);
    link->Input = u"i";
    modules->GetLinks().Add(link);
  }
  for (auto _ : state) {
    state.PauseTiming();
    std::vector<std::shared_ptr<IModule>> first;
    for (int i = 0; i < 1000; ++i)
      first.push_back(modules->GetItem(i));
    document->SelectModules(first);
    state.ResumeTiming();
    large.Trigger("miCopy");
    large.Trigger("miPaste");
  }
  if (!large.Open() || modules->Count() != Large + 1000 * static_cast<int>(state.iterations()) ||
      modules->GetLinks().Count() != 1000 * (1 + static_cast<int>(state.iterations())))
    state.SkipWithError("the modules were not pasted with their links");
}
BENCHMARK(BM_CopyPaste1000Linked)->Unit(benchmark::kMillisecond)->Iterations(5);

} // namespace
