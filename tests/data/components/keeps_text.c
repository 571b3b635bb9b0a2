/* Describes its inputs and leaves the text alone for its outputs. */
#include "test_component.h"

ZU_EXPORT ZU_BOOL ZU_Plugin_Info(TZUInfo* info, TZUVersion* version) {
  FillInfo(info, version, "KeepsText");
  return ZU_TRUE;
}
ZU_EXPORT int32_t ZU_Plugin_Run(int32_t command, int32_t argument, BSTR* text) {
  (void)argument;
  if (command == ZU_RUN_PARAM_IN)
    ZU_SetStringUtf8(text, TEST_PARAMS_IN);
  return 0;
}
ZU_EXPORT void ZU_Plugin_Load(void) {}
ZU_EXPORT void ZU_Plugin_UnLoad(void) {}
