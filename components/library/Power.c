/* A value raised to a power. */
#include "zu_component.h"

static const TZUParamDesc In[] = {
    {0, "Base", "Основание", "The base", "double"},
    {1, "Exponent", "Показатель", "The exponent (1 when unset)", "double", NULL, 1},
};
static const TZUParamDesc Out[] = {
    {0, "Result", "Результат", "Base to the power Exponent (nan where undefined)", "double"},
};
ZU_LIBRARY_COMPONENT("Power", "Степень", "A value raised to a power")
ZU_CATEGORY("Math")

static int Step(void* state, const double* in, double* out, char* error, size_t errorSize) {
  (void)state;
  (void)error;
  (void)errorSize;
  out[0] = pow(in[0], in[1]);
  return 0;
}

ZU_DEFINE_NUMERIC_COMPONENT(Component, ZU_NoState, Step, ZU_NoDestroy)
