/* Subtracts one value from another. */
#include "zu_component.h"

static const TZUParamDesc In[] = {
    {0, "A", "Уменьшаемое", "The value subtracted from", "double"},
    {1, "B", "Вычитаемое", "The value subtracted", "double"},
};
static const TZUParamDesc Out[] = {
    {0, "Difference", "Разность", "A - B", "double"},
};
ZU_LIBRARY_COMPONENT("Subtract", "Вычитание", "Subtracts one value from another")
ZU_CATEGORY("Math")

static int Step(void* state, const double* in, double* out, char* error, size_t errorSize) {
  (void)state;
  (void)error;
  (void)errorSize;
  out[0] = in[0] - in[1];
  return 0;
}

ZU_DEFINE_NUMERIC_COMPONENT(Component, ZU_NoState, Step, ZU_NoDestroy)
