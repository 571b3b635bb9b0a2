#pragma once

#include "platform/unTypes.h"

#include <memory>
#include <string>
#include <vector>

class IModule;

// A link from one module's output parameter to another module's input parameter, both modules
// of one list. In memory it refers to its modules, so that deleting or reordering modules
// renumbers it; a file names them by their index in the list.
struct TLink {
  std::shared_ptr<IModule> From; // null when the file's "From" named no module of the list
  std::u16string Output;         // the output parameter's "Name"
  std::shared_ptr<IModule> To;   // null when the file's "To" named no module
  std::u16string Input;          // the input parameter's "Name"
  std::vector<TPoint> Points;    // bend points, in order from the output
  // The file's own texts of "From" and "To", written back for an end that named no module.
  std::u16string FromText, ToText;
  // The file had a "Points" element (written back even when it holds no point).
  bool HasPoints = false;
};

// True when both modules are there and have the parameters the link names.
bool LinkResolves(const TLink& link);
