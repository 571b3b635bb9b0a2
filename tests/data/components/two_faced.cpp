// Behaves in the probe program and throws from ZU_Plugin_Info in any other.
#include "test_component.h"

#include <stdexcept>
#include <string>
#include <unistd.h>

ZU_EXPORT ZU_BOOL ZU_Plugin_Info(TZUInfo* info, TZUVersion* version) {
  char path[4096] = {};
  const ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
  if (n <= 0 || !std::string(path).ends_with("/zu-probe"))
    throw std::runtime_error("not in the probe");
  FillInfo(info, version, "TwoFaced");
  return ZU_TRUE;
}
ZU_EXPORT int32_t ZU_Plugin_Run(int32_t command, int32_t, BSTR* text) {
  ZU_SetStringUtf8(text, command == ZU_RUN_PARAM_IN ? TEST_PARAMS_IN : TEST_PARAMS_OUT);
  return 0;
}
