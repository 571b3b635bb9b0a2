#include "plugins/unRunner.h"

#include "platform/unLanguage.h"
#include "platform/unStrings.h"
#include "plugins/unHostProtocol.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <new>
#include <poll.h>
#include <sys/mman.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// How long a killed host is waited for before it is left to be taken later.
constexpr int KillWaitMs = 200;

std::int64_t MsToNs(std::int64_t ms) {
  return ms * 1000000;
}

// A text with one number in it. Kept out of line: inlined into Poll, GCC takes the argument list
// for uninitialised (a false -Wmaybe-uninitialized).
[[gnu::noinline]] std::string SayNumber(const char* format, std::int64_t number) {
  return Say(format, {number});
}

} // namespace

TRunner::~TRunner() {
  if (Running())
    Kill();
  if (Fd >= 0)
    close(Fd);
  if (Status)
    munmap(Status, sizeof(TRunStatus));
}

std::string TRunner::Label(std::int32_t module) const {
  if (module < 0 || module >= static_cast<std::int32_t>(Plan.Modules.size()))
    return "?";
  return Plan.Modules[static_cast<std::size_t>(module)].Label;
}

bool TRunner::Start(const TRunPlan& plan, const std::string& host, std::string* error) {
  auto fail = [error](const char* why) {
    if (error)
      *error = Say(why, {std::string(std::strerror(errno))});
    return false;
  };
  Plan = plan;
  Greeted = false;
  Values.assign(plan.Modules.size(), {});
  for (std::size_t i = 0; i < plan.Modules.size(); ++i)
    Values[i].assign(plan.Modules[i].Outputs.size(), {});
  // The editor runs no component code itself: without its host program there is no run.
  if (host.empty() || access(host.c_str(), X_OK) != 0) {
    if (error)
      *error = Say("программа компонентов «%s» не найдена", {host});
    return false;
  }
  const TMessageWriter planMessage = Encode(plan);
  if (planMessage.Payload().size() > MaxFrameBytes) {
    if (error)
      *error = Say("план выполнения занимает %d МиБ, больше предела в %d МиБ",
                   {static_cast<std::int64_t>(planMessage.Payload().size() >> 20),
                    static_cast<std::int64_t>(MaxFrameBytes >> 20)});
    return false;
  }
  const int shm = memfd_create("zu-run", MFD_CLOEXEC);
  if (shm < 0 || ftruncate(shm, sizeof(TRunStatus)) != 0) {
    if (shm >= 0)
      close(shm);
    return fail("не удалось выделить общую память: %s");
  }
  void* shared = mmap(nullptr, sizeof(TRunStatus), PROT_READ | PROT_WRITE, MAP_SHARED, shm, 0);
  if (shared == MAP_FAILED) {
    close(shm);
    return fail("не удалось выделить общую память: %s");
  }
  Status = new (shared) TRunStatus;
  int fds[2];
  if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, fds) != 0) {
    close(shm);
    return fail("не удалось открыть канал к процессу компонентов: %s");
  }
  const bool started =
      Host.Start(host, {"--run", std::to_string(fds[1]), std::to_string(shm)}, {fds[1], shm});
  const int startErrno = errno;
  close(fds[1]);
  close(shm);
  if (!started) {
    close(fds[0]);
    errno = startErrno;
    return fail("не удалось запустить процесс компонентов: %s");
  }
  Fd = fds[0];
  fcntl(Fd, F_SETFL, O_NONBLOCK);
  // A host gone before it read its plan is seen by Poll, which tells why; a plan the channel
  // does not take at once goes as the host reads.
  Send(Encode(THelloMessage{}).Frame() + planMessage.Frame());
  return true;
}

void TRunner::Send(const std::string& frame) {
  if (ChannelClosed)
    return;
  Outgoing += frame;
  Flush();
}

void TRunner::Flush() {
  while (!Outgoing.empty() && !ChannelClosed) {
    const ssize_t n = send(Fd, Outgoing.data(), Outgoing.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
    if (n > 0) {
      Outgoing.erase(0, static_cast<std::size_t>(n));
      continue;
    }
    if (n < 0 && errno == EINTR)
      continue;
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
      return;
    // The other end is gone: nothing more goes there.
    Outgoing.clear();
    return;
  }
}

void TRunner::Fail(std::int32_t module, std::int64_t tick, const std::string& given) {
  if (!Failure.empty())
    return;
  // A module may say anything of any length: what is kept is a message a reader can use.
  const std::string text = ShownText(given, MaxFailureBytes);
  FailedModule =
      module >= 0 && module < static_cast<std::int32_t>(Plan.Modules.size()) ? module : -1;
  if (module < 0)
    Failure = text;
  else if (tick <= 0)
    Failure = Say("Модуль «%s» не запущен: %s", {Label(module), text});
  else
    Failure = Say("Модуль «%s», такт %d: %s", {Label(module), tick, text});
}

void TRunner::Handle(const std::string& payload) {
  // The host's first word is its hello: a host of another version is refused.
  if (!Greeted) {
    if (const std::string refused = RefusedHello(payload); !refused.empty()) {
      Fail(-1, 0, refused);
      Kill();
      return;
    }
    Greeted = true;
    return;
  }
  auto impossible = [this] {
    Fail(-1, 0, Say("непонятный ответ процесса компонентов"));
    Kill();
  };
  // After its end a host says nothing more.
  if (Finished)
    return impossible();
  // A tick beyond the plan's last, or before one already reported, cannot be.
  auto possible = [this](std::int64_t tick) {
    return tick >= Tick && tick >= 0 && (Plan.Ticks == 0 || tick <= Plan.Ticks);
  };
  TMessageReader r(payload);
  switch (r.HostKind()) {
  case THostKind::Ready:
    if (TReadyMessage ready; Decode(r, ready) && !Ready) {
      Ready = true;
      return;
    }
    break;
  case THostKind::Values:
    if (TValuesMessage values; Decode(r, values) && possible(values.Tick)) {
      for (const TValuesMessage::TValue& v : values.Values) {
        if (v.Module < 0 || static_cast<std::size_t>(v.Module) >= Values.size() || v.Output < 0 ||
            static_cast<std::size_t>(v.Output) >= Values[static_cast<std::size_t>(v.Module)].size())
          return impossible();
        Values[static_cast<std::size_t>(v.Module)][static_cast<std::size_t>(v.Output)] = v.Text;
      }
      Tick = values.Tick;
      if (OnValues)
        OnValues();
      return;
    }
    break;
  case THostKind::Row:
    if (TRowMessage row; Decode(r, row) && row.Tick == RowTick + 1 && possible(row.Tick) &&
                         row.Values.size() == Plan.Watch.size()) {
      RowTick = row.Tick;
      Tick = row.Tick;
      if (OnRow)
        OnRow(row.Tick, row.Values);
      return;
    }
    break;
  case THostKind::Error:
    if (TErrorMessage error; Decode(r, error)) {
      Fail(error.Module, error.Tick, error.Text);
      if (error.Tick > 0 && possible(error.Tick))
        Tick = error.Tick;
      return;
    }
    break;
  case THostKind::Log:
    if (TLogMessage log; Decode(r, log) && log.Module >= -1 &&
                         log.Module < static_cast<std::int32_t>(Plan.Modules.size())) {
      if (OnLog)
        OnLog(log.Module >= 0 ? Label(log.Module) : std::string(), log.Type,
              ShownText(log.Text, MaxFailureBytes));
      return;
    }
    break;
  case THostKind::Paused:
    if (TPausedMessage paused; Decode(r, paused) && possible(paused.Tick) &&
                               paused.Break < static_cast<std::int32_t>(Plan.Breaks.size())) {
      Tick = paused.Tick;
      IsPausedNow = true;
      if (OnPaused)
        OnPaused(paused.Tick, paused.Break);
      return;
    }
    break;
  case THostKind::Stats:
    if (TStatsMessage stats; Decode(r, stats) && possible(stats.Ticks)) {
      Stats = stats;
      return;
    }
    break;
  case THostKind::End:
    // A run of so many ticks ends after the last; one asked to stop may end before.
    if (TEndMessage end; Decode(r, end) && possible(end.Ticks) &&
                         (Plan.Ticks == 0 || end.Ticks == Plan.Ticks || StopRequested()) &&
                         (Plan.Watch.empty() || end.Ticks == RowTick)) {
      Finished = true;
      Tick = end.Ticks;
      return;
    }
    break;
  default:
    break;
  }
  impossible();
}

void TRunner::Kill() {
  // Its guard ends it with all it started; the whole group is killed when the guard does not.
  Host.End(KillWaitMs);
  Over = true;
}

bool TRunner::ReadChannel() {
  if (ChannelClosed)
    return false;
  for (int chunks = 0; chunks < 256; ++chunks) {
    char buf[65536];
    const ssize_t n = read(Fd, buf, sizeof buf);
    if (n > 0) {
      Frames.Append(buf, static_cast<std::size_t>(n));
      continue;
    }
    if (n < 0 && errno == EINTR)
      continue;
    if (n == 0 || errno != EAGAIN)
      ChannelClosed = true;
    break;
  }
  return !ChannelClosed;
}

void TRunner::HostEnded() {
  // What it wrote before it ended.
  ReadChannel();
  std::string payload;
  while (!Over && Frames.Next(payload))
    Handle(payload);
  if (Over)
    return;
  Over = true;
  if (Finished || !Failure.empty())
    return;
  // It ended without a word: the module it was in took it down.
  const std::int32_t phase = Status->Phase.load();
  const std::int32_t module = Status->Module.load();
  const std::int64_t tick = Status->Tick.load();
  const int status = Host.Status();
  std::string how = Say("процесс компонентов завершился");
  if (status != -1 && WIFSIGNALED(status)) {
    const char* name = strsignal(WTERMSIG(status));
    how = Say("процесс компонентов завершён сигналом %d (%s)",
              {static_cast<std::int32_t>(WTERMSIG(status)), std::string(name ? name : "?")});
  } else if (status != -1 && WIFEXITED(status)) {
    how = Say("процесс компонентов завершился с кодом %d",
              {static_cast<std::int32_t>(WEXITSTATUS(status))});
  }
  const bool inModule =
      phase != rpIdle && module >= 0 && module < static_cast<std::int32_t>(Plan.Modules.size());
  Fail(inModule ? module : -1, phase == rpLoad ? 0 : tick, how);
}

bool TRunner::Poll(int waitMs) {
  if (!Host.Started() || Over)
    return false;
  std::int64_t now = MonotonicNs();
  // The nearest moment a call into a module runs out of time.
  const std::int32_t phase = Status->Phase.load(std::memory_order_acquire);
  std::int64_t nearest = now + MsToNs(std::max(0, waitMs));
  if (phase != rpIdle && !ChannelClosed) {
    const std::int64_t limit = MsToNs(phase == rpStep ? StepLimitMs : LoadLimitMs);
    // The status keeps the coarse clock; the fine one is never behind it.
    const std::int64_t since = Status->SinceNs.load() + (now - MonotonicCoarseNs());
    if (now - since > limit) {
      const std::int32_t module = Status->Module.load();
      const char* what =
          phase == rpStep ? "шаг не закончился за %d мс; процесс компонентов остановлен"
          : phase == rpLoad
              ? "создание экземпляра не закончилось за %d мс; процесс компонентов "
                "остановлен"
              : "освобождение не закончилось за %d мс; процесс компонентов остановлен";
      Fail(module, phase == rpLoad ? 0 : Status->Tick.load(), SayNumber(what, limit / 1000000));
      Kill();
      return false;
    }
    nearest = std::min(nearest, since + limit + 1000000);
  }
  for (const std::int64_t deadline : {EndDeadlineNs, StopDeadlineNs})
    if (deadline != 0)
      nearest = std::min(nearest, deadline);
  // Waits on the channel and on the process itself, never longer than the nearest moment.
  pollfd fds[2];
  nfds_t count = 0;
  if (!ChannelClosed)
    fds[count++] = {Fd, static_cast<short>(POLLIN | (Outgoing.empty() ? 0 : POLLOUT)), 0};
  if (Host.EndDescriptor() >= 0)
    fds[count++] = {Host.EndDescriptor(), POLLIN, 0};
  std::int64_t waitNs = std::max<std::int64_t>(0, nearest - now);
  if (Host.EndDescriptor() < 0)
    waitNs = std::min(waitNs, MsToNs(THostProcess::FallbackPollMs));
  if (poll(fds, count, static_cast<int>((waitNs + 999999) / 1000000)) < 0 && errno != EINTR)
    return true;
  Flush();
  ReadChannel();
  std::string payload;
  while (!Over && Frames.Next(payload))
    Handle(payload);
  if (Over)
    return false;
  if (Frames.Broken()) {
    Fail(-1, 0, Say("непонятный ответ процесса компонентов"));
    Kill();
    return false;
  }
  if (Host.Ended()) {
    HostEnded();
    return false;
  }
  now = MonotonicNs();
  // A host that said its end or failure, or closed its channel, ends by itself soon, or is made to.
  if (EndDeadlineNs == 0 && (ChannelClosed || Finished || !Failure.empty()))
    EndDeadlineNs = now + MsToNs(EndWaitMs);
  if (EndDeadlineNs != 0 && now >= EndDeadlineNs) {
    if (!Finished) {
      const std::int32_t in = Status->Phase.load();
      Fail(in != rpIdle ? Status->Module.load() : -1, in == rpLoad ? 0 : Status->Tick.load(),
           SayNumber("процесс компонентов закрыл канал и не завершился за %d мс; он остановлен",
                     EndWaitMs));
    }
    Kill();
    return false;
  }
  if (StopDeadlineNs != 0 && now >= StopDeadlineNs) {
    Kill();
    return false;
  }
  return true;
}

void TRunner::RequestStop() {
  if (!Running() || StopRequested())
    return;
  Send(Encode(TStopMessage{}).Frame());
  StopDeadlineNs = MonotonicNs() + MsToNs(StopWaitMs);
}

void TRunner::Stop() {
  RequestStop();
  while (Poll(50)) {
  }
}

void TRunner::Abort() {
  if (Running())
    Kill();
}

void TRunner::SetRate(double hz) {
  if (Running() && hz >= 0)
    Send(Encode(TRateMessage{static_cast<std::int64_t>(std::llround(hz * 1e6))}).Frame());
}

void TRunner::Pause() {
  if (Running() && !IsPausedNow)
    Send(Encode(TControlMessage{TControlMessage::Pause}).Frame());
}

void TRunner::Resume() {
  if (Running() && IsPausedNow) {
    IsPausedNow = false;
    Send(Encode(TControlMessage{TControlMessage::Resume}).Frame());
  }
}

bool TRunner::StepOnce() {
  if (!Running() || !IsPausedNow)
    return false;
  IsPausedNow = false; // until the host says it paused after the step
  Send(Encode(TControlMessage{TControlMessage::Step}).Frame());
  return true;
}

void TRunner::Wait() {
  while (Poll(1000)) {
  }
}
