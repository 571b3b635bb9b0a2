#pragma once

#include "plugins/unRunPlan.h"

#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

class IModule;
class IModuleList;
class TComponentList;
class TProject;

// A project made ready to run: the plan for the host, and for each module of the plan the
// project's module and the list that holds it.
struct TProjectRun {
  bool Ok = false;
  // Why the project cannot run (a cycle of links names a module on it).
  std::string Error;
  // What will not run, and why, one line each for the log.
  std::vector<std::string> Notes;
  TRunPlan Plan;
  std::vector<std::shared_ptr<IModule>> Modules;
  std::vector<std::shared_ptr<IModuleList>> Lists;
  // The plan index of a project module, or -1.
  std::int32_t IndexOf(const IModule* module) const;
  std::unordered_map<const IModule*, std::int32_t> Index;
};

// Plans a run of every module, on every level, whose component can run: each module after those
// that feed it; a linked input takes the feeding output, an unlinked one the value typed for it.
// A module whose component is missing or a description only is left out with a note (inputs it
// fed take their typed values). A cycle of links is refused.
TProjectRun PlanProjectRun(const TProject& project, const TComponentList& registry);

// How messages and watches name a module: the names from below the main module down to it,
// joined by '/' ("Filter/Adder1").
std::string ModuleLabel(const std::vector<std::u16string>& path);
