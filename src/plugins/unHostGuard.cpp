#include "plugins/unHostGuard.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <dirent.h>
#include <fstream>
#include <string>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

// The direct children of the process, from the system's list of each of its threads.
std::vector<pid_t> ChildrenOf(pid_t pid) {
  std::vector<pid_t> children;
  const std::string tasks = "/proc/" + std::to_string(pid) + "/task";
  DIR* dir = opendir(tasks.c_str());
  if (!dir)
    return children;
  while (const dirent* entry = readdir(dir)) {
    if (entry->d_name[0] == '.')
      continue;
    std::ifstream in(tasks + "/" + entry->d_name + "/children");
    pid_t child;
    while (in >> child)
      children.push_back(child);
  }
  closedir(dir);
  return children;
}

// Every descendant of the process, parents before their children.
std::vector<pid_t> DescendantsOf(pid_t pid) {
  std::vector<pid_t> all = ChildrenOf(pid);
  for (std::size_t i = 0; i < all.size(); ++i) {
    const std::vector<pid_t> more = ChildrenOf(all[i]);
    all.insert(all.end(), more.begin(), more.end());
  }
  return all;
}

// Ends the guard the way the host ended.
[[noreturn]] void EndLike(int status) {
  if (WIFSIGNALED(status)) {
    const int sig = WTERMSIG(status);
    // The same signal, without a core file of the guard's own.
    const rlimit none{0, 0};
    setrlimit(RLIMIT_CORE, &none);
    signal(sig, SIG_DFL);
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, sig);
    sigprocmask(SIG_UNBLOCK, &set, nullptr);
    raise(sig);
    _exit(128 + sig);
  }
  _exit(WIFEXITED(status) ? WEXITSTATUS(status) : 1);
}

} // namespace

bool EndDescendants(int keep, int* status, int rounds) {
  const pid_t self = getpid();
  for (int round = 0; round < rounds; ++round) {
    // Parents first: a child of one killed is handed to this process (its reaper) and is found
    // in the next round.
    for (pid_t pid : DescendantsOf(self))
      kill(pid, SIGKILL);
    int st = 0;
    pid_t ended;
    bool any = false;
    while ((ended = waitpid(-1, &st, WNOHANG)) > 0) {
      any = true;
      if (ended == keep && status)
        *status = st;
    }
    if (ended < 0 && errno == ECHILD)
      return true;
    if (!any)
      usleep(1000); // the killed ones have not ended yet
  }
  return false;
}

int RunGuarded(const std::function<int()>& work) {
  // The guard's signals are taken one by one below; the host gets the mask it came with.
  sigset_t taken, before;
  sigemptyset(&taken);
  for (int sig : {SIGCHLD, SIGTERM, SIGINT, SIGHUP})
    sigaddset(&taken, sig);
  sigprocmask(SIG_BLOCK, &taken, &before);
  const pid_t parent = getppid();
  // Orphans of the host come to the guard; the guard hears of its own parent's end.
  prctl(PR_SET_CHILD_SUBREAPER, 1);
  prctl(PR_SET_PDEATHSIG, SIGTERM);
  if (getppid() != parent)
    _exit(1); // the parent is gone already
  const pid_t guard = getpid();
  const pid_t host = fork();
  if (host < 0)
    _exit(2);
  if (host == 0) {
    // The host dies with its guard, whatever killed the guard.
    prctl(PR_SET_CHILD_SUBREAPER, 0);
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (getppid() != guard)
      _exit(1);
    sigprocmask(SIG_SETMASK, &before, nullptr);
    return work();
  }
  // The guard holds no channel of the host's: an end of the host is an end of its channels.
  close_range(3, ~0U, 0);
  int status = 0;
  bool hostEnded = false;
  while (!hostEnded) {
    siginfo_t info{};
    if (sigwaitinfo(&taken, &info) < 0)
      continue;
    if (info.si_signo != SIGCHLD) {
      kill(host, SIGKILL);
      continue;
    }
    int st = 0;
    pid_t ended;
    // Orphans that end are taken here as well; only the host's end ends the wait.
    while ((ended = waitpid(-1, &st, WNOHANG)) > 0)
      if (ended == host) {
        status = st;
        hostEnded = true;
      }
  }
  EndDescendants(host, nullptr);
  EndLike(status);
}
