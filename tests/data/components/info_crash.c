/* Its ZU_Plugin_Info writes through a null pointer. */
#include "test_component.h"

ZU_EXPORT ZU_BOOL ZU_Plugin_Info(TZUInfo* info, TZUVersion* version) {
  (void)info;
  (void)version;
  volatile int* nowhere = 0;
  *nowhere = 1;
  return ZU_TRUE;
}
