// The editor's window with a large project: opening it (load, tree, first picture).

#include "BenchOpenDialogs.h"
#include "app/unMain.h"
#include "app/unMainDialogs.h"
#include "model/unIModule.h"
#include "model/unLinkList.h"
#include "model/unProject.h"
#include "platform/unExeFolder.h"
#include "platform/unIntText.h"
#include "platform/unStrings.h"

#include <benchmark/benchmark.h>
#include <filesystem>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

void BM_OpenProject10000InWindow(benchmark::State& state) {
  std::string pattern = (fs::temp_directory_path() / "zu-bench-XXXXXX").string();
  const fs::path folder = mkdtemp(pattern.data());
  const fs::path file = folder / "large.xml";
  {
    TProject project(nullptr, {}, u"", u"Large");
    auto modules = project.GetMainModules();
    for (int i = 0; i < 10000; ++i)
      modules->AddModule(100 + (i % 100) * 150, 100 + (i / 100) * 120, u"Module" + IntToText(i), 80,
                         120);
    project.Save(Utf8ToUtf16(file.string()));
  }
  auto* dialogs = new TOpenDialogs(QString::fromStdString(file.string()));
  TfmMain window(std::unique_ptr<IMainDialogs>(dialogs), nullptr,
                 Utf8ToUtf16(folder.string() + "/"));
  window.resize(1920, 1080);
  for (auto _ : state) {
    window.OpenProject();
    benchmark::DoNotOptimize(window.GetProject());
  }
  if (dialogs->Failed || !window.GetProject() ||
      window.GetProject()->GetMainModules()->Count() != 10000)
    state.SkipWithError("the project did not open");
  std::error_code ec;
  fs::remove_all(folder, ec);
}
BENCHMARK(BM_OpenProject10000InWindow)->Unit(benchmark::kMillisecond);

// 10 000 adders, each feeding the next, opened in the window: the load, the parameters taken
// from the component again, the tree and the first picture.
void BM_OpenProject10000LinkedInWindow(benchmark::State& state) {
  std::string pattern = (fs::temp_directory_path() / "zu-bench-XXXXXX").string();
  const fs::path folder = mkdtemp(pattern.data());
  fs::copy_file(ExeFolder() + "Adder.so", folder / "Adder.so");
  const std::u16string adder = Utf8ToUtf16((folder / "Adder.so").string());
  const fs::path file = folder / "linked.xml";
  {
    TProject project(nullptr, {}, u"", u"Linked");
    auto modules = project.GetMainModules();
    for (int i = 0; i < 10000; ++i)
      modules
          ->AddModule(100 + (i % 100) * 150, 100 + (i / 100) * 120, u"Adder" + IntToText(i), 80,
                      120)
          ->SetType(adder);
    auto add = [&](int from, int to, const char16_t* input) {
      auto link = std::make_shared<TLink>();
      link->From = modules->GetItem(from);
      link->Output = u"Sum";
      link->To = modules->GetItem(to);
      link->Input = input;
      modules->GetLinks().Add(link);
    };
    for (int i = 0; i + 1 < 10000; ++i)
      add(i, i + 1, u"A");
    add(0, 2, u"B");
    project.Save(Utf8ToUtf16(file.string()));
  }
  auto* dialogs = new TOpenDialogs(QString::fromStdString(file.string()));
  TfmMain window(std::unique_ptr<IMainDialogs>(dialogs), nullptr,
                 Utf8ToUtf16(folder.string() + "/"));
  window.resize(1920, 1080);
  window.Start(); // scans the folder's component; the start dialog is cancelled
  window.WaitForComponents();
  for (auto _ : state) {
    window.OpenProject();
    benchmark::DoNotOptimize(window.GetProject());
  }
  auto modules = window.GetProject() ? window.GetProject()->GetMainModules() : nullptr;
  if (dialogs->Failed || !modules || modules->Count() != 10000 ||
      modules->GetLinks().Count() != 10000 || !LinkResolves(*modules->GetLinks().Get(5)))
    state.SkipWithError("the project did not open with its links");
  std::error_code ec;
  fs::remove_all(folder, ec);
}
BENCHMARK(BM_OpenProject10000LinkedInWindow)->Unit(benchmark::kMillisecond);

} // namespace
