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
ZU_EXPORT int32_t ZU_Plugin_Run(int32_t command, int32_t argument, BSTR* text) {
  (void)argument;
  ZU_SetStringUtf8(text, command == ZU_RUN_PARAM_IN ? TEST_PARAMS_IN : TEST_PARAMS_OUT);
  return 0;
}
