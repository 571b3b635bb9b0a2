/* Pseudo-random numbers, the same for the same seed. */
#include "zu_component.h"

static const TZUParamDesc In[] = {
    {0, "Seed", "Зерно", "The sequence to give (1 when unset)", "int", NULL, 1},
    {1, "Low", "От", "The least value", "double"},
    {2, "High", "До", "The value never reached (1 when unset)", "double", NULL, 1},
};
static const TZUParamDesc Out[] = {
    {0, "Value", "Значение", "A number from Low up to High", "double"},
};
ZU_LIBRARY_COMPONENT("Random", "Случайное число",
                     "Pseudo-random numbers, the same for the same seed")
ZU_CATEGORY("Sources")

typedef struct TState {
  unsigned long long State;
  double Seed;
  int Started;
} TState;

static int Step(void* state, const double* in, double* out, char* error, size_t errorSize) {
  TState* s = (TState*)state;
  (void)error;
  (void)errorSize;
  if (!s->Started || s->Seed != in[0]) {
    /* A new seed starts its sequence again; 0 would stay 0. */
    s->Seed = in[0];
    s->State = (unsigned long long)(long long)in[0] * 0x9E3779B97F4A7C15ULL + 0x2545F4914F6CDD1DULL;
    s->Started = 1;
  }
  /* xorshift64* */
  s->State ^= s->State >> 12;
  s->State ^= s->State << 25;
  s->State ^= s->State >> 27;
  const unsigned long long r = s->State * 0x2545F4914F6CDD1DULL;
  out[0] = in[1] + (in[2] - in[1]) * ((double)(r >> 11) / 9007199254740992.0);
  return 0;
}

ZU_DEFINE_NUMERIC_COMPONENT_OF_STATE(Component, Step)
