#include "plugins/unHostProcess.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <linux/close_range.h>
#include <mutex>
#include <poll.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// Processes left before they had gone, taken by TakeLeftOvers.
std::mutex LeftLock;
std::vector<pid_t>& LeftOvers() {
  static auto* left = new std::vector<pid_t>;
  return *left;
}

int OpenPidFd(pid_t pid) {
#ifdef SYS_pidfd_open
  const long fd = syscall(SYS_pidfd_open, pid, 0);
  if (fd >= 0) {
    fcntl(static_cast<int>(fd), F_SETFD, FD_CLOEXEC);
    return static_cast<int>(fd);
  }
#endif
  (void)pid;
  return -1;
}

std::int64_t NowMs() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

} // namespace

THostProcess::THostProcess(THostProcess&& other) noexcept
    : Pid(other.Pid), PidFd(other.PidFd), Reaped(other.Reaped), EndStatus(other.EndStatus) {
  other.Pid = -1;
  other.PidFd = -1;
}

THostProcess& THostProcess::operator=(THostProcess&& other) noexcept {
  if (this != &other) {
    if (Pid > 0 && !Reaped)
      End(EndWaitMs);
    Forget();
    Pid = other.Pid;
    PidFd = other.PidFd;
    Reaped = other.Reaped;
    EndStatus = other.EndStatus;
    other.Pid = -1;
    other.PidFd = -1;
  }
  return *this;
}

THostProcess::~THostProcess() {
  if (Pid > 0 && !Reaped)
    End(EndWaitMs);
  Forget();
}

void THostProcess::Forget() {
  if (PidFd >= 0)
    close(PidFd);
  PidFd = -1;
  if (Pid > 0 && !Reaped) {
    std::lock_guard<std::mutex> guard(LeftLock);
    LeftOvers().push_back(Pid);
  }
  Pid = -1;
}

bool THostProcess::Start(const std::string& program, const std::vector<std::string>& args,
                         const std::vector<int>& pass, int output) {
  TakeLeftOvers();
  // Everything the child needs is made before the fork: after it, only system calls, which are
  // safe in the child of a process with threads and in one that shares its parent's memory until
  // it runs the program (vfork: a large editor is not copied for a moment's use).
  std::vector<const char*> argv{program.c_str()};
  for (const std::string& a : args)
    argv.push_back(a.c_str());
  argv.push_back(nullptr);
  const pid_t pid = vfork();
  if (pid == 0) {
    setpgid(0, 0);
    const int null = open("/dev/null", O_RDWR);
    if (null >= 0)
      dup2(null, 0);
    const int out = output >= 0 ? output : null;
    if (out >= 0) {
      dup2(out, 1);
      dup2(out, 2);
    }
    // Nothing of the editor's goes along but what is passed: a descriptor left open in the host
    // would keep a line, a pipe or a device of the editor's from ever closing.
    if (close_range(3, ~0U, CLOSE_RANGE_CLOEXEC) != 0)
      for (int fd = 3; fd < 1024; ++fd)
        fcntl(fd, F_SETFD, FD_CLOEXEC);
    for (int fd : pass)
      fcntl(fd, F_SETFD, 0);
    execv(program.c_str(), const_cast<char* const*>(argv.data()));
    _exit(127);
  }
  if (pid < 0)
    return false;
  setpgid(pid, pid); // also here, so that the group exists before anything is killed
  Pid = pid;
  Reaped = false;
  EndStatus = -1;
  PidFd = OpenPidFd(pid);
  return true;
}

bool THostProcess::Ended() {
  if (Pid <= 0 || Reaped)
    return true;
  int status = 0;
  const pid_t got = waitpid(Pid, &status, WNOHANG);
  if (got == Pid) {
    Reaped = true;
    EndStatus = status;
    // Whatever is left of its group goes with it.
    kill(-Pid, SIGKILL);
    return true;
  }
  if (got < 0 && errno == ECHILD) {
    // Taken by somebody else (SIGCHLD ignored): gone, with no status to tell.
    Reaped = true;
    return true;
  }
  return false;
}

bool THostProcess::WaitEnd(int waitMs) {
  const std::int64_t until = NowMs() + waitMs;
  while (!Ended()) {
    const std::int64_t left = until - NowMs();
    if (left <= 0)
      return false;
    if (PidFd >= 0) {
      pollfd p{PidFd, POLLIN, 0};
      poll(&p, 1, static_cast<int>(left));
    } else {
      usleep(static_cast<useconds_t>(std::min<std::int64_t>(left, 5) * 1000));
    }
  }
  return true;
}

void THostProcess::End(int waitMs) {
  if (Ended())
    return;
  // The guard ends the host and everything it started, then itself.
  kill(Pid, SIGTERM);
  if (WaitEnd(waitMs / 2))
    return;
  Kill(waitMs - waitMs / 2);
}

void THostProcess::Kill(int waitMs) {
  if (Ended())
    return;
  kill(-Pid, SIGKILL);
  kill(Pid, SIGKILL);
  WaitEnd(waitMs);
}

void THostProcess::TakeLeftOvers() {
  std::lock_guard<std::mutex> guard(LeftLock);
  std::vector<pid_t>& left = LeftOvers();
  std::erase_if(left, [](pid_t pid) {
    const pid_t got = waitpid(pid, nullptr, WNOHANG);
    return got == pid || (got < 0 && errno == ECHILD);
  });
}
