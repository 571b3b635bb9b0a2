#include "BenchRatios.h"

#include <cstdio>

void TRatioReporter::ReportRuns(const std::vector<Run>& runs) {
  for (const Run& run : runs)
    if (run.run_type == Run::RT_Iteration && !run.error_occurred && run.iterations > 0)
      Times[run.benchmark_name()] =
          run.GetAdjustedRealTime() / benchmark::GetTimeUnitMultiplier(run.time_unit);
  ConsoleReporter::ReportRuns(runs);
}

double TRatioReporter::Seconds(const std::string& name) const {
  auto it = Times.find(name);
  return it == Times.end() ? 0 : it->second;
}

void TRatioReporter::PrintSummary() const {
  auto ms = [&](const char* name) { return Seconds(name) * 1000; };
  auto ratio = [&](const char* a, const char* b) {
    const double sb = Seconds(b);
    return sb > 0 ? Seconds(a) / sb : 0.0;
  };
  std::printf("\nSummary (goal in brackets)\n");
  if (Seconds("BM_Redraw1000Modules") > 0)
    std::printf("  Redraw of 1000 modules:                 %8.3f ms   [<= 4 ms]\n",
                ms("BM_Redraw1000Modules"));
  if (Seconds("BM_LoadXml/10000") == 0)
    return;
  std::printf("  LoadXml 10000 / tinyxml2 Parse:         %8.2f      [<= 1.0]\n",
              ratio("BM_LoadXml/10000", "BM_Tinyxml2Parse/10000"));
  std::printf("  LoadXml 10000 / pugixml load_buffer:    %8.2f      [<= 5.0]\n",
              ratio("BM_LoadXml/10000", "BM_PugixmlLoad/10000"));
  std::printf("    the same without freeing the trees:   %8.2f\n",
              ratio("BM_LoadXmlOnly", "BM_PugixmlLoadOnly"));
  std::printf("  GetXml+1251 10000 / tinyxml2 printer:   %8.2f      [<= 1.0]\n",
              ratio("BM_GetXmlBytes/10000", "BM_Tinyxml2Print/10000"));
  std::printf("  LoadXml 100000 / LoadXml 10000:         %8.2f      [<= 11]\n",
              ratio("BM_LoadXml/100000", "BM_LoadXml/10000"));
  std::printf("  GetXml+1251 100000 / 10000:             %8.2f      [<= 11]\n",
              ratio("BM_GetXmlBytes/100000", "BM_GetXmlBytes/10000"));
  std::printf("  TProject.Load 10000:                    %8.2f ms   [< 50 ms]\n",
              ms("BM_ProjectLoad"));
  std::printf("  TProject.Save 10000:                    %8.2f ms   [< 50 ms]\n",
              ms("BM_ProjectSave"));
}
