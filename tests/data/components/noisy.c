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
TEST_STANDARD_RUN
ZU_EXPORT void ZU_Plugin_Load(void) {}
ZU_EXPORT void ZU_Plugin_UnLoad(void) {}
