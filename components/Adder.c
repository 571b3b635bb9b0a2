/* An adder: the sum of two values. */
#include "zu_component.h"

static const TZUParamDesc In[] = {
    {0, "A", "Слагаемое A", "First term (0 when unset)", "double"},
    {1, "B", "Слагаемое B", "Second term (0 when unset)", "double"},
};
static const TZUParamDesc Out[] = {
    {0, "Sum", "Сумма", "A + B", "double"},
};
static const TZUComponentDesc Component = {"Adder",
                                           "Сумматор",
                                           "Adds two values",
                                           "ZU Programming",
                                           "(c) 2026 ZU Programming",
                                           "https://kven.org/zu-programming/components/",
                                           {1, 1, 0, 2},
                                           In,
                                           ZU_COUNT(In),
                                           Out,
                                           ZU_COUNT(Out)};

static int Step(void* state, BSTR inputs, ZU_Values* out, char* error, size_t errorSize) {
  (void)state;
  (void)error;
  (void)errorSize;
  ZU_ValuesDouble(out, "Sum", ZU_ValueDouble(inputs, "A", 0) + ZU_ValueDouble(inputs, "B", 0));
  return 0;
}

ZU_DEFINE_RUNNING_COMPONENT(Component, ZU_NoState, Step, ZU_NoDestroy)
ZU_CATEGORY("Math")

/* The numeric step: the host calls it instead of Step while both inputs have numbers. */
ZU_EXPORT int32_t ZU_Plugin_StepValues(int32_t instance, const double* inputs, int32_t inputCount,
                                       double* outputs, int32_t outputCount, BSTR* error) {
  (void)instance;
  if (inputCount != 2 || outputCount != 1) {
    ZU_SetStringUtf8(error, "wrong number of values");
    return 1;
  }
  outputs[0] = inputs[0] + inputs[1];
  return 0;
}
