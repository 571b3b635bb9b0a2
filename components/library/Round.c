/* Rounds a value to a number of decimals. */
#include "zu_component.h"

static const TZUParamDesc In[] = {
    {0, "X", "Значение", "The value", "double"},
    {1, "Decimals", "Знаков", "Decimals kept (0 to 15)", "int"},
};
static const TZUParamDesc Out[] = {
    {0, "Result", "Результат", "X rounded half away from zero", "double"},
};
ZU_LIBRARY_COMPONENT("Round", "Округление", "Rounds a value to a number of decimals")
ZU_CATEGORY("Math")

static int Step(void* state, const double* in, double* out, char* error, size_t errorSize) {
  (void)state;
  (void)error;
  (void)errorSize;
  const int decimals = in[1] < 0 ? 0 : in[1] > 15 ? 15 : (int)in[1];
  const double f = pow(10, decimals);
  const double r = round(in[0] * f) / f;
  out[0] = isfinite(r) ? r : in[0];
  return 0;
}

ZU_DEFINE_NUMERIC_COMPONENT(Component, ZU_NoState, Step, ZU_NoDestroy)
