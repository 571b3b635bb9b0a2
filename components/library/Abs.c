/* The absolute value of a value. */
#include "zu_component.h"

static const TZUParamDesc In[] = {
    {0, "X", "Значение", "The value", "double"},
};
static const TZUParamDesc Out[] = {
    {0, "Result", "Модуль", "|X|", "double"},
};
ZU_LIBRARY_COMPONENT("Abs", "Модуль", "The absolute value of a value")
ZU_CATEGORY("Math")

static int Step(void* state, const double* in, double* out, char* error, size_t errorSize) {
  (void)state;
  (void)error;
  (void)errorSize;
  out[0] = fabs(in[0]);
  return 0;
}

ZU_DEFINE_NUMERIC_COMPONENT(Component, ZU_NoState, Step, ZU_NoDestroy)
