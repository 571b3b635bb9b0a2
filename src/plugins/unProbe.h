#pragma once

#include <string>
#include <vector>

// What trying a plug-in library out gave: passed, or why not, in words for the log.
struct TProbeResult {
  bool Ok = false;
  std::string Cause;
};

// Tries the library out in this process: loads it, calls ZU_Plugin_Info and, when it is there,
// ZU_Plugin_Run with commands 1 and 2, and frees every string they hand back. Meant for a process
// of its own: a library that crashes or hangs takes that process with it.
TProbeResult ProbeHere(const std::string& file);

// Tries every file out in a child process of its own, at most parallel at once, each given
// timeoutMs to finish; a child that crashes, hangs (it is killed) or fails gives the cause. The
// child runs the program helper ("helper FILE FD", writing its answer to FD) when it exists, and
// ProbeHere itself otherwise. Results are in the order of the files.
std::vector<TProbeResult> ProbeApart(const std::vector<std::string>& files,
                                     const std::string& helper, int timeoutMs, unsigned parallel);

// The answer line a probing process writes, and its reading.
std::string ProbeAnswer(const TProbeResult& result);
TProbeResult ReadProbeAnswer(const std::string& answer);
