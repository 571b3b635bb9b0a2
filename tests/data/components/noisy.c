/* Writes 10 MB to its standard output and a line to its standard error whenever it describes
 * itself; otherwise a healthy component. */
#include "test_component.h"

#include <stdio.h>

ZU_EXPORT ZU_BOOL ZU_Plugin_Info(TZUInfo* info, TZUVersion* version) {
  static char line[1024];
  memset(line, 'N', sizeof line - 1);
  for (int i = 0; i < 10 * 1024; ++i)
    fputs(line, stdout);
  fflush(stdout);
  fputs("noisy: describing myself\n", stderr);
  FillInfo(info, version, "Noisy");
  return ZU_TRUE;
}
ZU_EXPORT int32_t ZU_Plugin_Run(int32_t command, int32_t argument, BSTR* text) {
  (void)argument;
  ZU_SetStringUtf8(text, command == ZU_RUN_PARAM_IN ? TEST_PARAMS_IN : TEST_PARAMS_OUT);
  return 0;
}
ZU_EXPORT void ZU_Plugin_Load(void) {}
ZU_EXPORT void ZU_Plugin_UnLoad(void) {}
