/* Turns on above a high level and off below a low one. */
#include "zu_component.h"

static const TZUParamDesc In[] = {
    {0, "X", "Значение", "The value", "double"},
    {1, "Low", "Нижний уровень", "Q turns false below it", "double"},
    {2, "High", "Верхний уровень", "Q turns true above it (1 when unset)", "double", NULL, 1},
};
static const TZUParamDesc Out[] = {
    {0, "Q", "Выход", "True from X > High until X < Low", "bool"},
};
ZU_LIBRARY_COMPONENT("Hysteresis", "Гистерезис",
                     "Turns on above a high level and off below a low one")
ZU_CATEGORY("Control")

typedef struct TState {
  int On;
} TState;

static int Step(void* state, const double* in, double* out, char* error, size_t errorSize) {
  TState* s = (TState*)state;
  (void)error;
  (void)errorSize;
  if (in[0] > in[2])
    s->On = 1;
  else if (in[0] < in[1])
    s->On = 0;
  out[0] = s->On;
  return 0;
}

ZU_DEFINE_NUMERIC_COMPONENT_OF_STATE(Component, Step)
