/* Starts a process that sleeps for a minute (in a session of its own when ZU_TEST_SETSID is set)
 * and writes its id into the file named by ZU_TEST_PID_FILE; answers like a healthy component. */
#include "test_component.h"

#include <stdio.h>
#include <stdlib.h>
#include <unistd.h>

ZU_EXPORT ZU_BOOL ZU_Plugin_Info(TZUInfo* info, TZUVersion* version) {
  const char* file = getenv("ZU_TEST_PID_FILE");
  if (file) {
    const pid_t child = fork();
    if (child == 0) {
      if (getenv("ZU_TEST_SETSID"))
        setsid();
      sleep(60);
      _exit(0);
    }
    FILE* out = fopen(file, "w");
    if (out) {
      fprintf(out, "%d\n", (int)child);
      fclose(out);
    }
  }
  FillInfo(info, version, "Forks");
  return ZU_TRUE;
}
TEST_STANDARD_RUN
