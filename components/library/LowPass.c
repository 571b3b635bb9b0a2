/* A first-order low-pass filter. */
#include "zu_component.h"

static const TZUParamDesc In[] = {
    {0, "X", "Значение", "The value", "double"},
    {1, "TimeConstant", "Постоянная времени", "Seconds (1 when unset)", "double", NULL, 1},
    {2, "Dt", "Шаг", "Seconds per tick (0.1 when unset)", "double", NULL, 0.1},
};
static const TZUParamDesc Out[] = {
    {0, "Y", "Выход", "Y + (X - Y) * Dt / (TimeConstant + Dt), starting at the first X", "double"},
};
ZU_LIBRARY_COMPONENT("LowPass", "Фильтр нижних частот", "A first-order low-pass filter")
ZU_CATEGORY("Control")

typedef struct TState {
  double Y;
  int Started;
} TState;

static int Step(void* state, const double* in, double* out, char* error, size_t errorSize) {
  TState* s = (TState*)state;
  (void)error;
  (void)errorSize;
  const double dt = in[2] > 0 ? in[2] : 0.1;
  const double tc = in[1] > 0 ? in[1] : 0;
  if (!s->Started) {
    s->Y = in[0];
    s->Started = 1;
  } else {
    s->Y += (in[0] - s->Y) * dt / (tc + dt);
  }
  out[0] = s->Y;
  return 0;
}

ZU_DEFINE_NUMERIC_COMPONENT_OF_STATE(Component, Step)
