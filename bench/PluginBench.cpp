// The component scan: Refresh of a folder of copies of one sample component, each probed in a
// process of its own, then loaded and asked for its description.

#include "platform/unExeFolder.h"
#include "plugins/unComponentList.h"

#include <benchmark/benchmark.h>
#include <filesystem>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

// A fresh folder of count copies of the Adder component, under different names.
struct TCopies {
  explicit TCopies(std::int64_t count) {
    std::string pattern = (fs::temp_directory_path() / "zu-bench-XXXXXX").string();
    Folder = mkdtemp(pattern.data());
    for (std::int64_t i = 0; i < count; ++i)
      fs::copy_file(ExeFolder() + "Adder.so", Folder / ("Copy" + std::to_string(i) + ".so"));
  }
  ~TCopies() {
    std::error_code ec;
    fs::remove_all(Folder, ec);
  }
  fs::path Folder;
};

void BM_RefreshCopies(benchmark::State& state) {
  TCopies copies(state.range(0));
  TComponentList registry;
  registry.Path = copies.Folder.string() + "/";
  for (auto _ : state) {
    registry.Refresh();
    if (registry.Count() != state.range(0))
      state.SkipWithError("not every copy was registered");
  }
  state.counters["components"] = static_cast<double>(state.range(0));
}
BENCHMARK(BM_RefreshCopies)->Arg(100)->Iterations(3)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RefreshCopies)->Arg(1000)->Iterations(1)->Unit(benchmark::kMillisecond);

} // namespace
