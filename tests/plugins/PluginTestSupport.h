#pragma once

#include "xml/XmlTestSupport.h"

#include <fcntl.h>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

inline const std::string TestComponents = std::string(ZU_TEST_COMPONENTS) + "/";
inline const std::string Samples = std::string(ZU_SAMPLES) + "/";

// The full path of a test component's library.
inline std::string TestComponent(const std::string& name) {
  return TestComponents + (name.ends_with(".so") ? name : "test_" + name + ".so");
}

// Whether the process is gone (or a zombie waiting to be taken) within two seconds.
inline bool GoneSoon(pid_t pid) {
  for (int i = 0; i < 200; ++i) {
    const std::string state = ReadBytes(Utf8ToUtf16("/proc/" + std::to_string(pid) + "/stat"));
    if (state.empty() || state.find(") Z ") != std::string::npos)
      return true;
    usleep(10000);
  }
  return false;
}

// The process ids in the file, one per line.
inline std::vector<pid_t> PidsIn(const std::string& file) {
  std::vector<pid_t> pids;
  const std::string text = ReadBytes(Utf8ToUtf16(file));
  for (std::size_t at = 0; at < text.size();) {
    const std::size_t end = text.find('\n', at);
    pids.push_back(static_cast<pid_t>(std::stol(text.substr(at, end - at))));
    at = end == std::string::npos ? text.size() : end + 1;
  }
  return pids;
}

// Runs body in a child process that has no descriptor left to open; its exit code (0 when body
// returned true), or -1 when it did not end normally.
template <class F> int WithoutSpareDescriptors(F&& body) {
  const pid_t child = fork();
  if (child == 0) {
    const int spare = open("/dev/null", O_RDONLY);
    rlimit limit{};
    getrlimit(RLIMIT_NOFILE, &limit);
    limit.rlim_cur = static_cast<rlim_t>(spare + 1);
    setrlimit(RLIMIT_NOFILE, &limit);
    _exit(body() ? 0 : 1);
  }
  int status = 0;
  if (waitpid(child, &status, 0) != child || !WIFEXITED(status))
    return -1;
  return WEXITSTATUS(status);
}
