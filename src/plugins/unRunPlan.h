#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// One input of a module in a run: fed by an output of a module before it, or a constant value.
struct TRunInput {
  std::string Name;
  std::int32_t FromModule = -1; // -1: the constant
  std::int32_t FromOutput = -1;
  std::string Constant; // the value (not escaped) when FromModule is -1
  friend bool operator==(const TRunInput&, const TRunInput&) = default;
};

// How a number a module's numeric step gives for an output is told as a value text.
enum TRunKind : std::uint8_t { rkDouble = 0, rkInt = 1, rkBool = 2 };

// One module of a run.
struct TRunModule {
  std::string Library; // the component's library file
  std::string Label;   // how messages name it
  std::vector<std::string> Outputs;
  std::vector<TRunInput> Inputs;
  // Set when every input and output of the component is a number or a truth value and every
  // input is given (Inputs in the component's order): the host may step it with numbers. Then
  // one TRunKind per output.
  bool Numeric = false;
  std::vector<std::uint8_t> OutputKinds{};
  friend bool operator==(const TRunModule&, const TRunModule&) = default;
};

// An output watched by a run without a window: its value is sent after every tick.
struct TRunWatch {
  std::int32_t Module = 0;
  std::int32_t Output = 0;
  friend bool operator==(const TRunWatch&, const TRunWatch&) = default;
};

// One comparison of a break condition: the value of an output of a module of the plan (or a
// constant) with a number; joined to the term before by "and" or "or".
struct TRunTerm {
  std::int32_t Module = -1; // -1: Constant
  std::int32_t Output = -1;
  std::string Constant;
  std::int32_t Op = 0; // a TCompareOp
  double Number = 0;
  bool And = false;
  friend bool operator==(const TRunTerm&, const TRunTerm&) = default;
};

// A break condition: the run pauses after the first tick it holds (and again only after a tick it
// did not hold).
struct TRunBreak {
  std::vector<TRunTerm> Terms;
  friend bool operator==(const TRunBreak&, const TRunBreak&) = default;
};

// What a component host runs: the modules in step order (every module after those that feed it),
// the pace, and how it reports.
struct TRunPlan {
  std::vector<TRunModule> Modules;
  double RateHz = 10;         // ticks per second; 0: as fast as possible
  std::int64_t Ticks = 0;     // 0: until stopped
  std::int32_t ReportMs = 33; // at least this long between two reports of changed values
  std::vector<TRunWatch> Watch;
  std::vector<TRunBreak> Breaks;
  friend bool operator==(const TRunPlan&, const TRunPlan&) = default;
};

// What the host does now, in memory both processes share, so that the editor can name the module
// and the tick of a crash or a hang whatever the module's code did to the host.
struct TRunStatus {
  std::atomic<std::int64_t> Tick{0};
  std::atomic<std::int32_t> Module{-1};
  std::atomic<std::int32_t> Phase{0};   // TRunPhase
  std::atomic<std::int64_t> SinceNs{0}; // MonotonicCoarseNs() when the phase began
};
enum TRunPhase : std::int32_t { rpIdle = 0, rpLoad = 1, rpStep = 2, rpUnLoad = 3 };

// The monotonic clock in nanoseconds.
std::int64_t MonotonicNs();
// The same clock as the kernel last read it (a few milliseconds behind at most, and read in a
// fraction of the time): how TRunStatus keeps when a call began, once per module step.
std::int64_t MonotonicCoarseNs();

// Value texts: "Name=Value\n" per value, with '\\', line feed and carriage return escaped.
std::string EscapeValue(std::string_view value);
std::string UnescapeValue(std::string_view text);
