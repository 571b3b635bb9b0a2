/* Describes its outputs with a text of 1.5 MB. */
#include "test_component.h"

ZU_EXPORT ZU_BOOL ZU_Plugin_Info(TZUInfo* info, TZUVersion* version) {
  FillInfo(info, version, "BigParams");
  return ZU_TRUE;
}
ZU_EXPORT int32_t ZU_Plugin_Run(int32_t command, int32_t argument, BSTR* text) {
  (void)argument;
  if (command == ZU_RUN_PARAM_IN) {
    ZU_SetStringUtf8(text, TEST_PARAMS_IN);
    return 0;
  }
  /* 786 432 code units: 1.5 MB of UTF-16. */
  const uint32_t units = 786432;
  SysFreeString(*text);
  *text = SysAllocStringLen(NULL, units);
  if (*text)
    for (uint32_t i = 0; i < units; ++i)
      (*text)[i] = ' ';
  return 0;
}
