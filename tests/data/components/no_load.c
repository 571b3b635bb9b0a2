/* Exports ZU_Plugin_Info and ZU_Plugin_Run only. */
#include "test_component.h"

ZU_EXPORT ZU_BOOL ZU_Plugin_Info(TZUInfo* info, TZUVersion* version) {
  FillInfo(info, version, "NoLoad");
  return ZU_TRUE;
}
ZU_EXPORT int32_t ZU_Plugin_Run(int32_t command, int32_t argument, BSTR* text) {
  (void)argument;
  ZU_SetStringUtf8(text, command == ZU_RUN_PARAM_IN ? TEST_PARAMS_IN : TEST_PARAMS_OUT);
  return 0;
}
