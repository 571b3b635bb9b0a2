#pragma once

#include "model/unIModule.h"
#include "platform/unTypes.h"

#include <memory>
#include <string>
#include <vector>

class IModule;
class IModuleList;
struct TLink;

// What a list holds: its modules and its links, in order.
struct TListState {
  std::shared_ptr<IModuleList> List;
  std::vector<std::shared_ptr<IModule>> Modules;
  std::vector<std::shared_ptr<TLink>> Links;
  // The list's own state now.
  static TListState Of(const std::shared_ptr<IModuleList>& list);
  // Puts exactly these modules and links into the list.
  void ApplyTo() const;
};

// A change of a level's structure worked out before it is made: the list before and after, the
// modules that move, and what is selected after; nothing is changed until it is applied.
struct TRestructure {
  bool Ok = false;
  std::string Reason; // why it cannot be done, for the user
  TListState Before, After;
  struct TMove {
    std::shared_ptr<IModule> Module;
    TPoint From, To;
  };
  std::vector<TMove> Moves;
  struct TValues {
    std::shared_ptr<IModule> Module;
    std::vector<TInputValue> From, To;
  };
  // Typed values that move with the change (Explode: a port's value to the inputs it fed).
  std::vector<TValues> Values;
  std::vector<std::shared_ptr<IModule>> SelectBefore, SelectAfter;
  // Make: the new subsystem.
  std::shared_ptr<IModule> Subsystem;
  // Applies it (after) or takes it back (before): lists, places and focus marks of the level.
  void Apply(bool after) const;
};

// Puts the modules of the level into a new module named by the first free name of "Subsystem",
// in the middle of them: the links among them go inside with them, and every link that crosses
// the selection becomes a port of the new module with a link on each side (one input port for each
// output outside that feeds modules inside, one output port for each output inside that feeds
// modules outside). Refused without modules of the level.
TRestructure PlanMakeSubsystem(const std::shared_ptr<IModuleList>& level,
                               const std::vector<std::shared_ptr<IModule>>& modules);

// The reverse: the modules inside a subsystem of the level, but for its boundary modules, take
// its place (moved so that their middle is where it was), with the links among them; each link
// through a port becomes a link from what fed the port to what it fed, and an input fed by a port
// without a link outside takes the value typed for that port. Refused for a module of no children
// and when a module inside has a name taken on the level.
TRestructure PlanExplode(const std::shared_ptr<IModuleList>& level,
                         const std::shared_ptr<IModule>& subsystem);
