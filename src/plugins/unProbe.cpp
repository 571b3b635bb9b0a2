#include "plugins/unProbe.h"

#include "plugins/unComponent.h"
#include "plugins/unPluginCall.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstring>
#include <dlfcn.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

TProbeResult Failed(std::string cause) {
  return {false, std::move(cause)};
}

using TClock = std::chrono::steady_clock;

struct TChild {
  std::size_t Index = 0;
  pid_t Pid = -1;
  int Fd = -1; // the answer's pipe; -1 once it is closed
  TClock::time_point Deadline;
  std::string Answer;
};

// Starts the probe of one file; the answer comes through the returned child's pipe.
TChild Start(std::size_t index, const std::string& file, const std::string& helper, int timeoutMs) {
  TChild child;
  child.Index = index;
  int pipeFds[2];
  if (pipe2(pipeFds, O_CLOEXEC) != 0)
    return child;
  // Never blocks the editor, not even when something the library started keeps the pipe open.
  fcntl(pipeFds[0], F_SETFL, O_NONBLOCK);
  const bool exec = !helper.empty() && access(helper.c_str(), X_OK) == 0;
  const std::string fdText = std::to_string(pipeFds[1]);
  const pid_t pid = fork();
  if (pid == 0) {
    // What the library prints must not mix with anybody's output.
    const int null = open("/dev/null", O_RDWR);
    if (null >= 0) {
      dup2(null, 0);
      dup2(null, 1);
    }
    if (exec) {
      fcntl(pipeFds[1], F_SETFD, 0);
      execl(helper.c_str(), helper.c_str(), file.c_str(), fdText.c_str(), nullptr);
      _exit(127);
    }
    const std::string answer = ProbeAnswer(ProbeHere(file));
    (void)!write(pipeFds[1], answer.data(), answer.size());
    _exit(0);
  }
  close(pipeFds[1]);
  if (pid < 0) {
    close(pipeFds[0]);
    return child;
  }
  child.Pid = pid;
  child.Fd = pipeFds[0];
  child.Deadline = TClock::now() + std::chrono::milliseconds(timeoutMs);
  return child;
}

// Reads what the child's pipe holds now (it never waits); closes the pipe at its end. True when
// something was read.
bool ReadSome(TChild& child) {
  if (child.Fd < 0)
    return false;
  char buf[512];
  const ssize_t n = read(child.Fd, buf, sizeof buf);
  if (n > 0) {
    if (child.Answer.size() < 4096)
      child.Answer.append(buf, static_cast<std::size_t>(n));
    return true;
  }
  if (n == 0 || (errno != EINTR && errno != EAGAIN)) {
    close(child.Fd);
    child.Fd = -1;
  }
  return false;
}

// The result of a child that has ended with the status.
TProbeResult Ended(const TChild& child, int status) {
  if (WIFSIGNALED(status)) {
    const int sig = WTERMSIG(status);
    const char* name = strsignal(sig);
    return Failed("процесс проверки завершён сигналом " + std::to_string(sig) + " (" +
                  (name ? name : "?") + ")");
  }
  if (child.Answer.empty())
    return Failed("процесс проверки завершился без ответа (код " +
                  std::to_string(WIFEXITED(status) ? WEXITSTATUS(status) : -1) + ")");
  return ReadProbeAnswer(child.Answer);
}

} // namespace

std::string ProbeAnswer(const TProbeResult& result) {
  return result.Ok ? "ok\n" : "fail " + result.Cause + "\n";
}

TProbeResult ReadProbeAnswer(const std::string& answer) {
  if (answer == "ok\n")
    return {true, {}};
  if (answer.starts_with("fail ") && answer.ends_with("\n"))
    return Failed(answer.substr(5, answer.size() - 6));
  return Failed("непонятный ответ процесса проверки");
}

TProbeResult ProbeHere(const std::string& file) {
  void* handle = dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!handle) {
    const char* reason = dlerror();
    return Failed(std::string("библиотека не загружается: ") + (reason ? reason : "?"));
  }
  const auto info = reinterpret_cast<TZUPluginInfo>(dlsym(handle, "ZU_Plugin_Info"));
  if (!info)
    return Failed("нет процедуры ZU_Plugin_Info");
  TZUInfo record{};
  TZUVersion version{0, 0, 0, 0};
  const bool answered = GuardedPluginCall([&] { info(&record, &version); });
  TComponentInfo discarded;
  TakeInfo(record, discarded);
  if (!answered)
    return Failed("исключение в ZU_Plugin_Info");
  if (const auto run = reinterpret_cast<TZUPluginRun>(dlsym(handle, "ZU_Plugin_Run"))) {
    BSTR text = nullptr;
    const bool ran = GuardedPluginCall([&] { run(ZU_RUN_PARAM_IN, 0, &text); }) &&
                     GuardedPluginCall([&] { run(ZU_RUN_PARAM_OUT, 0, &text); });
    SysFreeString(text);
    if (!ran)
      return Failed("исключение в ZU_Plugin_Run");
  }
  dlclose(handle);
  return {true, {}};
}

std::vector<TProbeResult> ProbeApart(const std::vector<std::string>& files,
                                     const std::string& helper, int timeoutMs, unsigned parallel) {
  std::vector<TProbeResult> results(files.size());
  std::vector<TChild> running;
  std::size_t next = 0;
  parallel = std::max(parallel, 1u);
  while (next < files.size() || !running.empty()) {
    while (next < files.size() && running.size() < parallel) {
      TChild child = Start(next, files[next], helper, timeoutMs);
      if (child.Pid < 0)
        results[next] =
            Failed(std::string("не удалось запустить процесс проверки: ") + std::strerror(errno));
      else
        running.push_back(std::move(child));
      ++next;
    }
    // Wait for an answer, or for the nearest deadline.
    const TClock::time_point now = TClock::now();
    TClock::time_point nearest = now + std::chrono::seconds(60);
    std::vector<pollfd> fds;
    bool closedPending = false;
    for (const TChild& c : running) {
      nearest = std::min(nearest, c.Deadline);
      if (c.Fd >= 0)
        fds.push_back({c.Fd, POLLIN, 0});
      else
        closedPending = true;
    }
    int wait = static_cast<int>(
        std::chrono::duration_cast<std::chrono::milliseconds>(nearest - now).count());
    wait = std::max(0, closedPending ? std::min(wait, 5) : wait);
    if (poll(fds.data(), fds.size(), wait) < 0 && errno != EINTR)
      break;
    for (TChild& c : running) {
      if (c.Fd < 0)
        continue;
      const auto it =
          std::find_if(fds.begin(), fds.end(), [&](const pollfd& p) { return p.fd == c.Fd; });
      if (it == fds.end() || !(it->revents & (POLLIN | POLLHUP | POLLERR)))
        continue;
      ReadSome(c);
    }
    // Children that have ended, or are out of time.
    for (auto it = running.begin(); it != running.end();) {
      int status = 0;
      const pid_t done = waitpid(it->Pid, &status, WNOHANG);
      if (done == it->Pid) {
        // What it still wrote before it ended.
        while (ReadSome(*it)) {
        }
        if (it->Fd >= 0)
          close(it->Fd);
        results[it->Index] = Ended(*it, status);
        it = running.erase(it);
        continue;
      }
      if (TClock::now() >= it->Deadline) {
        kill(it->Pid, SIGKILL);
        waitpid(it->Pid, &status, 0);
        if (it->Fd >= 0)
          close(it->Fd);
        results[it->Index] = Failed("процесс проверки не ответил за " + std::to_string(timeoutMs) +
                                    " мс и остановлен");
        it = running.erase(it);
        continue;
      }
      ++it;
    }
  }
  return results;
}
