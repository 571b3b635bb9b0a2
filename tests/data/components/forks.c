/* Starts a process that writes its id into the file named by ZU_TEST_PID_FILE and then sleeps
 * for a minute; answers like a healthy component. */
#include "test_component.h"

#include <stdio.h>
#include <stdlib.h>
#include <unistd.h>

ZU_EXPORT ZU_BOOL ZU_Plugin_Info(TZUInfo* info, TZUVersion* version) {
  const char* file = getenv("ZU_TEST_PID_FILE");
  if (file && fork() == 0) {
    FILE* out = fopen(file, "w");
    if (out) {
      fprintf(out, "%d\n", (int)getpid());
      fclose(out);
    }
    sleep(60);
    _exit(0);
  }
  FillInfo(info, version, "Forks");
  return ZU_TRUE;
}
TEST_STANDARD_RUN
