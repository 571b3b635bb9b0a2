/* The smaller and the larger of two values. */
#include "zu_component.h"

static const TZUParamDesc In[] = {
    {0, "A", "Значение A", "First value", "double"},
    {1, "B", "Значение B", "Second value", "double"},
};
static const TZUParamDesc Out[] = {
    {0, "Min", "Минимум", "The smaller of A and B", "double"},
    {1, "Max", "Максимум", "The larger of A and B", "double"},
};
ZU_LIBRARY_COMPONENT("MinMax", "Минимум и максимум", "The smaller and the larger of two values")
ZU_CATEGORY("Math")

static int Step(void* state, const double* in, double* out, char* error, size_t errorSize) {
  (void)state;
  (void)error;
  (void)errorSize;
  out[0] = in[0] < in[1] ? in[0] : in[1];
  out[1] = in[0] < in[1] ? in[1] : in[0];
  return 0;
}

ZU_DEFINE_NUMERIC_COMPONENT(Component, ZU_NoState, Step, ZU_NoDestroy)
