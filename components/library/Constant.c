/* A value that never changes. */
#include "zu_component.h"

static const TZUParamDesc In[] = {
    {0, "Value", "Значение", "The value given out", "double"},
};
static const TZUParamDesc Out[] = {
    {0, "Y", "Выход", "Value", "double"},
};
ZU_LIBRARY_COMPONENT("Constant", "Константа", "A value that never changes")
ZU_CATEGORY("Sources")

static int Step(void* state, const double* in, double* out, char* error, size_t errorSize) {
  (void)state;
  (void)error;
  (void)errorSize;
  out[0] = in[0];
  return 0;
}

ZU_DEFINE_NUMERIC_COMPONENT(Component, ZU_NoState, Step, ZU_NoDestroy)
