/* Stays on for a number of ticks after its input turns off. */
#include "zu_component.h"

static const TZUParamDesc In[] = {
    {0, "In", "Вход", "The input", "bool"},
    {1, "Ticks", "Тактов", "How long Q stays true after In", "int", NULL, 10},
};
static const TZUParamDesc Out[] = {
    {0, "Q", "Выход", "True while In is true and Ticks ticks after", "bool"},
    {1, "Elapsed", "Прошло", "Ticks since In turned false", "int"},
};
ZU_LIBRARY_COMPONENT("OffDelay", "Задержка отключения",
                     "Stays on for a number of ticks after its input turns off")
ZU_CATEGORY("Timing")

typedef struct TState {
  long long Elapsed;
  int Started;
} TState;

static int Step(void* state, const double* in, double* out, char* error, size_t errorSize) {
  TState* s = (TState*)state;
  (void)error;
  (void)errorSize;
  if (in[0] != 0) {
    s->Elapsed = 0;
    s->Started = 1;
  } else if (s->Started) {
    ++s->Elapsed;
  }
  out[0] = s->Started && (in[0] != 0 || s->Elapsed <= in[1]);
  out[1] = (double)s->Elapsed;
  return 0;
}

ZU_DEFINE_NUMERIC_COMPONENT_OF_STATE(Component, Step)
