#pragma once

#include "plugins/unHostMessage.h"
#include "plugins/unHostProcess.h"
#include "plugins/unHostProtocol.h"
#include "plugins/unRunPlan.h"

#include <functional>
#include <string>
#include <sys/types.h>
#include <vector>

// Runs a plan in a component host process and follows it: takes the values the host reports,
// and watches that the host stays alive and that no call into a module lasts too long. Whatever
// the host does, the caller only sees a run that ended, cleanly or with a message naming the
// module and the tick. No call waits longer than it is told (Stop: StopWaitMs and a kill): a host
// that closes its channel and does not end, or ends while something it started holds the channel,
// is seen from the process itself. Not thread-safe: one thread starts, polls and stops.
class TRunner {
public:
  TRunner() = default;
  TRunner(const TRunner&) = delete;
  TRunner& operator=(const TRunner&) = delete;
  // Ends a run still under way (the host is killed).
  ~TRunner();

  // Starts the host (the program host, "host --run FD SHMFD") and hands it the plan after the
  // hello. False, with the reason, when no host could be started (its program missing too).
  bool Start(const TRunPlan& plan, const std::string& host, std::string* error = nullptr);
  // Handles what the host sent, waiting up to waitMs for something; checks that the host lives
  // and that no call into a module has gone on too long. False once the run is over.
  bool Poll(int waitMs);
  // Asks the host to stop after its tick without waiting; Poll sees the end, and kills the host
  // when it has not ended StopWaitMs later.
  void RequestStop();
  bool StopRequested() const { return StopDeadlineNs != 0; }
  // Asks the host to stop after its tick and waits (at most StopWaitMs, then kills it).
  void Stop();
  // Ends the run at once: the host and all it started are killed.
  void Abort();
  // Polls until the run is over.
  void Wait();
  // Ticks per second from now on (0: as fast as possible).
  void SetRate(double hz);
  // Asks the host to pause after its tick; OnPaused follows when it has.
  void Pause();
  // Goes on at the pace from a pause.
  void Resume();
  // Runs one tick while paused (OnPaused follows after it); false when not paused.
  bool StepOnce();
  // The host said it paused and nothing asked it to go on since.
  bool Paused() const { return IsPausedNow && Running(); }
  // The pace's figures the host told last.
  const TStatsMessage& GetStats() const { return Stats; }

  bool Running() const { return Host.Started() && !Over; }
  // The run ended with a failure: Failure holds the message.
  bool Failed() const { return !Failure.empty(); }
  const std::string& GetFailure() const { return Failure; }
  // The plan's module the failure names; -1 when it names none.
  std::int32_t GetFailedModule() const { return FailedModule; }
  // The tick of the latest report, and the ticks done when the run ended.
  std::int64_t GetTick() const { return Tick; }
  // Every instance was made and the ticks began.
  bool IsReady() const { return Ready; }
  // The latest value of each output of each module of the plan (empty before the first).
  const std::vector<std::vector<std::string>>& GetValues() const { return Values; }
  // The descriptor to wait on for news from the host; -1 when none.
  int Descriptor() const { return Fd; }
  // Readable when the host has ended; -1 when the system gives none (then Poll at least every
  // THostProcess::FallbackPollMs).
  int EndDescriptor() const { return Host.EndDescriptor(); }

  // Called with each watched row (the tick and the watched values in the plan's order).
  std::function<void(std::int64_t, const std::vector<std::string>&)> OnRow;
  // Called after the values changed.
  std::function<void()> OnValues;
  // Called when the host paused after a tick: the tick and the plan's break condition that held
  // (-1: the pause was asked for, or a step was done).
  std::function<void(std::int64_t, std::int32_t)> OnPaused;
  // Called with each message a module wrote for the program's log: the module's label (empty for
  // the host's own), its type (1 error, 2 warning, 3 information) and its text.
  std::function<void(const std::string&, int, const std::string&)> OnLog;

  // A failure's text is cut to this many bytes.
  static constexpr std::size_t MaxFailureBytes = 4096;
  // How long one step may take, and making or freeing an instance.
  int StepLimitMs = 2000;
  int LoadLimitMs = 10000;
  int StopWaitMs = 3000;
  // How long a host that said its end, or closed its channel, may take to end by itself.
  int EndWaitMs = 1000;

private:
  void Handle(const std::string& payload);
  void Fail(std::int32_t module, std::int64_t tick, const std::string& text);
  // The host ended by itself: what it still wrote is taken, and the cause of an end nobody
  // reported is told.
  void HostEnded();
  // The host is killed; the run is over.
  void Kill();
  // Sends what is waiting to go to the host, as far as the channel takes it now.
  void Flush();
  void Send(const std::string& frame);
  // Reads what the channel holds; false when it is closed.
  bool ReadChannel();
  std::string Label(std::int32_t module) const;

  TRunPlan Plan;
  THostProcess Host;
  int Fd = -1;
  std::string Outgoing;
  bool ChannelClosed = false;
  // When the host must have ended by (0: no such moment yet).
  std::int64_t EndDeadlineNs = 0;
  std::int64_t StopDeadlineNs = 0;
  // The last tick of a row, checked to be the one after the row before.
  std::int64_t RowTick = 0;
  TRunStatus* Status = nullptr;
  TFrameBuffer Frames;
  bool Over = false;
  bool Finished = false; // the host said it ended cleanly
  bool Ready = false;
  bool Greeted = false; // the host said hello with this editor's version
  std::string Failure;
  std::int64_t Tick = 0;
  std::vector<std::vector<std::string>> Values;
  bool IsPausedNow = false;
  std::int32_t FailedModule = -1;
  TStatsMessage Stats;
};
