/* A well-behaved component that takes 300 ms to describe itself. */
#define _POSIX_C_SOURCE 199309L
#include "test_component.h"

#include <time.h>

ZU_EXPORT ZU_BOOL ZU_Plugin_Info(TZUInfo* info, TZUVersion* version) {
  struct timespec t = {0, 300000000L};
  nanosleep(&t, NULL);
  FillInfo(info, version, "SlowInfo");
  return ZU_TRUE;
}
TEST_STANDARD_RUN
