/* A signal generator: produces a periodic test signal for the modules after it, one value per
 * tick. */
#include "zu_component.h"

#include <math.h>

static const TZUParamDesc In[] = {
    {0, "Period", "Период, тактов", "How many ticks one period lasts (at least 1; 20 when unset)",
     "double"},
    {1, "Amplitude", "Амплитуда", "Peak value of the signal (1 when unset)", "double"},
    {2, "Waveform", "Форма", "0 sine, 1 square, 2 triangle, 3 ramp", "double",
     "0=Sine|1=Square|2=Triangle|3=Ramp"},
    {3, "Enable", "Включено", "The signal runs while this is true (true when unset)", "bool"},
};
static const TZUParamDesc Out[] = {
    {0, "Signal", "Сигнал", "The generated value at each step", "double"},
};
static const TZUComponentDesc Component = {"SignalGenerator",
                                           "Генератор сигнала",
                                           "Produces a sine, square, triangle or ramp signal",
                                           "ZU Programming",
                                           "(c) 2026 ZU Programming",
                                           "https://kven.org/zu-programming/components/",
                                           {1, 1, 0, 2},
                                           In,
                                           ZU_COUNT(In),
                                           Out,
                                           ZU_COUNT(Out)};

typedef struct TGenerator {
  long long Step; /* steps taken so far */
} TGenerator;

static void* Create(BSTR constants, char* error, size_t errorSize) {
  (void)constants;
  TGenerator* g = (TGenerator*)calloc(1, sizeof *g);
  if (!g)
    snprintf(error, errorSize, "out of memory");
  return g;
}

/* The value at step n of a signal of the waveform, period (ticks) and amplitude. */
static double Wave(int waveform, double period, double amplitude, long long n) {
  const double phase = fmod((double)n, period) / period; /* 0 .. 1 */
  switch (waveform) {
  case 1:
    return phase < 0.5 ? amplitude : -amplitude;
  case 2:
    return amplitude * (phase < 0.5 ? 4 * phase - 1 : 3 - 4 * phase);
  case 3:
    return amplitude * phase;
  default:
    return amplitude * sin(2 * M_PI * phase);
  }
}

static int Step(void* state, BSTR inputs, ZU_Values* out, char* error, size_t errorSize) {
  (void)error;
  (void)errorSize;
  TGenerator* g = (TGenerator*)state;
  double period = ZU_ValueDouble(inputs, "Period", 20);
  if (!(period >= 1))
    period = 1;
  const double amplitude = ZU_ValueDouble(inputs, "Amplitude", 1);
  const int waveform = (int)ZU_ValueDouble(inputs, "Waveform", 0);
  const int enabled = ZU_ValueBool(inputs, "Enable", 1);
  ZU_ValuesDouble(out, "Signal", enabled ? Wave(waveform, period, amplitude, g->Step) : 0);
  ++g->Step;
  return 0;
}

ZU_DEFINE_RUNNING_COMPONENT(Component, Create, Step, free)
ZU_CATEGORY("Sources")
