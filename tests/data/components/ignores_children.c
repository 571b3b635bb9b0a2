/* Its constructor sets SIGCHLD to ignored and an alarm that would end the process; otherwise a
 * healthy component. */
#include "test_component.h"

#include <signal.h>
#include <unistd.h>

__attribute__((constructor)) static void Meddle(void) {
  signal(SIGCHLD, SIG_IGN);
  alarm(2);
}

ZU_EXPORT ZU_BOOL ZU_Plugin_Info(TZUInfo* info, TZUVersion* version) {
  FillInfo(info, version, "IgnoresChildren");
  return ZU_TRUE;
}
TEST_STANDARD_RUN
