#pragma once

#include <functional>

// The component host's guard: the process the editor starts is not the host itself but its
// guard, so that plug-in code never has the editor for its parent (getppid() reaches only the
// guard). The guard makes itself the reaper of everything the host starts, runs `work` in a
// child (the host, in the guard's process group) and waits. When the host ends, when the guard
// is asked to end (SIGTERM, SIGINT, SIGHUP), or when the guard's own parent ends, the host and
// every process it started, in its group or in a session of its own, are killed before the
// guard ends; the guard then ends the way the host did (its exit code, or its signal).
// Returns only in the host, with work's result; in the guard it never returns.
int RunGuarded(const std::function<int()>& work);

// Kills every descendant of this process and takes their statuses, until none is left (or
// `rounds` passes were not enough for one that keeps starting new ones); the status of `keep`,
// when it is among them, is stored in *status. True when none is left.
bool EndDescendants(int keep, int* status, int rounds = 1000);
