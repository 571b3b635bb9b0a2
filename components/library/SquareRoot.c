/* The square root of a value. */
#include "zu_component.h"

static const TZUParamDesc In[] = {
    {0, "X", "Значение", "The value", "double"},
};
static const TZUParamDesc Out[] = {
    {0, "Result", "Корень", "The square root of X, 0 for a negative X", "double"},
    {1, "Valid", "Верно", "False when X is negative", "bool"},
};
ZU_LIBRARY_COMPONENT("SquareRoot", "Квадратный корень", "The square root of a value")
ZU_CATEGORY("Math")

static int Step(void* state, const double* in, double* out, char* error, size_t errorSize) {
  (void)state;
  (void)error;
  (void)errorSize;
  const int valid = in[0] >= 0;
  out[0] = valid ? sqrt(in[0]) : 0;
  out[1] = valid;
  return 0;
}

ZU_DEFINE_NUMERIC_COMPONENT(Component, ZU_NoState, Step, ZU_NoDestroy)
