/* A value times a gain plus an offset. */
#include "zu_component.h"

static const TZUParamDesc In[] = {
    {0, "X", "Значение", "The value", "double"},
    {1, "Gain", "Коэффициент", "The factor (1 when unset)", "double", NULL, 1},
    {2, "Offset", "Смещение", "Added after the factor", "double"},
};
static const TZUParamDesc Out[] = {
    {0, "Y", "Выход", "X * Gain + Offset", "double"},
};
ZU_LIBRARY_COMPONENT("Scale", "Масштаб", "A value times a gain plus an offset")
ZU_CATEGORY("Math")

static int Step(void* state, const double* in, double* out, char* error, size_t errorSize) {
  (void)state;
  (void)error;
  (void)errorSize;
  out[0] = in[0] * in[1] + in[2];
  return 0;
}

ZU_DEFINE_NUMERIC_COMPONENT(Component, ZU_NoState, Step, ZU_NoDestroy)
