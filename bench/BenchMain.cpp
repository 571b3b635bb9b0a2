#include "BenchRatios.h"

#include <QApplication>
#include <benchmark/benchmark.h>
#include <string>
#include <string_view>

// The canvas benchmarks need a GUI application; the offscreen platform keeps them headless.
int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
    qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  // The format is read before the library takes its flags out of the command line.
  std::string format = "console";
  for (int i = 1; i < argc; ++i)
    if (std::string_view arg = argv[i]; arg.starts_with("--benchmark_format="))
      format = std::string(arg.substr(19));
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv))
    return 1;
  TRatioReporter reporter(TRatioReporter::ForFormat(format));
  benchmark::RunSpecifiedBenchmarks(&reporter);
  // Beside the chosen format: on standard error when standard output carries JSON or CSV.
  reporter.PrintSummary(format == "console" ? stdout : stderr);
  benchmark::Shutdown();
  return 0;
}
