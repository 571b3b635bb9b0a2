/* Turns on when its input has been on for a number of ticks. */
#include "zu_component.h"

static const TZUParamDesc In[] = {
    {0, "In", "Вход", "The input", "bool"},
    {1, "Ticks", "Тактов", "How long In must stay true", "int", NULL, 10},
};
static const TZUParamDesc Out[] = {
    {0, "Q", "Выход", "True once In has been true Ticks ticks in a row", "bool"},
    {1, "Elapsed", "Прошло", "Ticks In has been true", "int"},
};
ZU_LIBRARY_COMPONENT("OnDelay", "Задержка включения",
                     "Turns on when its input has been on for a number of ticks")
ZU_CATEGORY("Timing")

typedef struct TState {
  long long Elapsed;
} TState;

static int Step(void* state, const double* in, double* out, char* error, size_t errorSize) {
  TState* s = (TState*)state;
  (void)error;
  (void)errorSize;
  s->Elapsed = in[0] != 0 ? s->Elapsed + 1 : 0;
  out[0] = in[0] != 0 && s->Elapsed >= in[1];
  out[1] = (double)s->Elapsed;
  return 0;
}

ZU_DEFINE_NUMERIC_COMPONENT_OF_STATE(Component, Step)
