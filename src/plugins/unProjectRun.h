#pragma once

#include "plugins/unCondition.h"
#include "plugins/unRunPlan.h"

#include <map>
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

  // Where the value of an output of a module that does not run itself comes from: a port of a
  // subsystem, or the value of an "@input" module inside one. A module's output of the plan, or
  // a constant (the value typed for the port the value enters by).
  struct TSource {
    std::int32_t Module = -1; // plan index; -1: Constant, or nothing when !HasConstant
    std::int32_t Output = -1;
    bool HasConstant = false;
    std::string Constant;
  };
  // For the outputs links start from: null when the output is no such pass-through or gets
  // nothing.
  const TSource* PassedThrough(const IModule* module, const std::u16string& output) const;
  std::map<std::pair<const IModule*, std::u16string>, TSource> Passes;
  // Where the value of MODULE.PARAM comes from ("Filter/Adder1", "Sum"): an output of the plan
  // (an input's is its feeding output's), or a typed value (HasConstant); false with the reason.
  bool ValueOf(const std::string& label, const std::string& param, TSource& source,
               std::string& why) const;
  // Adds a break condition to the plan, its names found as ValueOf finds them; false with the
  // reason (nothing added).
  bool AddBreak(const TCondition& condition, std::string& why);
  // The modules that do not run themselves (subsystems, boundary modules), by their labels.
  std::map<std::string, const IModule*> Others;
};

// Plans a run of every module, on every level, whose component can run: each module after those
// that feed it; a linked input takes the feeding output, an unlinked one the value typed for it.
// Levels are flattened: a value that enters a subsystem's port leaves its "@input" module inside
// in the same tick, and one that reaches an "@output" module leaves the subsystem's port of that
// name; an unlinked port gives the value typed for it on the subsystem. A module whose component
// is missing or a description only is left out with a note (inputs it fed take their typed
// values). A cycle of links, through subsystems too, is refused, and so is a typed value that
// does not read as its input's type.
TProjectRun PlanProjectRun(const TProject& project, const TComponentList& registry);

// How messages and watches name a module: the names from below the main module down to it,
// joined by '/' ("Filter/Adder1").
std::string ModuleLabel(const std::vector<std::u16string>& path);
