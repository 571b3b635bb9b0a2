/* A comparator with hysteresis: tells whether a value is above or below a threshold. */
#include "zu_component.h"

static const TZUParamDesc In[] = {
    {0, "Value", "Значение", "The value to watch", "double"},
    {1, "Threshold", "Порог", "The level it is compared with (0 when unset)", "double"},
    {2, "Hysteresis", "Гистерезис",
     "How far the value must fall below the threshold before Above turns false again", "double"},
};
static const TZUParamDesc Out[] = {
    {0, "Above", "Выше",
     "Turns true when Value > Threshold, false again when Value < Threshold - Hysteresis", "bool"},
    {1, "Below", "Ниже", "The opposite of Above", "bool"},
};
static const TZUComponentDesc Component = {"Comparator",
                                           "Компаратор",
                                           "Compares a value with a threshold, with hysteresis",
                                           "ZU Programming",
                                           "(c) 2026 ZU Programming",
                                           "https://kven.org/zu-programming/components/",
                                           {1, 2, 0, 3},
                                           In,
                                           ZU_COUNT(In),
                                           Out,
                                           ZU_COUNT(Out)};

typedef struct TComparator {
  int Above;
} TComparator;

static void* Create(BSTR constants, char* error, size_t errorSize) {
  (void)constants;
  TComparator* c = (TComparator*)calloc(1, sizeof *c);
  if (!c)
    snprintf(error, errorSize, "out of memory");
  return c;
}

static int Step(void* state, BSTR inputs, ZU_Values* out, char* error, size_t errorSize) {
  (void)error;
  (void)errorSize;
  TComparator* c = (TComparator*)state;
  const double value = ZU_ValueDouble(inputs, "Value", 0);
  const double threshold = ZU_ValueDouble(inputs, "Threshold", 0);
  double hysteresis = ZU_ValueDouble(inputs, "Hysteresis", 0);
  if (hysteresis < 0)
    hysteresis = 0;
  if (value > threshold)
    c->Above = 1;
  else if (value < threshold - hysteresis)
    c->Above = 0;
  ZU_ValuesBool(out, "Above", c->Above);
  ZU_ValuesBool(out, "Below", !c->Above);
  return 0;
}

ZU_DEFINE_RUNNING_COMPONENT(Component, Create, Step, free)
ZU_CATEGORY("Logic")
