// A running component whose step throws a C++ exception at its second step.
#include "../../../components/zu_component.h"

#include <stdexcept>

static const TZUParamDesc Out[] = {{0, "Y", "Y", "the step number", "double"}};
static const TZUComponentDesc Component = {"StepThrows",
                                           "Test component",
                                           "Used by the tests",
                                           "ZU Programming",
                                           "(c) 2026",
                                           "https://kven.org/zu-programming/tests/",
                                           {1, 2, 3, 4},
                                           nullptr,
                                           0,
                                           Out,
                                           ZU_COUNT(Out)};

static long Steps = 0;

static int Step(void*, BSTR, ZU_Values* out, char*, size_t) {
  if (++Steps == 2)
    throw std::runtime_error("thrown from a step");
  ZU_ValuesDouble(out, "Y", static_cast<double>(Steps));
  return 0;
}

ZU_DEFINE_RUNNING_COMPONENT(Component, ZU_NoState, Step, ZU_NoDestroy)
