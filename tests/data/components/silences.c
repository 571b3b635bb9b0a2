/* Its constructor points the program's standard output at /dev/null; otherwise healthy. */
#include "test_component.h"

#include <fcntl.h>
#include <unistd.h>

__attribute__((constructor)) static void Silence(void) {
  const int null = open("/dev/null", O_WRONLY);
  if (null >= 0)
    dup2(null, 1);
}

ZU_EXPORT ZU_BOOL ZU_Plugin_Info(TZUInfo* info, TZUVersion* version) {
  FillInfo(info, version, "Silences");
  return ZU_TRUE;
}
