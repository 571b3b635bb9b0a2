/* Keeps a value between a low and a high limit. */
#include "zu_component.h"

static const TZUParamDesc In[] = {
    {0, "X", "Значение", "The value", "double"},
    {1, "Low", "Нижний предел", "The least value let through", "double", NULL, -INFINITY},
    {2, "High", "Верхний предел", "The largest value let through", "double", NULL, INFINITY},
};
static const TZUParamDesc Out[] = {
    {0, "Y", "Выход", "X kept between Low and High", "double"},
    {1, "Limited", "Ограничено", "True when X was outside the limits", "bool"},
};
ZU_LIBRARY_COMPONENT("Limit", "Ограничение", "Keeps a value between a low and a high limit")
ZU_CATEGORY("Math")

static int Step(void* state, const double* in, double* out, char* error, size_t errorSize) {
  (void)state;
  (void)error;
  (void)errorSize;
  const double y = in[0] < in[1] ? in[1] : in[0] > in[2] ? in[2] : in[0];
  out[0] = y;
  out[1] = y != in[0];
  return 0;
}

ZU_DEFINE_NUMERIC_COMPONENT(Component, ZU_NoState, Step, ZU_NoDestroy)
