#include "plugins/unProbe.h"

#include "platform/unStrings.h"
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

// How much of a probe's own output is kept (the rest is read and dropped).
constexpr std::size_t KeptOutput = 4096;

// One end of a pipe from a probing process and what came through it, up to a limit.
struct TPipe {
  int Fd = -1; // -1 once it is closed
  std::string Text;
  std::size_t Limit = 0;
};

struct TChild {
  std::size_t Index = 0;
  pid_t Pid = -1; // also the id of its process group
  TPipe Answer;   // the answer line
  TPipe Output;   // its standard output and error
  TClock::time_point Deadline;
};

// A pipe whose reading end never blocks and is closed in every other program started.
bool OpenPipe(int fds[2]) {
  if (pipe2(fds, O_CLOEXEC) != 0)
    return false;
  fcntl(fds[0], F_SETFL, O_NONBLOCK);
  return true;
}

// Starts the probe of one file; the answer comes through the returned child's pipe.
TChild Start(std::size_t index, const std::string& file, const std::string& helper, int timeoutMs) {
  TChild child;
  child.Index = index;
  int pipeFds[2], outFds[2];
  // Never blocks the editor, not even when something the library started keeps a pipe open.
  if (!OpenPipe(pipeFds))
    return child;
  if (!OpenPipe(outFds)) {
    close(pipeFds[0]);
    close(pipeFds[1]);
    return child;
  }
  const bool exec = !helper.empty() && access(helper.c_str(), X_OK) == 0;
  const std::string fdText = std::to_string(pipeFds[1]);
  const pid_t pid = fork();
  if (pid == 0) {
    // A group of its own, so that whatever the library starts ends with it.
    setpgid(0, 0);
    // What the library prints goes to the registry, never into anybody's output.
    const int null = open("/dev/null", O_RDONLY);
    if (null >= 0)
      dup2(null, 0);
    dup2(outFds[1], 1);
    dup2(outFds[1], 2);
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
  close(outFds[1]);
  if (pid < 0) {
    close(pipeFds[0]);
    close(outFds[0]);
    return child;
  }
  setpgid(pid, pid); // also here, so that the group exists before anything is killed
  child.Pid = pid;
  child.Answer = {pipeFds[0], {}, 4096};
  child.Output = {outFds[0], {}, KeptOutput};
  child.Deadline = TClock::now() + std::chrono::milliseconds(timeoutMs);
  return child;
}

// Reads what the pipe holds now (it never waits), keeping up to its limit; closes the pipe at its
// end. True when something was read.
bool ReadSome(TPipe& pipe) {
  if (pipe.Fd < 0)
    return false;
  char buf[4096];
  const ssize_t n = read(pipe.Fd, buf, sizeof buf);
  if (n > 0) {
    if (pipe.Text.size() < pipe.Limit)
      pipe.Text.append(buf, std::min(static_cast<std::size_t>(n), pipe.Limit - pipe.Text.size()));
    return true;
  }
  if (n == 0 || (errno != EINTR && errno != EAGAIN)) {
    close(pipe.Fd);
    pipe.Fd = -1;
  }
  return false;
}

// Reads at most chunks times, while there is something to read.
void Drain(TPipe& pipe, int chunks) {
  while (chunks-- > 0 && ReadSome(pipe)) {
  }
}

void Close(TPipe& pipe) {
  if (pipe.Fd >= 0)
    close(pipe.Fd);
  pipe.Fd = -1;
}

// Ends whatever is left of the child's process group, then takes the child's status; the status
// is unknown (-1) when the system had already taken it (SIGCHLD ignored).
int EndGroup(const TChild& child) {
  kill(-child.Pid, SIGKILL);
  int status = -1;
  while (waitpid(child.Pid, &status, 0) < 0 && errno == EINTR) {
  }
  return status;
}

// The output, one line of valid text, to go with a failure's cause.
std::string OutputNote(const std::string& output) {
  if (output.empty())
    return {};
  std::string text = ValidUtf8(output);
  for (char& c : text)
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f)
      c = ' ';
  return "; вывод: " + text;
}

// What the child's status and answer (-1: status unknown) tell.
TProbeResult Outcome(const TChild& child, int status) {
  if (status != -1 && WIFSIGNALED(status)) {
    const int sig = WTERMSIG(status);
    const char* name = strsignal(sig);
    return Failed("процесс проверки завершён сигналом " + std::to_string(sig) + " (" +
                  (name ? name : "?") + ")");
  }
  if (child.Answer.Text.empty())
    return Failed("процесс проверки завершился без ответа (код " +
                  std::to_string(status != -1 && WIFEXITED(status) ? WEXITSTATUS(status) : -1) +
                  ")");
  return ReadProbeAnswer(child.Answer.Text);
}

// The result of a child that has ended with the status (-1: unknown), its output with a failure.
TProbeResult Ended(const TChild& child, int status) {
  TProbeResult result = Outcome(child, status);
  if (!result.Ok)
    result.Cause += OutputNote(child.Output.Text);
  return result;
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
    for (const std::int32_t command : {ZU_RUN_PARAM_IN, ZU_RUN_PARAM_OUT}) {
      const bool ran = GuardedPluginCall([&] { run(command, 0, &text); });
      const bool tooLong = ran && ParamTextTooLong(text);
      if (!ran || tooLong) {
        SysFreeString(text);
        return Failed(tooLong ? ParamTextTooLongCause : "исключение в ZU_Plugin_Run");
      }
    }
    SysFreeString(text);
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
    // Nothing runs when every start failed: nothing to wait for.
    if (running.empty())
      continue;
    // Wait for an answer, or for the nearest deadline.
    const TClock::time_point now = TClock::now();
    TClock::time_point nearest = now + std::chrono::seconds(60);
    std::vector<pollfd> fds;
    bool closedPending = false;
    for (const TChild& c : running) {
      nearest = std::min(nearest, c.Deadline);
      for (const TPipe* pipe : {&c.Answer, &c.Output})
        if (pipe->Fd >= 0)
          fds.push_back({pipe->Fd, POLLIN, 0});
      // Its end comes without a word on a pipe when it has answered, or something it started
      // holds its pipes: look for it often then.
      if ((c.Answer.Fd < 0 && c.Output.Fd < 0) || c.Answer.Text.ends_with('\n'))
        closedPending = true;
    }
    int wait = static_cast<int>(
        std::chrono::duration_cast<std::chrono::milliseconds>(nearest - now).count());
    wait = std::max(0, closedPending ? std::min(wait, 5) : wait);
    if (poll(fds.data(), fds.size(), wait) < 0 && errno != EINTR)
      break;
    for (const pollfd& p : fds) {
      if (!(p.revents & (POLLIN | POLLHUP | POLLERR)))
        continue;
      for (TChild& c : running)
        for (TPipe* pipe : {&c.Answer, &c.Output})
          if (pipe->Fd == p.fd)
            Drain(*pipe, 64); // a flood of output must not keep the deadlines from being seen
    }
    // Children that have ended, or are out of time.
    for (auto it = running.begin(); it != running.end();) {
      // Looked at without taking the status, so that its group still exists to be ended.
      siginfo_t info{};
      const int looked =
          waitid(P_PID, static_cast<id_t>(it->Pid), &info, WEXITED | WNOHANG | WNOWAIT);
      const bool ended = (looked == 0 && info.si_pid == it->Pid) || (looked < 0 && errno == ECHILD);
      if (ended) {
        const int status = EndGroup(*it);
        // What it still wrote before it ended.
        for (TPipe* pipe : {&it->Answer, &it->Output})
          Drain(*pipe, 1024);
        Close(it->Answer);
        Close(it->Output);
        results[it->Index] = Ended(*it, status);
        it = running.erase(it);
        continue;
      }
      if (TClock::now() >= it->Deadline) {
        EndGroup(*it);
        Close(it->Answer);
        Close(it->Output);
        results[it->Index] = Failed("процесс проверки не ответил за " + std::to_string(timeoutMs) +
                                    " мс и остановлен" + OutputNote(it->Output.Text));
        it = running.erase(it);
        continue;
      }
      ++it;
    }
  }
  return results;
}
