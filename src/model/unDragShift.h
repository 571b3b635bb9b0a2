#pragma once

#include "platform/unTypes.h"

#include <memory>
#include <unordered_set>
#include <vector>

class IModule;

// Modules drawn away from where they stand, all by one offset: a drag under way, shown before it
// becomes a move. Their links follow their ends; the model itself is not touched.
class TDragShift {
public:
  TDragShift() = default;
  TDragShift(const std::vector<std::shared_ptr<IModule>>& modules, TPoint delta);

  // The offset of the module: Delta for a module of the drag, none for any other.
  TPoint Of(const IModule* module) const;
  bool Moves(const IModule* module) const { return module && Modules.contains(module); }
  bool Empty() const { return Modules.empty() || (Delta.X == 0 && Delta.Y == 0); }
  // Whether it moves any module (perhaps by no offset, at the start of a drag).
  bool HasModules() const { return !Modules.empty(); }
  TPoint GetDelta() const { return Delta; }
  // Whether both move the same modules (by whatever offsets).
  bool SameModules(const TDragShift& other) const { return Modules == other.Modules; }

private:
  std::unordered_set<const IModule*> Modules;
  TPoint Delta;
};
