#include "BenchRatios.h"

#include <cstdio>
#include <string>

std::unique_ptr<benchmark::BenchmarkReporter> TRatioReporter::ForFormat(const std::string& format) {
  if (format == "json")
    return std::make_unique<benchmark::JSONReporter>();
  if (format == "csv") {
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    return std::make_unique<benchmark::CSVReporter>();
#pragma GCC diagnostic pop
  }
  return std::make_unique<benchmark::ConsoleReporter>();
}

bool TRatioReporter::ReportContext(const Context& context) {
  Shown->SetOutputStream(&GetOutputStream());
  Shown->SetErrorStream(&GetErrorStream());
  return Shown->ReportContext(context);
}

void TRatioReporter::ReportRuns(const std::vector<Run>& runs) {
  for (const Run& run : runs)
    if (run.run_type == Run::RT_Iteration && !run.error_occurred && run.iterations > 0) {
      Times[run.benchmark_name()] =
          run.GetAdjustedRealTime() / benchmark::GetTimeUnitMultiplier(run.time_unit);
      for (const auto& [counter, value] : run.counters)
        Counters[run.benchmark_name() + ":" + counter] = value.value;
    }
  Shown->ReportRuns(runs);
}

double TRatioReporter::Seconds(const std::string& name) const {
  auto it = Times.find(name);
  return it == Times.end() ? 0 : it->second;
}

void TRatioReporter::PrintSummary(std::FILE* out) const {
  auto ms = [&](const char* name) { return Seconds(name) * 1000; };
  auto ratio = [&](const char* a, const char* b) {
    const double sb = Seconds(b);
    return sb > 0 ? Seconds(a) / sb : 0.0;
  };
  std::fprintf(out, "\nSummary (goal in brackets)\n");
  const struct {
    const char* Caption;
    const char* Name;
    const char* Goal;
  } times[] = {
      {"Redraw of 1000 modules:", "BM_Redraw1000Modules", "[<= 4 ms]"},
      {"Redraw of 10000 differently named:", "BM_Redraw10000DistinctModules", "[<= 16 ms]"},
      {"One drag step among 10000:", "BM_DragStep10000Modules", "[<= 2 ms]"},
      {"Opening 10000 modules in the window:", "BM_OpenProject10000InWindow", "[<= 300 ms]"},
      {"Redraw of 10000 modules, 10000 links:", "BM_Redraw10000ModulesAndLinks", "[<= 16 ms]"},
      {"Drag step, four links, among 10000:", "BM_DragStepWithLinks", "[<= 2 ms]"},
      {"Opening 10000 linked in the window:", "BM_OpenProject10000LinkedInWindow", "[<= 150 ms]"},
      {"Grid edit among 100000 in the window:", "BM_Edit100000GridEdit/iterations:20",
       "[<= 16 ms]"},
      {"Move among 100000 in the window:", "BM_Edit100000Move/iterations:20", "[<= 16 ms]"},
      {"Add among 100000 in the window:", "BM_Edit100000Add/iterations:20", "[<= 16 ms]"},
      {"Delete among 100000 in the window:", "BM_Edit100000Delete/iterations:20", "[<= 16 ms]"},
      {"Undo among 100000 in the window:", "BM_Edit100000Undo/iterations:20", "[<= 16 ms]"},
      {"Recovery of 100000, window's share:", "BM_RecoveryStall100000/iterations:10", "[<= 30 ms]"},
      {"Opening 100000 in the window:", "BM_OpenProject100000InWindow/iterations:1",
       "[<= 1000 ms]"},
      {"Copy and paste of 1000 linked:", "BM_CopyPaste1000Linked/iterations:5", "[<= 100 ms]"},
      {"Refresh of 100 components:", "BM_RefreshCopies/100/iterations:3", "[< 1000 ms]"},
      {"Refresh of 1000 components:", "BM_RefreshCopies/1000/iterations:1", "[< 10000 ms]"},
      {"First scan of 1000 components:", "BM_FirstScan1000/iterations:2/real_time", "[<= 2000 ms]"},
      {"Later scan of 1000 (cached):", "BM_CachedScan1000/iterations:5/real_time", "[<= 100 ms]"},
      {"Window's longest wait, 50 hanging:", "BM_HangingScan50WindowWait/iterations:1/manual_time",
       "[<= 100 ms]"},
      {"Redraw while 10000 modules run:", "BM_RedrawWhileRunning10000/0", "[<= 16 ms]"},
      {"  the same, all 10000 in view:", "BM_RedrawWhileRunning10000/1", "[<= 16 ms]"},
      {"Flatten and start 1000 subsystems:",
       "BM_FlattenAndStart1000Subsystems/iterations:3/real_time", "[<= 100 ms]"},
      {"Make Subsystem of 1000 linked:", "BM_MakeSubsystemOf1000Linked/iterations:10",
       "[<= 100 ms]"},
      {"Scope redraw, 16 x 1000000 values:", "BM_ScopeRedraw16x1M", "[<= 16 ms]"},
      {"Scope live frame, 16 at 1 kHz:", "BM_ScopeLiveFrame16At1kHz", "[<= 1 ms]"},
  };
  for (const auto& t : times)
    if (Seconds(t.Name) > 0)
      std::fprintf(out, "  %-38s %8.3f ms   %s\n", t.Caption, ms(t.Name), t.Goal);
  // Module steps per second through the host, and against plain calls in one process.
  if (const double chain = Seconds("BM_RunAdderChain/1/iterations:3/real_time"); chain > 0) {
    std::fprintf(out, "  %-38s %8.0f /s   [>= 20000000 /s]\n",
                 "Module steps through the host:", 1e6 / chain);
    if (const double texts = Seconds("BM_RunAdderChain/0/iterations:3/real_time"); texts > 0)
      std::fprintf(out, "  %-38s %8.0f /s   [>= 500000 /s]\n",
                   "  the same with value texts:", 1e6 / texts);
    if (const double direct = Seconds("BM_DirectAdderChain"); direct > 0)
      std::fprintf(out, "  %-38s %8.0f /s   (%.0f times the host's)\n",
                   "  the same chain, direct calls:", 1e6 / direct, chain / direct);
  }
  if (const std::string mqtt = "BM_Mqtt10kPerSecond/10000/iterations:1/real_time";
      Counters.count(mqtt + ":published"))
    std::fprintf(out, "  %-38s %8.0f sent, %.0f received, %.0f lost   [0 lost]\n",
                 "MQTT at 10000/s through a broker:", Counters.at(mqtt + ":published"),
                 Counters.at(mqtt + ":received"), Counters.at(mqtt + ":lost"));
  if (const double watched = Seconds("BM_RunAdderChain16Watched/iterations:3/real_time");
      watched > 0)
    std::fprintf(out, "  %-38s %8.0f /s   [>= 2500000 /s]\n",
                 "  the same, 16 outputs watched:", 1e6 / watched);
  if (const double run = Seconds("BM_Run1000Subsystems/iterations:2/real_time"); run > 0)
    std::fprintf(out, "  %-38s %8.0f /s   [>= 2000000 /s]\n",
                 "Module steps in 1000 subsystems:", 5e6 / run);
  // The log service: calls per second of a flood, and another client's wait meanwhile.
  const double flood = Seconds("BM_LogServiceFlood/iterations:3/manual_time");
  const double handling = Seconds("BM_LogServiceHandling");
  if (flood > 0)
    std::fprintf(out, "  %-38s %8.0f /s   [>= 100000 /s]\n",
                 "Log service ToLog over the bus:", 100000 / flood);
  if (handling > 0)
    std::fprintf(out, "  %-38s %8.0f /s\n", "  the service's own share:", 100000 / handling);
  if (Seconds("BM_LogServiceCallDuringFlood/iterations:3/manual_time") > 0)
    std::fprintf(out, "  %-38s %8.3f ms   [<= 100 ms]\n", "Another client's call in a flood:",
                 ms("BM_LogServiceCallDuringFlood/iterations:3/manual_time"));
  struct TRatio {
    const char* Caption;
    const char* Measured;
    const char* Against;
    const char* Goal;
  };
  const TRatio hostile[] = {
      {"Attributes 100000 / 10000:", "BM_ManyAttributes/100000", "BM_ManyAttributes/10000",
       "[<= 11]"},
      {"'=' run 1000000 / 100000:", "BM_RunOfEquals/1000000", "BM_RunOfEquals/100000", "[<= 11]"},
      {"Instructions 1000000 / 100000:", "BM_LeadingInstructions/1000000",
       "BM_LeadingInstructions/100000", "[<= 11]"},
      {"Indented chain 50000 / 5000 deep:", "BM_WriteDeepChain/50000", "BM_WriteDeepChain/5000",
       "[<= 11]"},
  };
  for (const TRatio& r : hostile)
    if (Seconds(r.Against) > 0)
      std::fprintf(out, "  %-38s %8.2f      %s\n", r.Caption, ratio(r.Measured, r.Against), r.Goal);
  if (Seconds("BM_LoadXml/10000") == 0)
    return;
  const TRatio ratios[] = {
      {"LoadXml 10000 / tinyxml2 Parse:", "BM_LoadXml/10000", "BM_Tinyxml2Parse/10000", "[<= 1.0]"},
      {"LoadXml 10000 / pugixml load_buffer:", "BM_LoadXml/10000", "BM_PugixmlLoad/10000",
       "[<= 3.0]"},
      {"  the same without freeing the trees:", "BM_LoadXmlOnly", "BM_PugixmlLoadOnly", ""},
      {"GetXml+1251 10000 / tinyxml2 printer:", "BM_GetXmlBytes/10000", "BM_Tinyxml2Print/10000",
       "[<= 1.0]"},
      {"LoadXml 100000 / LoadXml 10000:", "BM_LoadXml/100000", "BM_LoadXml/10000", "[<= 11]"},
      {"GetXml+1251 100000 / 10000:", "BM_GetXmlBytes/100000", "BM_GetXmlBytes/10000", "[<= 11]"},
  };
  for (const TRatio& r : ratios)
    std::fprintf(out, "  %-38s %8.2f      %s\n", r.Caption, ratio(r.Measured, r.Against), r.Goal);
  std::fprintf(out, "  TProject.Load 10000:                    %8.2f ms   [<= 25 ms]\n",
               ms("BM_ProjectLoad"));
  std::fprintf(out, "  TProject.Save 10000:                    %8.2f ms   [<= 25 ms]\n",
               ms("BM_ProjectSave"));
  if (Seconds("BM_ProjectLoadLinked") > 0)
    std::fprintf(out, "  %-38s %8.2f      [<= 1.30]\n", "Load with 10000 links / without:",
                 ratio("BM_ProjectLoadLinked", "BM_ProjectLoad"));
  if (Seconds("BM_ProjectSaveLinked") > 0)
    std::fprintf(out, "  %-38s %8.2f      [<= 1.30]\n", "Save with 10000 links / without:",
                 ratio("BM_ProjectSaveLinked", "BM_ProjectSave"));
}
