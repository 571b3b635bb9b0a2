/* Kills another process while it is described: ZU_TEST_KILL = "parent" kills the process that
 * started the host with SIGKILL (and waits a little before it answers), a number kills the process
 * of that id. Otherwise it answers like a healthy component. */
#include "test_component.h"

#include <signal.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

ZU_EXPORT ZU_BOOL ZU_Plugin_Info(TZUInfo* info, TZUVersion* version) {
  const char* whom = getenv("ZU_TEST_KILL");
  if (whom && strcmp(whom, "parent") == 0) {
    kill(getppid(), SIGKILL);
    usleep(300000); /* whatever the parent's end brings comes before the answer */
  } else if (whom && atoi(whom) > 1)
    kill((pid_t)atoi(whom), SIGKILL);
  FillInfo(info, version, "Kills");
  return ZU_TRUE;
}
TEST_STANDARD_RUN
