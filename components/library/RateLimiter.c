/* Lets a value change by at most a step per tick. */
#include "zu_component.h"

static const TZUParamDesc In[] = {
    {0, "X", "Значение", "The value", "double"},
    {1, "Rate", "Шаг", "The largest change per tick (1 when unset)", "double", NULL, 1},
};
static const TZUParamDesc Out[] = {
    {0, "Y", "Выход", "Follows X by at most Rate per tick, starting at the first X", "double"},
};
ZU_LIBRARY_COMPONENT("RateLimiter", "Ограничитель скорости",
                     "Lets a value change by at most a step per tick")
ZU_CATEGORY("Control")

typedef struct TState {
  double Y;
  int Started;
} TState;

static int Step(void* state, const double* in, double* out, char* error, size_t errorSize) {
  TState* s = (TState*)state;
  (void)error;
  (void)errorSize;
  const double rate = fabs(in[1]);
  if (!s->Started) {
    s->Y = in[0];
    s->Started = 1;
  } else if (in[0] > s->Y + rate) {
    s->Y += rate;
  } else if (in[0] < s->Y - rate) {
    s->Y -= rate;
  } else {
    s->Y = in[0];
  }
  out[0] = s->Y;
  return 0;
}

ZU_DEFINE_NUMERIC_COMPONENT_OF_STATE(Component, Step)
