/* The running integral of a value. */
#include "zu_component.h"

static const TZUParamDesc In[] = {
    {0, "X", "Значение", "The value", "double"},
    {1, "Dt", "Шаг", "Seconds per tick (1 when unset)", "double", NULL, 1},
    {2, "Reset", "Сброс", "While true the integral is Initial", "bool"},
    {3, "Initial", "Начальное", "The value it starts from", "double"},
};
static const TZUParamDesc Out[] = {
    {0, "Y", "Интеграл", "Initial + sum of X * Dt", "double"},
};
ZU_LIBRARY_COMPONENT("Integrator", "Интегратор", "The running integral of a value")
ZU_CATEGORY("Control")

typedef struct TState {
  double Sum;
  int Started;
} TState;

static int Step(void* state, const double* in, double* out, char* error, size_t errorSize) {
  TState* s = (TState*)state;
  (void)error;
  (void)errorSize;
  if (!s->Started || in[2] != 0) {
    s->Sum = in[3];
    s->Started = 1;
    if (in[2] != 0) {
      out[0] = s->Sum;
      return 0;
    }
  }
  s->Sum += in[0] * in[1];
  out[0] = s->Sum;
  return 0;
}

ZU_DEFINE_NUMERIC_COMPONENT_OF_STATE(Component, Step)
