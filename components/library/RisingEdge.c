/* True for one tick when its input turns true. */
#include "zu_component.h"

static const TZUParamDesc In[] = {
    {0, "In", "Вход", "The input", "bool"},
};
static const TZUParamDesc Out[] = {
    {0, "Q", "Выход", "True on the tick In turns from false to true", "bool"},
};
ZU_LIBRARY_COMPONENT("RisingEdge", "Передний фронт", "True for one tick when its input turns true")
ZU_CATEGORY("Timing")

typedef struct TState {
  int Was;
} TState;

static int Step(void* state, const double* in, double* out, char* error, size_t errorSize) {
  TState* s = (TState*)state;
  (void)error;
  (void)errorSize;
  const int now = in[0] != 0;
  out[0] = now && !s->Was;
  s->Was = now;
  return 0;
}

ZU_DEFINE_NUMERIC_COMPONENT_OF_STATE(Component, Step)
