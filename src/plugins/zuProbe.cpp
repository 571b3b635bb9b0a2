// zu-probe: the component host. Plug-in code runs here, never in the editor: a library that
// crashes or hangs takes only this process with it. The process started is the host's guard,
// which ends everything the host started when the host ends.
//   zu-probe [--log] [--journal JFD] FD FILE...
//                                says hello and describes each library file in turn, writing one
//                                answer frame per file to the descriptor FD (--log: with the
//                                wrapper's messages; --journal: noting each file in the scan
//                                journal JFD before it is loaded);
//   zu-probe --run FD SHMFD      runs the modules of a project as the editor's messages on FD ask.

#include "plugins/unHostDescribe.h"
#include "plugins/unHostGuard.h"
#include "plugins/unRunHost.h"

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#if defined(__SANITIZE_ADDRESS__)
// In a checked build the host still ends the way a component's fault ends it (a signal the editor
// reports), instead of the checker turning every such fault into an abort.
extern "C" const char* __asan_default_options() {
  return "handle_segv=0:handle_sigbus=0:handle_sigfpe=0:handle_sigill=0";
}
#endif

namespace {

int HostMain(int argc, char** argv) {
  int arg = 1;
  if (argc == 4 && std::strcmp(argv[1], "--run") == 0)
    return RunHostMain(std::atoi(argv[2]), std::atoi(argv[3]));
  bool log = false;
  if (arg < argc && std::strcmp(argv[arg], "--log") == 0) {
    log = true;
    ++arg;
  }
  int journal = -1;
  if (arg + 1 < argc && std::strcmp(argv[arg], "--journal") == 0) {
    journal = std::atoi(argv[arg + 1]);
    arg += 2;
  }
  if (arg >= argc)
    return 2;
  const int fd = std::atoi(argv[arg++]);
  const std::vector<std::string> files(argv + arg, argv + argc);
  return DescribeInto(fd, files, log, journal) ? 0 : 1;
}

} // namespace

int main(int argc, char** argv) {
  // The editor starts the guard; the host is its child.
  return RunGuarded([&] { return HostMain(argc, argv); });
}
