/* A recorder: keeps the last values of its input, for the property grid and the CSV file. */
#include "zu_component.h"

static const TZUParamDesc In[] = {
    {0, "Value", "Значение", "The value to record", "any"},
    {1, "Size", "Размер", "How many values are kept (1 to 1000; 10 when unset)", "double"},
};
static const TZUParamDesc Out[] = {
    {0, "Last", "Последнее", "The latest value", "any"},
    {1, "Values", "Значения", "The kept values, oldest first, separated by \"; \"", "string"},
    {2, "Count", "Записано", "How many values were recorded since the start", "double"},
};
static const TZUComponentDesc Component = {"Recorder",
                                           "Самописец",
                                           "Keeps the last N values of its input",
                                           "ZU Programming",
                                           "(c) 2026 ZU Programming",
                                           "https://kven.org/zu-programming/components/",
                                           {1, 0, 0, 1},
                                           In,
                                           ZU_COUNT(In),
                                           Out,
                                           ZU_COUNT(Out)};

enum { MaxSize = 1000, MaxValue = 256 };

typedef struct TRecorder {
  int Size;
  long long Count;
  char Values[MaxSize][MaxValue]; /* a ring: the oldest at Count % Size once full */
} TRecorder;

static void* Create(BSTR constants, char* error, size_t errorSize) {
  double size = ZU_ValueDouble(constants, "Size", 10);
  if (!(size >= 1) || size > MaxSize) {
    snprintf(error, errorSize, "Size must be 1 to %d", MaxSize);
    return NULL;
  }
  TRecorder* r = (TRecorder*)calloc(1, sizeof *r);
  if (!r) {
    snprintf(error, errorSize, "out of memory");
    return NULL;
  }
  r->Size = (int)size;
  return r;
}

static int Step(void* state, BSTR inputs, ZU_Values* out, char* error, size_t errorSize) {
  (void)error;
  (void)errorSize;
  TRecorder* r = (TRecorder*)state;
  char value[MaxValue];
  ZU_ValueUtf8(inputs, "Value", value, sizeof value);
  memcpy(r->Values[r->Count % r->Size], value, sizeof value);
  ++r->Count;
  const long long kept = r->Count < r->Size ? r->Count : r->Size;
  ZU_Values all = ZU_VALUES_INIT;
  for (long long i = r->Count - kept; i < r->Count; ++i) {
    if (i > r->Count - kept)
      ZU_ValuesPut(&all, "; ", 2);
    const char* v = r->Values[i % r->Size];
    ZU_ValuesPut(&all, v, strlen(v));
  }
  ZU_ValuesText(out, "Last", value);
  ZU_ValuesText(out, "Values", all.Data ? all.Data : "");
  ZU_ValuesDouble(out, "Count", (double)r->Count);
  free(all.Data);
  return 0;
}

ZU_DEFINE_RUNNING_COMPONENT(Component, Create, Step, free)
ZU_CATEGORY("Files")
