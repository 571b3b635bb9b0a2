/* True when exactly one input is true. */
#include "zu_component.h"

static const TZUParamDesc In[] = {
    {0, "A", "Вход A", "First input", "bool"},
    {1, "B", "Вход B", "Second input", "bool"},
};
static const TZUParamDesc Out[] = {
    {0, "Q", "Выход", "A xor B", "bool"},
};
ZU_LIBRARY_COMPONENT("Xor", "Исключающее ИЛИ", "True when exactly one input is true")
ZU_CATEGORY("Logic")

static int Step(void* state, const double* in, double* out, char* error, size_t errorSize) {
  (void)state;
  (void)error;
  (void)errorSize;
  out[0] = (in[0] != 0) != (in[1] != 0);
  return 0;
}

ZU_DEFINE_NUMERIC_COMPONENT(Component, ZU_NoState, Step, ZU_NoDestroy)
