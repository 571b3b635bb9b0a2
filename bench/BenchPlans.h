#pragma once

#include "platform/unExeFolder.h"
#include "plugins/unRunPlan.h"

#include <string>
#include <utility>

// A chain of `length` adders as fast as possible for `ticks` ticks, each adding 1 to the sum
// before it: the last one's sum is `length` after every tick. Stepped with numbers as the planner
// would have them, or with value texts.
inline TRunPlan AdderChainPlan(int length, int ticks, bool numeric = true) {
  TRunPlan plan;
  plan.RateHz = 0;
  plan.Ticks = ticks;
  plan.ReportMs = 33;
  for (int i = 0; i < length; ++i) {
    TRunModule m{ExeFolder() + "Adder.so", "Adder" + std::to_string(i), {"Sum"}, {}};
    m.Inputs.push_back(i == 0 ? TRunInput{"A", -1, -1, "0"} : TRunInput{"A", i - 1, 0, ""});
    m.Inputs.push_back({"B", -1, -1, "1"});
    m.Numeric = numeric;
    if (numeric)
      m.OutputKinds = {rkDouble};
    plan.Modules.push_back(std::move(m));
  }
  return plan;
}
