#pragma once

#include <benchmark/benchmark.h>
#include <cstdio>
#include <map>
#include <memory>
#include <string>

// Passes every report on to the reporter of the chosen format and remembers each benchmark's
// real time per iteration, so that ratios between benchmarks come from one run.
class TRatioReporter : public benchmark::BenchmarkReporter {
public:
  // The reporter for --benchmark_format's value ("console", "json" or "csv").
  static std::unique_ptr<benchmark::BenchmarkReporter> ForFormat(const std::string& format);

  explicit TRatioReporter(std::unique_ptr<benchmark::BenchmarkReporter> shown)
      : Shown(std::move(shown)) {}
  bool ReportContext(const Context& context) override;
  void ReportRuns(const std::vector<Run>& runs) override;
  void Finalize() override { Shown->Finalize(); }

  // Seconds per iteration of the named benchmark, or 0 when it did not run.
  double Seconds(const std::string& name) const;
  // Prints the ratios and goals the benchmarks were written for.
  void PrintSummary(std::FILE* out) const;

private:
  std::unique_ptr<benchmark::BenchmarkReporter> Shown;
  std::map<std::string, double> Times;
  // The counters of each benchmark, as "name:counter".
  std::map<std::string, double> Counters;
};
