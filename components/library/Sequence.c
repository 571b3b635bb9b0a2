/* A sequence: gives the values of a list one per tick. */
#include "zu_component.h"

static const TZUParamDesc In[] = {
    {0, "Values", "Значения", "The values, separated by ';' (\"1;2;3\", \"true;false\")", "string"},
    {1, "Repeat", "Повторять", "Start again after the last value (otherwise it stays)", "bool"},
};
static const TZUParamDesc Out[] = {
    {0, "Value", "Значение", "The value of this tick", "any"},
    {1, "Index", "Номер", "Its place in the list, from 0", "int"},
    {2, "Done", "Закончено", "True once the last value was given (never when repeating)", "bool"},
};
ZU_LIBRARY_COMPONENT("Sequence", "Последовательность", "Gives the values of a list, one per tick")
ZU_CATEGORY("Sources")

typedef struct TSequence {
  long long Next;
} TSequence;

static void* Create(BSTR constants, char* error, size_t errorSize) {
  (void)constants;
  (void)error;
  (void)errorSize;
  return calloc(1, sizeof(TSequence));
}

static int Step(void* state, BSTR inputs, ZU_Values* out, char* error, size_t errorSize) {
  TSequence* s = (TSequence*)state;
  (void)error;
  (void)errorSize;
  char* values = ZU_ValueUtf8Copy(inputs, "Values");
  const char* list = values ? values : "";
  long long count = 1;
  for (const char* p = list; *p; ++p)
    count += *p == ';';
  const int repeat = ZU_ValueBool(inputs, "Repeat", 0);
  long long index = s->Next;
  if (index >= count)
    index = repeat ? index % count : count - 1;
  /* The index-th field. */
  const char* from = list;
  for (long long i = 0; i < index; ++i)
    from = strchr(from, ';') + 1;
  const char* end = strchr(from, ';');
  const size_t len = end ? (size_t)(end - from) : strlen(from);
  char* value = (char*)malloc(len + 1);
  if (value) {
    memcpy(value, from, len);
    value[len] = 0;
    /* A field keeps no spaces around it. */
    char* v = value;
    while (*v == ' ')
      ++v;
    for (size_t n = strlen(v); n > 0 && v[n - 1] == ' '; --n)
      v[n - 1] = 0;
    ZU_ValuesText(out, "Value", v);
    free(value);
  }
  char number[32];
  snprintf(number, sizeof number, "%lld", index);
  ZU_ValuesText(out, "Index", number);
  ZU_ValuesBool(out, "Done", !repeat && s->Next >= count - 1);
  s->Next = repeat ? (index + 1) % count : s->Next + 1;
  free(values);
  return 0;
}

ZU_DEFINE_RUNNING_COMPONENT(Component, Create, Step, free)
