#pragma once

#include <map>
#include <string>

// The string values of the executable's version block "\StringFileInfo\041904E3\", by key
// ("ProductName", "FileVersion", ...); compiled in from the project's version.
const std::map<std::string, std::string>& ExecutableVersionTable();
