/* A number as a text with a number of decimals and a unit. */
#include "zu_component.h"

static const TZUParamDesc In[] = {
    {0, "X", "Значение", "The number", "double"},
    {1, "Decimals", "Знаков", "Decimals shown (0 to 15; -1 or unset: as few as needed)", "int"},
    {2, "Unit", "Единица", "Text put after the number, with a space", "string"},
};
static const TZUParamDesc Out[] = {
    {0, "Text", "Текст", "The number as text, \"21.50 °C\"", "string"},
};
ZU_LIBRARY_COMPONENT("FormatNumber", "Число в текст", "Writes a number as a text")
ZU_CATEGORY("Text")

static int Step(void* state, BSTR inputs, ZU_Values* out, char* error, size_t errorSize) {
  (void)state;
  (void)error;
  (void)errorSize;
  const double x = ZU_ValueDouble(inputs, "X", 0);
  const double d = ZU_ValueDouble(inputs, "Decimals", -1);
  char number[400];
  if (d >= 0) {
    snprintf(number, sizeof number, "%.*f", d > 15 ? 15 : (int)d, x);
  } else {
    ZU_ShortestDouble(number, sizeof number, x);
  }
  char unit[256];
  ZU_ValueUtf8(inputs, "Unit", unit, sizeof unit);
  char text[700];
  snprintf(text, sizeof text, unit[0] ? "%s %s" : "%s", number, unit);
  ZU_ValuesText(out, "Text", text);
  return 0;
}

ZU_DEFINE_RUNNING_COMPONENT(Component, ZU_NoState, Step, ZU_NoDestroy)
