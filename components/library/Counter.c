/* Counts the rising edges of its input. */
#include "zu_component.h"

static const TZUParamDesc In[] = {
    {0, "Up", "Счёт", "Each change from false to true adds one", "bool"},
    {1, "Reset", "Сброс", "While true the count is 0", "bool"},
};
static const TZUParamDesc Out[] = {
    {0, "Count", "Количество", "Rising edges since the start or the last reset", "int"},
};
ZU_LIBRARY_COMPONENT("Counter", "Счётчик", "Counts the rising edges of its input")
ZU_CATEGORY("Timing")

typedef struct TState {
  long long Count;
  int Was;
} TState;

static int Step(void* state, const double* in, double* out, char* error, size_t errorSize) {
  TState* s = (TState*)state;
  (void)error;
  (void)errorSize;
  const int up = in[0] != 0;
  if (in[1] != 0)
    s->Count = 0;
  else if (up && !s->Was)
    ++s->Count;
  s->Was = up;
  out[0] = (double)s->Count;
  return 0;
}

ZU_DEFINE_NUMERIC_COMPONENT_OF_STATE(Component, Step)
