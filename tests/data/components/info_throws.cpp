// Its ZU_Plugin_Info fills the name, then throws a C++ exception.
#include "test_component.h"

#include <stdexcept>

ZU_EXPORT ZU_BOOL ZU_Plugin_Info(TZUInfo* info, TZUVersion* version) {
  FillInfo(info, version, "Throws");
  throw std::runtime_error("broken component");
}
ZU_EXPORT int32_t ZU_Plugin_Run(int32_t, int32_t, BSTR* text) {
  ZU_SetStringUtf8(text, TEST_PARAMS_IN);
  return 0;
}
