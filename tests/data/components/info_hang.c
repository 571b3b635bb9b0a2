/* Its ZU_Plugin_Info never returns. */
#include "test_component.h"

#include <unistd.h>

ZU_EXPORT ZU_BOOL ZU_Plugin_Info(TZUInfo* info, TZUVersion* version) {
  (void)info;
  (void)version;
  for (;;)
    sleep(1);
  return ZU_TRUE;
}
