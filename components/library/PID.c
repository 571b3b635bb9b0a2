/* A PID controller with output limits and anti-windup. */
#include "zu_component.h"

static const TZUParamDesc In[] = {
    {0, "Setpoint", "Уставка", "The wanted value", "double"},
    {1, "Value", "Значение", "The measured value", "double"},
    {2, "Kp", "Kp", "Proportional gain (1 when unset)", "double", NULL, 1},
    {3, "Ki", "Ki", "Integral gain", "double"},
    {4, "Kd", "Kd", "Derivative gain", "double"},
    {5, "Min", "Минимум", "The least output", "double", NULL, -INFINITY},
    {6, "Max", "Максимум", "The largest output", "double", NULL, INFINITY},
    {7, "Dt", "Шаг", "Seconds per tick (0.1 when unset)", "double", NULL, 0.1},
};
static const TZUParamDesc Out[] = {
    {0, "Output", "Выход", "Kp*e + Ki*integral(e) + Kd*de/dt, kept between Min and Max", "double"},
    {1, "Error", "Ошибка", "Setpoint - Value", "double"},
    {2, "Saturated", "Насыщение", "True when the output is at a limit", "bool"},
};
ZU_LIBRARY_COMPONENT("PID", "ПИД-регулятор", "A PID controller with output limits and anti-windup")
ZU_CATEGORY("Control")

typedef struct TState {
  double Integral;
  double Last;
  int Started;
} TState;

static int Step(void* state, const double* in, double* out, char* error, size_t errorSize) {
  TState* s = (TState*)state;
  (void)error;
  (void)errorSize;
  const double e = in[0] - in[1];
  const double dt = in[7] > 0 ? in[7] : 0.1;
  const double derivative = s->Started ? (e - s->Last) / dt : 0;
  const double integral = s->Integral + e * dt;
  double u = in[2] * e + in[3] * integral + in[4] * derivative;
  int saturated = 0;
  if (u > in[6]) {
    u = in[6];
    saturated = 1;
  } else if (u < in[5]) {
    u = in[5];
    saturated = 1;
  }
  /* Anti-windup: the integral stops growing while the output is held at a limit in its way. */
  if (!saturated || (u >= in[6] && e < 0) || (u <= in[5] && e > 0))
    s->Integral = integral;
  s->Last = e;
  s->Started = 1;
  out[0] = u;
  out[1] = e;
  out[2] = saturated;
  return 0;
}

ZU_DEFINE_NUMERIC_COMPONENT_OF_STATE(Component, Step)
