#pragma once

#include <string>

// The folder of the running executable with a trailing '/', empty when it cannot be found.
std::string ExeFolder();
// The running executable's file name without its folder.
std::string ExeName();
// ExeName without its extension (what follows its last '.', unless the name starts there).
std::string ExeBaseName();
