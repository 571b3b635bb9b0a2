#pragma once

#include <csignal>

// Keeps the signal dispositions the program relies on (SIGCHLD above all: waiting for a child
// process needs it not to be ignored) and puts them back when it goes, undoing what plug-in code
// run meanwhile changed; a pending alarm that code set is cancelled too.
class TSignalGuard {
public:
  TSignalGuard();
  ~TSignalGuard();
  TSignalGuard(const TSignalGuard&) = delete;
  TSignalGuard& operator=(const TSignalGuard&) = delete;

private:
  static constexpr int Signals[] = {SIGCHLD, SIGPIPE, SIGALRM, SIGHUP,
                                    SIGINT,  SIGTERM, SIGUSR1, SIGUSR2};
  struct sigaction Saved[sizeof Signals / sizeof Signals[0]];
  bool HadAlarm;
};
