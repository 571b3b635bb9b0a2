/* An adder: the sum of two values. */
#include "zu_component.h"

static const TZUParamDesc In[] = {
    {0, "A", "Слагаемое A", "First term", "double"},
    {1, "B", "Слагаемое B", "Second term", "double"},
};
static const TZUParamDesc Out[] = {
    {0, "Sum", "Сумма", "A + B", "double"},
};
static const TZUComponentDesc Component = {"Adder",
                                           "Сумматор",
                                           "Adds two values",
                                           "ZU Programming",
                                           "(c) 2026 ZU Programming",
                                           "https://zu-programming.example/components",
                                           {1, 0, 0, 1},
                                           In,
                                           ZU_COUNT(In),
                                           Out,
                                           ZU_COUNT(Out)};

ZU_DEFINE_COMPONENT(Component)
