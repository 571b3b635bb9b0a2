#include "plugins/unQuietOutput.h"

#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

TQuietOutput::TQuietOutput() {
  std::fflush(stdout);
  std::fflush(stderr);
  const int null = open("/dev/null", O_WRONLY | O_CLOEXEC);
  if (null < 0)
    return;
  SavedOut = fcntl(STDOUT_FILENO, F_DUPFD_CLOEXEC, 3);
  SavedErr = fcntl(STDERR_FILENO, F_DUPFD_CLOEXEC, 3);
  if (SavedOut >= 0)
    dup2(null, STDOUT_FILENO);
  if (SavedErr >= 0)
    dup2(null, STDERR_FILENO);
  close(null);
}

TQuietOutput::~TQuietOutput() {
  std::fflush(stdout);
  std::fflush(stderr);
  if (SavedOut >= 0) {
    dup2(SavedOut, STDOUT_FILENO);
    close(SavedOut);
  }
  if (SavedErr >= 0) {
    dup2(SavedErr, STDERR_FILENO);
    close(SavedErr);
  }
}
