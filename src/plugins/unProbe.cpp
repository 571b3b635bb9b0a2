#include "plugins/unProbe.h"

#include "platform/unStrings.h"
#include "plugins/unHostProcess.h"
#include "plugins/unHostProtocol.h"
#include "plugins/unScanJournal.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

using TClock = std::chrono::steady_clock;

// How much of a host's own output is kept for the file it is describing (the rest is dropped).
constexpr std::size_t KeptOutput = 4096;

// The reading end of a pipe from a host.
struct TPipe {
  int Fd = -1; // -1 once it is closed
};

struct THost {
  THostProcess Process;
  TPipe Answer; // the answer frames
  TPipe Output; // its standard output and error
  TFrameBuffer Frames;
  std::string Text;               // its output since its last answer, up to KeptOutput
  std::vector<std::size_t> Files; // indices of the files it was given
  std::size_t Next = 0;           // the position in Files of the file it is describing
  bool Greeted = false;           // it said hello with this editor's version
  std::string Refused;            // why its hello was refused
  TClock::time_point Deadline;
};

// A pipe whose reading end never blocks and is closed in every other program started.
bool OpenPipe(int fds[2]) {
  if (pipe2(fds, O_CLOEXEC) != 0)
    return false;
  fcntl(fds[0], F_SETFL, O_NONBLOCK);
  return true;
}

// Starts a host for the files; its process is not started when it cannot be.
THost Start(std::vector<std::size_t> indices, const std::vector<std::string>& files,
            const TDescribeOptions& options) {
  THost host;
  host.Files = std::move(indices);
  int pipeFds[2], outFds[2];
  // Never blocks the caller, not even when something a library started keeps a pipe open.
  if (!OpenPipe(pipeFds))
    return host;
  if (!OpenPipe(outFds)) {
    close(pipeFds[0]);
    close(pipeFds[1]);
    return host;
  }
  std::vector<std::string> args;
  if (options.LogWrapper)
    args.push_back("--log");
  std::vector<int> pass{pipeFds[1]};
  if (options.JournalFd >= 0) {
    args.push_back("--journal");
    args.push_back(std::to_string(options.JournalFd));
    pass.push_back(options.JournalFd);
  }
  args.push_back(std::to_string(pipeFds[1]));
  for (std::size_t i : host.Files)
    args.push_back(files[i]);
  // What a library prints goes to the caller, never into anybody's output.
  const bool started = host.Process.Start(options.Helper, args, pass, outFds[1]);
  const int startErrno = errno;
  close(pipeFds[1]);
  close(outFds[1]);
  if (!started) {
    close(pipeFds[0]);
    close(outFds[0]);
    errno = startErrno;
    return host;
  }
  host.Answer.Fd = pipeFds[0];
  host.Output.Fd = outFds[0];
  host.Deadline = TClock::now() + std::chrono::milliseconds(options.TimeoutMs);
  return host;
}

void Close(TPipe& pipe) {
  if (pipe.Fd >= 0)
    close(pipe.Fd);
  pipe.Fd = -1;
}

// Reads what the pipe holds now (it never waits) into sink; closes the pipe at its end. True
// when something was read.
template <class F> bool ReadSome(TPipe& pipe, F&& sink) {
  if (pipe.Fd < 0)
    return false;
  char buf[65536];
  const ssize_t n = read(pipe.Fd, buf, sizeof buf);
  if (n > 0) {
    sink(buf, static_cast<std::size_t>(n));
    return true;
  }
  if (n == 0 || (errno != EINTR && errno != EAGAIN))
    Close(pipe);
  return false;
}

// Ends the host with everything it started, then takes its status; -1 when it is unknown.
int EndGroup(THost& host) {
  host.Process.End(THostProcess::EndWaitMs);
  return host.Process.Status();
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

// Why a host that ended with the status (-1: unknown) left its file without an answer.
std::string EndCause(int status) {
  if (status != -1 && WIFSIGNALED(status)) {
    const int sig = WTERMSIG(status);
    const char* name = strsignal(sig);
    return "процесс проверки завершён сигналом " + std::to_string(sig) + " (" +
           (name ? name : "?") + ")";
  }
  return "процесс проверки завершился без ответа (код " +
         std::to_string(status != -1 && WIFEXITED(status) ? WEXITSTATUS(status) : -1) + ")";
}

class TDescriber {
public:
  TDescriber(const std::vector<std::string>& files, const TDescribeOptions& options)
      : Files(files), Options(options), Results(files.size()), Retried(files.size(), 0) {}

  std::vector<TComponentAnswer> Run() {
    const std::size_t parallel =
        std::max<std::size_t>(1, std::min<std::size_t>(Options.Parallel, Files.size()));
    // Contiguous shares, so that each host takes its files in the callers' order.
    for (std::size_t h = 0, from = 0; h < parallel; ++h) {
      const std::size_t to = from + (Files.size() - from) / (parallel - h);
      std::vector<std::size_t> share;
      for (std::size_t i = from; i < to; ++i)
        share.push_back(i);
      Launch(std::move(share));
      from = to;
    }
    while (!Hosts.empty() && !Cancelled())
      if (!Step())
        break;
    for (THost& host : Hosts) {
      EndGroup(host);
      Close(host.Answer);
      Close(host.Output);
      for (std::size_t k = host.Next; k < host.Files.size(); ++k)
        Results[host.Files[k]] = UnaskedAnswer("проверка прервана");
    }
    return std::move(Results);
  }

private:
  bool Cancelled() const { return Options.Cancel && Options.Cancel->load(); }

  void Answered(std::size_t index, TComponentAnswer answer) {
    // Noted here, where it arrived: a host that answers as the asker dies proves nothing.
    TScanJournal::Note(Options.JournalFd, Files[index], false);
    Results[index] = std::move(answer);
    if (Options.Done)
      Options.Done->fetch_add(1, std::memory_order_relaxed);
  }

  // Starts a host for the files; those it cannot start for are answered with the reason.
  void Launch(std::vector<std::size_t> share) {
    if (share.empty())
      return;
    // The editor describes nothing itself: without the host program every file says so.
    if (Options.Helper.empty() || access(Options.Helper.c_str(), X_OK) != 0) {
      for (std::size_t i : share)
        Answered(i, UnaskedAnswer("программа компонентов «" + Options.Helper + "» не найдена"));
      return;
    }
    THost host = Start(share, Files, Options);
    if (!host.Process.Started()) {
      const std::string cause =
          std::string("не удалось запустить процесс проверки: ") + std::strerror(errno);
      for (std::size_t i : share)
        Answered(i, UnaskedAnswer(cause));
      return;
    }
    Hosts.push_back(std::move(host));
  }

  // Takes the whole answers the host has sent. False when it sent something that is no answer.
  bool TakeFrames(THost& host) {
    std::string payload;
    while (host.Frames.Next(payload)) {
      // Its first word is its hello: a host of another version is refused.
      if (!host.Greeted) {
        host.Refused = RefusedHello(payload);
        if (!host.Refused.empty())
          return false;
        host.Greeted = true;
        continue;
      }
      if (host.Next >= host.Files.size())
        return false;
      TComponentAnswer answer;
      TMessageReader reader(payload);
      if (!Decode(reader, answer))
        return false;
      Answered(host.Files[host.Next++], std::move(answer));
      host.Text.clear();
      host.Deadline = TClock::now() + std::chrono::milliseconds(Options.TimeoutMs);
    }
    return !host.Frames.Broken();
  }

  // Why a host whose words could not be taken is ended.
  static std::string Garbled(const THost& host) {
    return host.Refused.empty() ? "непонятный ответ процесса проверки" : host.Refused;
  }

  // Reads at most chunks times from each pipe while there is something to read.
  void Drain(THost& host, int chunks) {
    for (int i = 0; i < chunks &&
                    ReadSome(host.Answer,
                             [&](const char*data, std::size_t n) { host.Frames.Append(data, n); });
         ++i) {
    }
    for (int i = 0; i < chunks &&
                    ReadSome(host.Output,
                             [&](const char*data, std::size_t n) {
                               if (host.Text.size() < KeptOutput)
                                 host.Text.append(data, std::min(n, KeptOutput - host.Text.size()));
                             });
         ++i) {
    }
  }

  // Ends the host: the file it was describing gets the cause, a new host takes the rest.
  // A host that ended by itself while a file was not its first may have been taken down by
  // something an earlier file left behind (a thread, an alarm): that file is tried once more in
  // a host of its own before it is blamed.
  void Retire(std::size_t at, const std::string& cause, bool mayRetry = false) {
    // A host of another version tells nothing of the file.
    const bool hostFault = !Hosts[at].Refused.empty();
    THost host = std::move(Hosts[at]);
    Hosts.erase(Hosts.begin() + static_cast<std::ptrdiff_t>(at));
    Close(host.Answer);
    Close(host.Output);
    if (host.Next >= host.Files.size())
      return;
    // Another host would be of the same program: every file left gets the refusal.
    if (hostFault) {
      for (std::size_t k = host.Next; k < host.Files.size(); ++k)
        Answered(host.Files[k], UnaskedAnswer(cause));
      return;
    }
    const std::size_t file = host.Files[host.Next];
    auto rest = host.Files.begin() + static_cast<std::ptrdiff_t>(host.Next);
    if (mayRetry && host.Next > 0 && !Retried[file]) {
      Retried[file] = 1;
      Launch({rest, host.Files.end()});
      return;
    }
    Answered(file, FailedAnswer(cause + OutputNote(host.Text)));
    Launch({rest + 1, host.Files.end()});
  }

  // Waits for the next answer or deadline and handles what came; false when waiting failed.
  bool Step() {
    const TClock::time_point now = TClock::now();
    TClock::time_point nearest = now + std::chrono::seconds(60);
    std::vector<pollfd> fds;
    bool closedPending = false;
    for (const THost& h : Hosts) {
      nearest = std::min(nearest, h.Deadline);
      for (const TPipe* pipe : {&h.Answer, &h.Output})
        if (pipe->Fd >= 0)
          fds.push_back({pipe->Fd, POLLIN, 0});
      // Its end is told by the process itself; without such a descriptor, it is looked for often
      // when its pipes are closed or it has answered everything.
      if (h.Process.EndDescriptor() >= 0)
        fds.push_back({h.Process.EndDescriptor(), POLLIN, 0});
      else if ((h.Answer.Fd < 0 && h.Output.Fd < 0) || h.Next >= h.Files.size())
        closedPending = true;
    }
    int wait = static_cast<int>(
        std::chrono::duration_cast<std::chrono::milliseconds>(nearest - now).count());
    wait = std::max(0, std::min(closedPending ? 5 : 100, wait));
    if (poll(fds.data(), fds.size(), wait) < 0 && errno != EINTR)
      return false;
    // A flood of output must not keep the deadlines from being seen.
    for (THost& h : Hosts)
      Drain(h, 64);
    for (std::size_t i = 0; i < Hosts.size();) {
      THost& h = Hosts[i];
      if (!TakeFrames(h)) {
        EndGroup(h);
        Retire(i, Garbled(h));
        continue;
      }
      // Known from the process itself: something it started may hold its pipes open.
      const bool ended = h.Process.Ended();
      if (ended) {
        const int status = EndGroup(h);
        // What it still wrote before it ended.
        Drain(h, 1024);
        if (!TakeFrames(h)) {
          Retire(i, Garbled(h));
          continue;
        }
        Retire(i, EndCause(status), true);
        continue;
      }
      if (TClock::now() >= h.Deadline) {
        EndGroup(h);
        Retire(i, "процесс проверки не ответил за " + std::to_string(Options.TimeoutMs) +
                      " мс и остановлен");
        continue;
      }
      ++i;
    }
    return true;
  }

  const std::vector<std::string>& Files;
  const TDescribeOptions& Options;
  std::vector<TComponentAnswer> Results;
  std::vector<char> Retried;
  std::vector<THost> Hosts;
};

} // namespace

std::vector<TComponentAnswer> DescribeApart(const std::vector<std::string>& files,
                                            const TDescribeOptions& options) {
  if (files.empty())
    return {};
  return TDescriber(files, options).Run();
}
