/* A pulse of a number of ticks on each rising edge of its input. */
#include "zu_component.h"

static const TZUParamDesc In[] = {
    {0, "In", "Вход", "The input", "bool"},
    {1, "Ticks", "Тактов", "How long each pulse lasts", "int", NULL, 1},
};
static const TZUParamDesc Out[] = {
    {0, "Q", "Выход", "True for Ticks ticks from each rising edge of In", "bool"},
};
ZU_LIBRARY_COMPONENT("Pulse", "Импульс",
                     "A pulse of a number of ticks on each rising edge of its input")
ZU_CATEGORY("Timing")

typedef struct TState {
  long long Left;
  int Was;
} TState;

static int Step(void* state, const double* in, double* out, char* error, size_t errorSize) {
  TState* s = (TState*)state;
  (void)error;
  (void)errorSize;
  const int now = in[0] != 0;
  if (now && !s->Was)
    s->Left = in[1] < 0 ? 0 : (long long)in[1];
  s->Was = now;
  out[0] = s->Left > 0;
  if (s->Left > 0)
    --s->Left;
  return 0;
}

ZU_DEFINE_NUMERIC_COMPONENT_OF_STATE(Component, Step)
