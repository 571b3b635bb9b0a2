#include "model/unDragShift.h"

TDragShift::TDragShift(const std::vector<std::shared_ptr<IModule>>& modules, TPoint delta)
    : Delta(delta) {
  for (const auto& module : modules)
    if (module)
      Modules.insert(module.get());
}

TPoint TDragShift::Of(const IModule* module) const {
  return Moves(module) ? Delta : TPoint{};
}
