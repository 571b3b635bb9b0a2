/* Divides one value by another; a zero divisor gives 0 and Valid false. */
#include "zu_component.h"

static const TZUParamDesc In[] = {
    {0, "A", "Делимое", "The dividend", "double"},
    {1, "B", "Делитель", "The divisor (1 when unset)", "double", NULL, 1},
};
static const TZUParamDesc Out[] = {
    {0, "Quotient", "Частное", "A / B, or 0 when B is 0", "double"},
    {1, "Valid", "Верно", "False when B is 0", "bool"},
};
ZU_LIBRARY_COMPONENT("Divide", "Деление",
                     "Divides one value by another; a zero divisor gives 0 and Valid false")
ZU_CATEGORY("Math")

static int Step(void* state, const double* in, double* out, char* error, size_t errorSize) {
  (void)state;
  (void)error;
  (void)errorSize;
  const int valid = in[1] != 0;
  out[0] = valid ? in[0] / in[1] : 0;
  out[1] = valid;
  return 0;
}

ZU_DEFINE_NUMERIC_COMPONENT(Component, ZU_NoState, Step, ZU_NoDestroy)
