/* Multiplies two values. */
#include "zu_component.h"

static const TZUParamDesc In[] = {
    {0, "A", "Множитель A", "First factor (0 when unset)", "double"},
    {1, "B", "Множитель B", "Second factor (0 when unset)", "double"},
};
static const TZUParamDesc Out[] = {
    {0, "Product", "Произведение", "A * B", "double"},
};
ZU_LIBRARY_COMPONENT("Multiply", "Умножение", "Multiplies two values")
ZU_CATEGORY("Math")

static int Step(void* state, const double* in, double* out, char* error, size_t errorSize) {
  (void)state;
  (void)error;
  (void)errorSize;
  out[0] = in[0] * in[1];
  return 0;
}

ZU_DEFINE_NUMERIC_COMPONENT(Component, ZU_NoState, Step, ZU_NoDestroy)
