// A formula over X, Y and Z, evaluated by the muparser library.
#include "zu_component.h"

#include <muParser.h>
#include <new>
#include <string>

static const TZUParamDesc In[] = {
    {0, "Formula", "Формула",
     "The formula over X, Y and Z: + - * / ^, comparisons, ?:, sin, cos, sqrt, abs, min, max, "
     "_pi, ... (\"2*X + sin(Y)\")",
     "string"},
    {1, "X", "X", "The value of X in the formula", "double"},
    {2, "Y", "Y", "The value of Y in the formula", "double"},
    {3, "Z", "Z", "The value of Z in the formula", "double"},
};
static const TZUParamDesc Out[] = {
    {0, "Result", "Результат", "The formula's value (nan while it cannot be read)", "double"},
    {1, "Valid", "Верно", "False while the formula cannot be read", "bool"},
};
ZU_LIBRARY_COMPONENT("Expression", "Формула", "Evaluates a formula over X, Y and Z")
ZU_CATEGORY("Math")

namespace {

struct TExpression {
  mu::Parser Parser;
  double X = 0, Y = 0, Z = 0;
  std::string Formula;
  bool Set = false;
  // The reason the formula was refused, told to the log once per formula.
  std::string Refused;
};

void* Create(BSTR constants, char* error, size_t errorSize) {
  (void)constants;
  auto* e = new (std::nothrow) TExpression;
  if (!e) {
    snprintf(error, errorSize, "out of memory");
    return nullptr;
  }
  try {
    e->Parser.DefineVar("X", &e->X);
    e->Parser.DefineVar("Y", &e->Y);
    e->Parser.DefineVar("Z", &e->Z);
  } catch (const mu::Parser::exception_type& x) {
    snprintf(error, errorSize, "%s", x.GetMsg().c_str());
    delete e;
    return nullptr;
  }
  return e;
}

int Step(void* state, BSTR inputs, ZU_Values* out, char* error, size_t errorSize) {
  (void)error;
  (void)errorSize;
  auto* e = static_cast<TExpression*>(state);
  char* formula = ZU_ValueUtf8Copy(inputs, "Formula");
  const std::string text = formula ? formula : "";
  free(formula);
  e->X = ZU_ValueDouble(inputs, "X", 0);
  e->Y = ZU_ValueDouble(inputs, "Y", 0);
  e->Z = ZU_ValueDouble(inputs, "Z", 0);
  double result = nan("");
  bool valid = false;
  try {
    if (!e->Set || text != e->Formula) {
      e->Formula = text;
      e->Set = true;
      e->Refused.clear();
      e->Parser.SetExpr(text.empty() ? "0" : text);
    }
    if (e->Refused.empty()) {
      result = e->Parser.Eval();
      valid = true;
    }
  } catch (const mu::Parser::exception_type& x) {
    if (e->Refused.empty()) {
      e->Refused = x.GetMsg();
      ZU_Log(ZU_LOG_ERROR, "formula \"%s\" not read: %s", text.c_str(), e->Refused.c_str());
    }
  }
  ZU_ValuesDouble(out, "Result", result);
  ZU_ValuesBool(out, "Valid", valid);
  return 0;
}

void Destroy(void* state) {
  delete static_cast<TExpression*>(state);
}

} // namespace

ZU_DEFINE_RUNNING_COMPONENT(Component, Create, Step, Destroy)
