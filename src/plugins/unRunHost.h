#pragma once

// The host's side of a run: reads the plan from fd, loads the libraries, makes one instance per
// module, runs the ticks and reports on fd until the plan's ticks are done, the editor asks for a
// stop or closes fd, or a module fails. shmFd is the editor's shared TRunStatus (-1: none).
// Returns the process's exit code.
int RunHostMain(int fd, int shmFd);
