/* A running component that misbehaves in its step as the environment asks:
 * ZU_TEST_MISBEHAVE = "crash N" (a null write at step N), "hang N" (never returns from step N),
 * "fail N" (returns an error at step N), "abort N" (abort() at step N); steps count from 1 per
 * instance. Its input "X" comes out as "Y" (X + 1). */
#include "../../../components/zu_component.h"

#include <unistd.h>

static const TZUParamDesc In[] = {{0, "X", "X", "a number", "double"}};
static const TZUParamDesc Out[] = {{0, "Y", "Y", "X + 1", "double"}};
static const TZUComponentDesc Component = {"Misbehaves",        "Test component",
                                           "Used by the tests", "ZU Programming",
                                           "(c) 2026",          "https://example.org/zu",
                                           {1, 2, 3, 4},        In,
                                           ZU_COUNT(In),        Out,
                                           ZU_COUNT(Out)};

typedef struct TState {
  long Steps;
} TState;

static void* Create(BSTR constants, char* error, size_t errorSize) {
  (void)constants;
  (void)error;
  (void)errorSize;
  return calloc(1, sizeof(TState));
}

static int Step(void* state, BSTR inputs, ZU_Values* out, char* error, size_t errorSize) {
  TState* s = (TState*)state;
  ++s->Steps;
  const char* how = getenv("ZU_TEST_MISBEHAVE");
  char what[16] = "";
  long at = 0;
  if (how && sscanf(how, "%15s %ld", what, &at) == 2 && s->Steps == at) {
    if (strcmp(what, "crash") == 0) {
      volatile int* nowhere = 0;
      *nowhere = 1;
    } else if (strcmp(what, "hang") == 0) {
      for (;;)
        pause();
    } else if (strcmp(what, "abort") == 0) {
      abort();
    } else if (strcmp(what, "fail") == 0) {
      snprintf(error, errorSize, "sensor lost at step %ld", at);
      return 1;
    }
  }
  ZU_ValuesDouble(out, "Y", ZU_ValueDouble(inputs, "X", 0) + 1);
  return 0;
}

ZU_DEFINE_RUNNING_COMPONENT(Component, Create, Step, free)
