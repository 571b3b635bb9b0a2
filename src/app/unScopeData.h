#pragma once

#include "plugins/unHostProtocol.h"
#include "plugins/unSignalHistory.h"

#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

class IModule;

// The format of an output dragged onto the scope: the output's name, UTF-8.
inline constexpr const char* OutputMimeType = "application/x-zu-programming-output";

// A watched output of a run, and its history.
struct TScopeSignal {
  std::shared_ptr<IModule> Module;
  std::u16string Output;
  std::int32_t Plot = 0;
  std::string Name;        // "Filter/Gen1.Signal"
  std::int32_t Watch = -1; // the plan's watch; -1: a typed value, Constant
  std::string Constant;
  TSignalHistory History;
};

// What the scope shows of a run: the watched outputs, the paces the ticks ran at ((first tick,
// ticks per second) from the start; 0 as fast as possible), and the pace's figures.
struct TScopeData {
  std::vector<TScopeSignal> Signals;
  std::vector<std::pair<std::int64_t, double>> Paces;
  TStatsMessage Stats;
};
