/* The tick count and the time of a run. */
#include "zu_component.h"

static const TZUParamDesc In[] = {
    {0, "Dt", "Шаг", "Seconds per tick (0.1 when unset)", "double", NULL, 0.1},
    {1, "Period", "Период", "Ticks per pulse (10 when unset)", "int", NULL, 10},
};
static const TZUParamDesc Out[] = {
    {0, "Tick", "Такт", "Ticks since the start, from 1", "int"},
    {1, "Time", "Время", "Tick * Dt seconds", "double"},
    {2, "Pulse", "Импульс", "True on every Period-th tick", "bool"},
};
ZU_LIBRARY_COMPONENT("Clock", "Часы", "The tick count and the time of a run")
ZU_CATEGORY("Sources")

typedef struct TState {
  long long Tick;
} TState;

static int Step(void* state, const double* in, double* out, char* error, size_t errorSize) {
  TState* s = (TState*)state;
  (void)error;
  (void)errorSize;
  ++s->Tick;
  const long long period = in[1] < 1 ? 1 : (long long)in[1];
  out[0] = (double)s->Tick;
  out[1] = (double)s->Tick * in[0];
  out[2] = s->Tick % period == 0;
  return 0;
}

ZU_DEFINE_NUMERIC_COMPONENT_OF_STATE(Component, Step)
