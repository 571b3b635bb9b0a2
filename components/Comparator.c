/* A comparator with hysteresis: tells whether a value is above or below a threshold. */
#include "zu_component.h"

static const TZUParamDesc In[] = {
    {0, "Value", "Значение", "The value to watch", "double"},
    {1, "Threshold", "Порог", "The level it is compared with", "double"},
    {2, "Hysteresis", "Гистерезис", "How far the value must move back before the answer changes", "double"},
};
static const TZUParamDesc Out[] = {
    {0, "Above", "Выше", "True while Value > Threshold", "bool"},
    {1, "Below", "Ниже", "True while Value < Threshold - Hysteresis", "bool"},
};
static const TZUComponentDesc Component = {"Comparator",
                                           "Компаратор",
                                           "Compares a value with a threshold, with hysteresis",
                                           "ZU Programming",
                                           "(c) 2026 ZU Programming",
                                           "https://zu-programming.example/components",
                                           {1, 1, 0, 2},
                                           In,
                                           ZU_COUNT(In),
                                           Out,
                                           ZU_COUNT(Out)};

ZU_DEFINE_COMPONENT(Component)
