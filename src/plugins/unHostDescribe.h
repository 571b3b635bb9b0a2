#pragma once

#include "plugins/unComponentAnswer.h"

#include <string>
#include <vector>

// The component host's side of describing libraries.

// Loads the library in this process and asks it: its description, both parameter texts (when it
// has ZU_Plugin_Run), and which entry points it exports; frees every string it hands back and
// unloads it. With logWrapper the library wrapper's messages are kept in the answer. Meant for a
// host process: a library that crashes or hangs takes the process with it.
TComponentAnswer DescribeHere(const std::string& file, bool logWrapper);

// Says hello on fd, then describes each file in turn and writes its answer there; each file is
// noted in the scan journal journalFd (when there is one) before it is loaded (the asker notes
// the answer once it has it). False when fd is closed.
bool DescribeInto(int fd, const std::vector<std::string>& files, bool logWrapper,
                  int journalFd = -1);
