/* Compares two values within a tolerance. */
#include "zu_component.h"

static const TZUParamDesc In[] = {
    {0, "A", "Значение A", "First value", "double"},
    {1, "B", "Значение B", "Second value", "double"},
    {2, "Tolerance", "Допуск", "Differences up to this count as equal", "double"},
};
static const TZUParamDesc Out[] = {
    {0, "Greater", "Больше", "A > B + Tolerance", "bool"},
    {1, "Equal", "Равно", "|A - B| <= Tolerance", "bool"},
    {2, "Less", "Меньше", "A < B - Tolerance", "bool"},
};
ZU_LIBRARY_COMPONENT("Compare", "Сравнение", "Compares two values within a tolerance")
ZU_CATEGORY("Logic")

static int Step(void* state, const double* in, double* out, char* error, size_t errorSize) {
  (void)state;
  (void)error;
  (void)errorSize;
  const double t = fabs(in[2]);
  out[0] = in[0] > in[1] + t;
  out[2] = in[0] < in[1] - t;
  out[1] = fabs(in[0] - in[1]) <= t;
  return 0;
}

ZU_DEFINE_NUMERIC_COMPONENT(Component, ZU_NoState, Step, ZU_NoDestroy)
