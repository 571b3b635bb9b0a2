/* The mean of the last values of its input. */
#include "zu_component.h"

static const TZUParamDesc In[] = {
    {0, "X", "Значение", "The value", "double"},
    {1, "Window", "Окно", "How many values (1 to 10000; 10 when unset)", "int", NULL, 10},
};
static const TZUParamDesc Out[] = {
    {0, "Y", "Среднее", "The mean of the last Window values (of fewer at first)", "double"},
};
ZU_LIBRARY_COMPONENT("MovingAverage", "Скользящее среднее",
                     "The mean of the last values of its input")
ZU_CATEGORY("Control")

enum { MaxWindow = 10000 };

typedef struct TState {
  long long Count;
  int Window;
  double Ring[MaxWindow];
} TState;

static int Step(void* state, const double* in, double* out, char* error, size_t errorSize) {
  TState* s = (TState*)state;
  (void)error;
  (void)errorSize;
  const int window = in[1] < 1 ? 1 : in[1] > MaxWindow ? MaxWindow : (int)in[1];
  if (window != s->Window) {
    /* A new window starts afresh. */
    s->Window = window;
    s->Count = 0;
  }
  s->Ring[s->Count % window] = in[0];
  ++s->Count;
  const long long n = s->Count < window ? s->Count : window;
  double sum = 0;
  for (long long i = 0; i < n; ++i)
    sum += s->Ring[i];
  out[0] = sum / (double)n;
  return 0;
}

ZU_DEFINE_NUMERIC_COMPONENT_OF_STATE(Component, Step)
