/* Two texts joined, with a separator between them. */
#include "zu_component.h"

static const TZUParamDesc In[] = {
    {0, "A", "Текст A", "The first text", "any"},
    {1, "B", "Текст B", "The second text", "any"},
    {2, "Separator", "Разделитель", "Put between them", "string"},
};
static const TZUParamDesc Out[] = {
    {0, "Text", "Текст", "A, Separator, B", "string"},
};
ZU_LIBRARY_COMPONENT("Concat", "Соединение текстов", "Joins two texts")
ZU_CATEGORY("Text")

static int Step(void* state, BSTR inputs, ZU_Values* out, char* error, size_t errorSize) {
  (void)state;
  char* parts[3] = {ZU_ValueUtf8Copy(inputs, "A"), ZU_ValueUtf8Copy(inputs, "Separator"),
                    ZU_ValueUtf8Copy(inputs, "B")};
  size_t len = 1;
  for (int i = 0; i < 3; ++i)
    len += parts[i] ? strlen(parts[i]) : 0;
  char* text = (char*)malloc(len);
  if (text) {
    text[0] = 0;
    for (int i = 0; i < 3; ++i)
      if (parts[i])
        strcat(text, parts[i]);
    ZU_ValuesText(out, "Text", text);
  }
  for (int i = 0; i < 3; ++i)
    free(parts[i]);
  const int made = text != NULL;
  free(text);
  if (!made)
    snprintf(error, errorSize, "out of memory");
  return made ? 0 : 1;
}

ZU_DEFINE_RUNNING_COMPONENT(Component, ZU_NoState, Step, ZU_NoDestroy)
