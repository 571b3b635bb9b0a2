#include "plugins/unSignalGuard.h"

#include <iterator>
#include <unistd.h>

TSignalGuard::TSignalGuard() {
  for (std::size_t i = 0; i < std::size(Signals); ++i)
    sigaction(Signals[i], nullptr, &Saved[i]);
  // The program sets no alarm of its own; one that is pending now is left running.
  const unsigned left = alarm(0);
  HadAlarm = left != 0;
  if (HadAlarm)
    alarm(left);
}

TSignalGuard::~TSignalGuard() {
  if (!HadAlarm)
    alarm(0);
  for (std::size_t i = 0; i < std::size(Signals); ++i)
    sigaction(Signals[i], &Saved[i], nullptr);
}
