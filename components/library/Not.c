/* The opposite of the input. */
#include "zu_component.h"

static const TZUParamDesc In[] = {
    {0, "A", "Вход", "The input", "bool"},
};
static const TZUParamDesc Out[] = {
    {0, "Q", "Выход", "not A", "bool"},
};
ZU_LIBRARY_COMPONENT("Not", "НЕ", "The opposite of the input")
ZU_CATEGORY("Logic")

static int Step(void* state, const double* in, double* out, char* error, size_t errorSize) {
  (void)state;
  (void)error;
  (void)errorSize;
  out[0] = in[0] == 0;
  return 0;
}

ZU_DEFINE_NUMERIC_COMPONENT(Component, ZU_NoState, Step, ZU_NoDestroy)
