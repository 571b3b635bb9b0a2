/* Shared by the test components: a description and a parameter text. */
#ifndef TEST_COMPONENT_H
#define TEST_COMPONENT_H

#include "zu_plugin.h"

static inline void FillInfo(TZUInfo* info, TZUVersion* version, const char* name) {
  ZU_SetStringUtf8(&info->Name, name);
  ZU_SetStringUtf8(&info->Title, "Test component");
  ZU_SetStringUtf8(&info->Description, "Used by the tests");
  ZU_SetStringUtf8(&info->Author, "ZU Programming");
  ZU_SetStringUtf8(&info->Copyright, "(c) 2026");
  ZU_SetStringUtf8(&info->HomePage, "https://kven.org/zu-programming/tests/");
  version->Major = 1;
  version->Minor = 2;
  version->Release = 3;
  version->Build = 4;
}

#define TEST_PARAMS_IN                                                                             \
  "<Params><Param><Index>0</Index><Name>a</Name><Title>A</Title><Description>first</Description>"  \
  "</Param><Param><Index>1</Index><Name>b</Name></Param></Params>"
#define TEST_PARAMS_OUT "<Params><Param><Index>5</Index><Name>sum</Name></Param></Params>"

/* A ZU_Plugin_Run that describes the inputs with TEST_PARAMS_IN and the outputs with
 * TEST_PARAMS_OUT. */
#define TEST_STANDARD_RUN                                                                          \
  ZU_EXPORT int32_t ZU_Plugin_Run(int32_t command, int32_t argument, BSTR* text) {                 \
    (void)argument;                                                                                \
    ZU_SetStringUtf8(text, command == ZU_RUN_PARAM_IN ? TEST_PARAMS_IN : TEST_PARAMS_OUT);         \
    return 0;                                                                                      \
  }

#endif
