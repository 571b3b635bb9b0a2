/* A numeric component of as many inputs as a numeric component may have, 16, or of one more
 * (TOO_MANY), whose instances are refused. */
#include "zu_component.h"

static const TZUParamDesc In[] = {
    {0, "I0", "", "", "double"},   {1, "I1", "", "", "double"},   {2, "I2", "", "", "double"},
    {3, "I3", "", "", "double"},   {4, "I4", "", "", "double"},   {5, "I5", "", "", "double"},
    {6, "I6", "", "", "double"},   {7, "I7", "", "", "double"},   {8, "I8", "", "", "double"},
    {9, "I9", "", "", "double"},   {10, "I10", "", "", "double"}, {11, "I11", "", "", "double"},
    {12, "I12", "", "", "double"}, {13, "I13", "", "", "double"}, {14, "I14", "", "", "double"},
    {15, "I15", "", "", "double"},
#ifdef TOO_MANY
    {16, "I16", "", "", "double"},
#endif
};
static const TZUParamDesc Out[] = {
    {0, "Sum", "", "", "double"},
};
ZU_LIBRARY_COMPONENT("Many", "", "Sums its inputs")

static int Step(void* state, const double* in, double* out, char* error, size_t errorSize) {
  (void)state;
  (void)error;
  (void)errorSize;
  out[0] = 0;
  for (int i = 0; i < ZU_MAX_NUMBERS; ++i)
    out[0] += in[i];
  return 0;
}

ZU_DEFINE_NUMERIC_COMPONENT(Component, ZU_NoState, Step, ZU_NoDestroy)
