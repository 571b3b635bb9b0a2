/* A text read as a number. */
#include "zu_component.h"

static const TZUParamDesc In[] = {
    {0, "Text", "Текст",
     "The text (spaces around the number are allowed; '.' or ',' before the "
     "decimals)",
     "string"},
};
static const TZUParamDesc Out[] = {
    {0, "Value", "Значение", "The number, 0 when the text is none", "double"},
    {1, "Valid", "Верно", "True when the text is a number", "bool"},
};
ZU_LIBRARY_COMPONENT("ParseNumber", "Текст в число", "Reads a number from a text")
ZU_CATEGORY("Text")

static int Step(void* state, BSTR inputs, ZU_Values* out, char* error, size_t errorSize) {
  (void)state;
  (void)error;
  (void)errorSize;
  char text[256];
  ZU_ValueUtf8(inputs, "Text", text, sizeof text);
  for (char* p = text; *p; ++p)
    if (*p == ',')
      *p = '.';
  const char* from = text;
  while (*from == ' ' || *from == '\t')
    ++from;
  char* end = NULL;
  const double v = strtod(from, &end);
  while (end && (*end == ' ' || *end == '\t' || *end == '\r' || *end == '\n'))
    ++end;
  const int valid = end && end != from && *end == 0;
  ZU_ValuesDouble(out, "Value", valid ? v : 0);
  ZU_ValuesBool(out, "Valid", valid);
  return 0;
}

ZU_DEFINE_RUNNING_COMPONENT(Component, ZU_NoState, Step, ZU_NoDestroy)
