/* How fast a value changes. */
#include "zu_component.h"

static const TZUParamDesc In[] = {
    {0, "X", "Значение", "The value", "double"},
    {1, "Dt", "Шаг", "Seconds per tick (1 when unset)", "double", NULL, 1},
};
static const TZUParamDesc Out[] = {
    {0, "Y", "Производная", "(X - X of the tick before) / Dt; 0 on the first tick", "double"},
};
ZU_LIBRARY_COMPONENT("Derivative", "Производная", "How fast a value changes")
ZU_CATEGORY("Control")

typedef struct TState {
  double Last;
  int Started;
} TState;

static int Step(void* state, const double* in, double* out, char* error, size_t errorSize) {
  TState* s = (TState*)state;
  (void)error;
  (void)errorSize;
  const double dt = in[1] != 0 ? in[1] : 1;
  out[0] = s->Started ? (in[0] - s->Last) / dt : 0;
  s->Last = in[0];
  s->Started = 1;
  return 0;
}

ZU_DEFINE_NUMERIC_COMPONENT_OF_STATE(Component, Step)
