#pragma once

#include "xml/XmlTestSupport.h"

#include <fcntl.h>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

inline const std::string TestComponents = std::string(ZU_TEST_COMPONENTS) + "/";
inline const std::string Samples = std::string(ZU_SAMPLES) + "/";

// The full path of a test component's library.
inline std::string TestComponent(const std::string& name) {
  return TestComponents + (name.ends_with(".so") ? name : "test_" + name + ".so");
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
