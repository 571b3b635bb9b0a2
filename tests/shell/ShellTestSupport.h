#pragma once

#include "plugins/PluginTestSupport.h"
#include "plugins/unComponentList.h"

#include <memory>

// A registry of the sample components Adder and Comparator, in that order.
inline std::unique_ptr<TComponentList> SampleRegistry() {
  auto registry = std::make_unique<TComponentList>();
  registry->ProbeProgram = ZU_PROBE;
  registry->AddComponent(Samples + "Adder.so");
  registry->AddComponent(Samples + "Comparator.so");
  return registry;
}
