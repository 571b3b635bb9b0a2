/* Describes its inputs, then crashes when asked for its outputs. */
#include "test_component.h"

ZU_EXPORT ZU_BOOL ZU_Plugin_Info(TZUInfo* info, TZUVersion* version) {
  FillInfo(info, version, "Run2Crash");
  return ZU_TRUE;
}
ZU_EXPORT int32_t ZU_Plugin_Run(int32_t command, int32_t argument, BSTR* text) {
  (void)argument;
  if (command == ZU_RUN_PARAM_OUT) {
    volatile int* nowhere = 0;
    *nowhere = 1;
  }
  ZU_SetStringUtf8(text, TEST_PARAMS_IN);
  return 0;
}
