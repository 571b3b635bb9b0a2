#pragma once

#include "plugins/unComponent.h"

#include <string>
#include <vector>

// The components browser's report of one component, line by line: its description, its version
// and its input and output parameters between separator lines, each value after a label of 13
// characters.
std::vector<std::u16string> ComponentReport(const IComponent& component);
