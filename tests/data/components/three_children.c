/* Its parameter text has three children; only one is named exactly "Param". */
#include "test_component.h"

ZU_EXPORT ZU_BOOL ZU_Plugin_Info(TZUInfo* info, TZUVersion* version) {
  FillInfo(info, version, "ThreeChildren");
  return ZU_TRUE;
}
ZU_EXPORT int32_t ZU_Plugin_Run(int32_t command, int32_t argument, BSTR* text) {
  (void)command;
  (void)argument;
  ZU_SetStringUtf8(text, "<Params><Param><Name>one</Name></Param><param><Name>two</Name></param>"
                         "<Other><Name>three</Name></Other></Params>");
  return 0;
}
ZU_EXPORT void ZU_Plugin_Load(void) {}
ZU_EXPORT void ZU_Plugin_UnLoad(void) {}
