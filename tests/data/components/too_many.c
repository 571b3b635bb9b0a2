/* A numeric component of as many inputs and outputs as a numeric component may have, 16 each,
 * or of one input more and one output (TOO_MANY), whose instances are refused. */
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
#ifndef TOO_MANY
    {1, "O1", "", "", "double"},   {2, "O2", "", "", "double"},   {3, "O3", "", "", "double"},
    {4, "O4", "", "", "double"},   {5, "O5", "", "", "double"},   {6, "O6", "", "", "double"},
    {7, "O7", "", "", "double"},   {8, "O8", "", "", "double"},   {9, "O9", "", "", "double"},
    {10, "O10", "", "", "double"}, {11, "O11", "", "", "double"}, {12, "O12", "", "", "double"},
    {13, "O13", "", "", "double"}, {14, "O14", "", "", "double"}, {15, "O15", "", "", "double"},
#endif
};
ZU_LIBRARY_COMPONENT("Many", "", "Sums its inputs")

static int Step(void* state, const double* in, double* out, char* error, size_t errorSize) {
  (void)state;
  (void)error;
  (void)errorSize;
  out[0] = 0;
  for (int i = 0; i < ZU_MAX_NUMBERS; ++i)
    out[0] += in[i];
  /* Each further output its input's place. */
  for (int k = 1; k < ZU_COUNT(Out); ++k)
    out[k] = k;
  return 0;
}

ZU_DEFINE_NUMERIC_COMPONENT(Component, ZU_NoState, Step, ZU_NoDestroy)
