#pragma once

#include <string>
#include <sys/types.h>
#include <vector>

// A component host as the editor starts and ends it: the host program runs in a process group
// of its own, with standard input from /dev/null and its output where the caller says; its end
// is known from the process itself (a descriptor that becomes readable when it ends), never
// from its channels alone, which something it started may hold open. Nothing here waits longer
// than it is told: a process that does not go when killed is left to be taken later.
class THostProcess {
public:
  THostProcess() = default;
  THostProcess(const THostProcess&) = delete;
  THostProcess& operator=(const THostProcess&) = delete;
  THostProcess(THostProcess&& other) noexcept;
  THostProcess& operator=(THostProcess&& other) noexcept;
  // Ends a process still there (End(EndWaitMs)).
  ~THostProcess();

  // Starts the program with the arguments; the descriptors in `pass` stay open in it (under
  // their numbers), its standard output and error go to `output` (-1: /dev/null). False, with
  // errno set, when it could not be started.
  bool Start(const std::string& program, const std::vector<std::string>& args,
             const std::vector<int>& pass, int output = -1);
  bool Started() const { return Pid > 0; }
  pid_t GetPid() const { return Pid; }
  // Readable once the process has ended; -1 when the system gives no such descriptor (then
  // Ended must be asked at least every FallbackPollMs).
  int EndDescriptor() const { return PidFd; }
  static constexpr int FallbackPollMs = 50;

  // Whether the process has ended; never waits. Its status is taken then.
  bool Ended();
  // Waits at most waitMs for the end.
  bool WaitEnd(int waitMs);
  // The status it ended with (as waitpid gives it); -1 while it runs or when it is unknown.
  int Status() const { return EndStatus; }
  // Asks it to end with all it started (SIGTERM to the host's guard); when it has not ended
  // after half of waitMs, its whole group is killed; waits at most waitMs in all.
  void End(int waitMs);
  // Kills its whole group at once and waits at most waitMs.
  void Kill(int waitMs);
  static constexpr int EndWaitMs = 500;

  // Takes the status of processes that had not gone when they were left (never waits).
  static void TakeLeftOvers();

private:
  void Forget();

  pid_t Pid = -1;
  int PidFd = -1;
  bool Reaped = false;
  int EndStatus = -1;
};
