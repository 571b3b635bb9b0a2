/* A signal generator: produces a periodic test signal for the modules after it. */
#include "zu_component.h"

static const TZUParamDesc In[] = {
    {0, "Frequency", "Частота, Гц", "How many periods per second, 0.001 to 100000", "double"},
    {1, "Amplitude", "Амплитуда", "Peak value of the signal", "double"},
    {2, "Waveform", "Форма", "0 sine, 1 square, 2 triangle, 3 sawtooth", "double"},
    {3, "Enable", "Включено", "The signal runs while this is true", "bool"},
};
static const TZUParamDesc Out[] = {
    {0, "Signal", "Сигнал", "The generated value at each step", "double"},
};
static const TZUComponentDesc Component = {"SignalGenerator",
                                           "Генератор сигнала",
                                           "Produces a sine, square, triangle or sawtooth signal",
                                           "ZU Programming",
                                           "(c) 2026 ZU Programming",
                                           "https://zu-programming.example/components",
                                           {1, 0, 0, 1},
                                           In,
                                           ZU_COUNT(In),
                                           Out,
                                           ZU_COUNT(Out)};

ZU_DEFINE_COMPONENT(Component)
