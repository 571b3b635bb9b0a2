/* Passes one of two values as a condition says. */
#include "zu_component.h"

static const TZUParamDesc In[] = {
    {0, "Condition", "Условие", "Which value passes", "bool"},
    {1, "A", "Если да", "Passed when Condition is true", "double"},
    {2, "B", "Если нет", "Passed when Condition is false", "double"},
};
static const TZUParamDesc Out[] = {
    {0, "Y", "Выход", "A when Condition, otherwise B", "double"},
};
ZU_LIBRARY_COMPONENT("Select", "Выбор", "Passes one of two values as a condition says")
ZU_CATEGORY("Logic")

static int Step(void* state, const double* in, double* out, char* error, size_t errorSize) {
  (void)state;
  (void)error;
  (void)errorSize;
  out[0] = in[0] != 0 ? in[1] : in[2];
  return 0;
}

ZU_DEFINE_NUMERIC_COMPONENT(Component, ZU_NoState, Step, ZU_NoDestroy)
