/* Exports everything but ZU_Plugin_Info. */
#include "test_component.h"

ZU_EXPORT int32_t ZU_Plugin_Run(int32_t command, int32_t argument, BSTR* text) {
  (void)command;
  (void)argument;
  ZU_SetStringUtf8(text, TEST_PARAMS_IN);
  return 0;
}
ZU_EXPORT void ZU_Plugin_Load(void) {}
ZU_EXPORT void ZU_Plugin_UnLoad(void) {}
