/* Tells on its standard error why it cannot work, then crashes in ZU_Plugin_Info. */
#include "test_component.h"

#include <stdio.h>
#include <stdlib.h>

ZU_EXPORT ZU_BOOL ZU_Plugin_Info(TZUInfo* info, TZUVersion* version) {
  (void)info;
  (void)version;
  fputs("says_why: device /dev/zu-test9 is missing\n", stderr);
  fflush(stderr);
  abort();
}
