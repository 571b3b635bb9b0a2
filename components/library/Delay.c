/* The value of its input a number of ticks ago. */
#include "zu_component.h"

static const TZUParamDesc In[] = {
    {0, "X", "Значение", "The value", "double"},
    {1, "Ticks", "Тактов", "How many ticks later it comes out (0 to 10000)", "int", NULL, 1},
};
static const TZUParamDesc Out[] = {
    {0, "Y", "Выход", "X of Ticks ticks ago (0 before that)", "double"},
};
ZU_LIBRARY_COMPONENT("Delay", "Задержка", "The value of its input a number of ticks ago")
ZU_CATEGORY("Timing")

enum { MaxTicks = 10000 };

typedef struct TState {
  long long Count;
  double Ring[MaxTicks + 1];
} TState;

static int Step(void* state, const double* in, double* out, char* error, size_t errorSize) {
  TState* s = (TState*)state;
  (void)error;
  (void)errorSize;
  int n = in[1] < 0 ? 0 : in[1] > MaxTicks ? MaxTicks : (int)in[1];
  if (n == 0) {
    out[0] = in[0];
    return 0;
  }
  /* The ring keeps the last MaxTicks + 1 values; the one n ticks ago is read before writing. */
  const long long at = s->Count;
  out[0] = at >= n ? s->Ring[(at - n) % (MaxTicks + 1)] : 0;
  s->Ring[at % (MaxTicks + 1)] = in[0];
  s->Count = at + 1;
  return 0;
}

ZU_DEFINE_NUMERIC_COMPONENT_OF_STATE(Component, Step)
