// zu-probe FILE FD: tries a plug-in library out in a process of its own and writes the answer
// line to the file descriptor FD. Started by the component registry; a library that crashes or
// hangs takes only this process with it.

#include "plugins/unProbe.h"

#include <cstdlib>
#include <cstring>
#include <string>
#include <unistd.h>

int main(int argc, char** argv) {
  if (argc != 3)
    return 2;
  const int fd = std::atoi(argv[2]);
  const std::string answer = ProbeAnswer(ProbeHere(argv[1]));
  return write(fd, answer.data(), answer.size()) == static_cast<ssize_t>(answer.size()) ? 0 : 1;
}
