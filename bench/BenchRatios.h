#pragma once

#include <benchmark/benchmark.h>
#include <map>
#include <string>

// Prints like the console reporter and remembers each benchmark's real time per iteration, so
// that ratios between benchmarks come from one run.
class TRatioReporter : public benchmark::ConsoleReporter {
public:
  void ReportRuns(const std::vector<Run>& runs) override;
  // Seconds per iteration of the named benchmark, or 0 when it did not run.
  double Seconds(const std::string& name) const;
  // Prints the ratios and goals the benchmarks were written for.
  void PrintSummary() const;

private:
  std::map<std::string, double> Times;
};
