#include "plugins/unRunner.h"

#include "platform/unStrings.h"
#include "plugins/unHostProtocol.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <new>
#include <poll.h>
#include <sys/mman.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

TRunner::~TRunner() {
  if (Pid > 0 && !Over) {
    Kill();
    Reap(true);
  }
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
  auto fail = [error](const std::string& why) {
    if (error)
      *error = why + ": " + std::strerror(errno);
    return false;
  };
  Plan = plan;
  Greeted = false;
  Values.assign(plan.Modules.size(), {});
  for (std::size_t i = 0; i < plan.Modules.size(); ++i)
    Values[i].assign(plan.Modules[i].Outputs.size(), {});
  const int shm = memfd_create("zu-run", MFD_CLOEXEC);
  if (shm < 0 || ftruncate(shm, sizeof(TRunStatus)) != 0) {
    if (shm >= 0)
      close(shm);
    return fail("не удалось выделить общую память");
  }
  void* shared = mmap(nullptr, sizeof(TRunStatus), PROT_READ | PROT_WRITE, MAP_SHARED, shm, 0);
  if (shared == MAP_FAILED) {
    close(shm);
    return fail("не удалось выделить общую память");
  }
  Status = new (shared) TRunStatus;
  int fds[2];
  if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, fds) != 0) {
    close(shm);
    return fail("не удалось открыть канал к процессу компонентов");
  }
  // The editor runs no component code itself: without its host program there is no run.
  if (host.empty() || access(host.c_str(), X_OK) != 0) {
    close(shm);
    close(fds[0]);
    close(fds[1]);
    return fail("программа компонентов «" + host + "» не найдена");
  }
  const std::string fdText = std::to_string(fds[1]), shmText = std::to_string(shm);
  const pid_t pid = fork();
  if (pid == 0) {
    setpgid(0, 0);
    const int null = open("/dev/null", O_RDWR);
    if (null >= 0) {
      dup2(null, 0);
      dup2(null, 1);
      dup2(null, 2);
    }
    fcntl(fds[1], F_SETFD, 0);
    fcntl(shm, F_SETFD, 0);
    execl(host.c_str(), host.c_str(), "--run", fdText.c_str(), shmText.c_str(), nullptr);
    _exit(127);
  }
  close(fds[1]);
  close(shm);
  if (pid < 0) {
    close(fds[0]);
    return fail("не удалось запустить процесс компонентов");
  }
  setpgid(pid, pid);
  Pid = pid;
  Fd = fds[0];
  fcntl(Fd, F_SETFL, O_NONBLOCK);
  // A host gone before it read its plan is seen by Poll, which tells why.
  WriteAll(Fd, Encode(THelloMessage{}).Frame() + Encode(plan).Frame());
  return true;
}

void TRunner::Fail(std::int32_t module, std::int64_t tick, const std::string& text) {
  if (!Failure.empty())
    return;
  if (module < 0)
    Failure = text;
  else if (tick <= 0)
    Failure = "Модуль «" + Label(module) + "» не запущен: " + text;
  else
    Failure = "Модуль «" + Label(module) + "», такт " + std::to_string(tick) + ": " + text;
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
  TMessageReader r(payload);
  switch (r.HostKind()) {
  case THostKind::Ready:
    if (TReadyMessage ready; Decode(r, ready)) {
      Ready = true;
      return;
    }
    break;
  case THostKind::Values:
    if (TValuesMessage values; Decode(r, values)) {
      for (const TValuesMessage::TValue& v : values.Values) {
        if (v.Module < 0 || static_cast<std::size_t>(v.Module) >= Values.size() || v.Output < 0 ||
            static_cast<std::size_t>(v.Output) >= Values[static_cast<std::size_t>(v.Module)].size())
          break;
        Values[static_cast<std::size_t>(v.Module)][static_cast<std::size_t>(v.Output)] = v.Text;
      }
      Tick = std::max(Tick, values.Tick);
      if (OnValues)
        OnValues();
      return;
    }
    break;
  case THostKind::Row:
    if (TRowMessage row; Decode(r, row)) {
      if (row.Values.size() == Plan.Watch.size() && OnRow)
        OnRow(row.Tick, row.Values);
      return;
    }
    break;
  case THostKind::Error:
    if (TErrorMessage error; Decode(r, error)) {
      Fail(error.Module, error.Tick, error.Text);
      if (error.Tick > 0)
        Tick = error.Tick;
      return;
    }
    break;
  case THostKind::End:
    if (TEndMessage end; Decode(r, end)) {
      Ended = true;
      Tick = std::max(Tick, end.Ticks);
      return;
    }
    break;
  default:
    break;
  }
  Fail(-1, 0, "непонятный ответ процесса компонентов");
}

void TRunner::Kill() {
  if (Pid > 0)
    kill(-Pid, SIGKILL);
}

void TRunner::Reap(bool killed) {
  int status = -1;
  while (waitpid(Pid, &status, 0) < 0 && errno == EINTR) {
  }
  Over = true;
  if (killed || Ended || !Failure.empty())
    return;
  // It ended without a word: the module it was in took it down.
  const std::int32_t module = Status->Module.load();
  const std::int64_t tick = Status->Tick.load();
  std::string how = "процесс компонентов завершился";
  if (status != -1 && WIFSIGNALED(status)) {
    const char* name = strsignal(WTERMSIG(status));
    how = "процесс компонентов завершён сигналом " + std::to_string(WTERMSIG(status)) + " (" +
          (name ? name : "?") + ")";
  } else if (status != -1 && WIFEXITED(status)) {
    how += " с кодом " + std::to_string(WEXITSTATUS(status));
  }
  Fail(Status->Phase.load() != rpIdle ? module : -1, Status->Phase.load() == rpLoad ? 0 : tick,
       Status->Phase.load() != rpIdle ? how : "Выполнение прервано: " + how);
}

bool TRunner::Poll(int waitMs) {
  if (Pid <= 0 || Over)
    return false;
  // The nearest moment a call into a module runs out of time.
  const std::int32_t phase = Status->Phase.load(std::memory_order_acquire);
  const std::int64_t now = MonotonicNs();
  if (phase != rpIdle) {
    const std::int64_t limit =
        static_cast<std::int64_t>(phase == rpStep ? StepLimitMs : LoadLimitMs) * 1000000;
    const std::int64_t since = Status->SinceNs.load();
    if (now - since > limit) {
      const std::int32_t module = Status->Module.load();
      Kill();
      const std::string what = phase == rpStep   ? "шаг"
                               : phase == rpLoad ? "создание экземпляра"
                                                 : "освобождение";
      Fail(module, phase == rpLoad ? 0 : Status->Tick.load(),
           what + " не закончился за " + std::to_string(limit / 1000000) +
               " мс; процесс компонентов остановлен");
      Reap(true);
      return false;
    }
    waitMs = std::min<std::int64_t>(waitMs, (since + limit - now) / 1000000 + 1);
  }
  pollfd p{Fd, POLLIN, 0};
  if (poll(&p, 1, std::max(0, waitMs)) < 0 && errno != EINTR)
    return true;
  bool closed = false;
  for (int chunks = 0; chunks < 256; ++chunks) {
    char buf[65536];
    const ssize_t n = read(Fd, buf, sizeof buf);
    if (n > 0) {
      Frames.Append(buf, static_cast<std::size_t>(n));
      continue;
    }
    if (n == 0 || (errno != EAGAIN && errno != EINTR))
      closed = true;
    break;
  }
  std::string payload;
  while (Frames.Next(payload))
    Handle(payload);
  if (Frames.Broken()) {
    Fail(-1, 0, "Выполнение прервано: непонятный ответ процесса компонентов");
    Kill();
    Reap(true);
    return false;
  }
  if (closed) {
    Reap(false);
    return false;
  }
  if (!Failure.empty() || Ended) {
    // It reported its end; it goes on its own, or is made to.
    for (int i = 0; i < 100; ++i) {
      if (waitpid(Pid, nullptr, WNOHANG) == Pid) {
        Over = true;
        return false;
      }
      usleep(10000);
    }
    Kill();
    Reap(true);
    return false;
  }
  return true;
}

void TRunner::Stop() {
  if (!Running())
    return;
  WriteAll(Fd, Encode(TStopMessage{}).Frame());
  const std::int64_t until = MonotonicNs() + static_cast<std::int64_t>(StopWaitMs) * 1000000;
  while (Poll(50))
    if (MonotonicNs() > until) {
      Kill();
      Reap(true);
      break;
    }
}

void TRunner::SetRate(double hz) {
  if (Running() && hz >= 0)
    WriteAll(Fd, Encode(TRateMessage{static_cast<std::int64_t>(hz * 1000 + 0.5)}).Frame());
}

void TRunner::Wait() {
  while (Poll(1000)) {
  }
}
