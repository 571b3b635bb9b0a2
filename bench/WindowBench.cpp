// The editor's window with a large project: opening it (load, tree, first picture).

#include "app/unMain.h"
#include "app/unMainDialogs.h"
#include "model/unIModule.h"
#include "model/unProject.h"
#include "platform/unIntText.h"
#include "platform/unStrings.h"

#include <benchmark/benchmark.h>
#include <filesystem>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

// Answers every dialog so that a file is opened and nothing else is asked.
class TOpenDialogs : public IMainDialogs {
public:
  explicit TOpenDialogs(QString file) : File(std::move(file)) {}
  int ConfirmYesNo(const QString&) override { return mrNo; }
  int AskYesNoCancel(const QString&) override { return mrNo; }
  void ShowError(const QString&, const QString&) override { Failed = true; }
  std::optional<QString> ChooseOpenFile() override { return File; }
  std::optional<QString> ChooseSaveFile() override { return std::nullopt; }
  std::optional<QString> ChooseExportFile() override { return std::nullopt; }
  int Execute(QDialog&) override { return mrCancel; }
  QString File;
  bool Failed = false;
};

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

} // namespace
