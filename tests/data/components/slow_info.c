/* A well-behaved component that takes 300 ms to describe itself; with ZU_TEST_BOMB_FILE it makes
 * that file first (a sign for another file's component in the same host). */
#define _POSIX_C_SOURCE 199309L
#include "test_component.h"

#include <stdio.h>
#include <time.h>

ZU_EXPORT ZU_BOOL ZU_Plugin_Info(TZUInfo* info, TZUVersion* version) {
  const char* sign = getenv("ZU_TEST_BOMB_FILE");
  if (sign) {
    FILE* made = fopen(sign, "w");
    if (made)
      fclose(made);
  }
  struct timespec t = {0, 300000000L};
  nanosleep(&t, NULL);
  FillInfo(info, version, "SlowInfo");
  return ZU_TRUE;
}
TEST_STANDARD_RUN
