/* Helpers shared by the sample components: a component is a table of texts and two tables of
 * parameters, and these turn them into the plug-in interface's answers. */
#ifndef ZU_COMPONENT_H
#define ZU_COMPONENT_H

#include "zu_plugin.h"

#include <math.h>
#include <stdarg.h>
#include <stdio.h>

typedef struct TZUParamDesc {
  int32_t Index;
  const char* Name;
  const char* Title;
  const char* Description;
  const char* Type; /* "double", "bool", "string", "any", ...; null for none */
  /* The values the parameter offers, "value=title" separated by '|' ("0=Sine|1=Square"); null
   * for any value of its type. */
  const char* Choices;
  /* The number a numeric component's input takes when it has no value (0 unless given). */
  double Default;
} TZUParamDesc;

typedef struct TZUComponentDesc {
  const char* Name;
  const char* Title;
  const char* Description;
  const char* Author;
  const char* Copyright;
  const char* HomePage;
  TZUVersion Version;
  const TZUParamDesc* In;
  int InCount;
  const TZUParamDesc* Out;
  int OutCount;
} TZUComponentDesc;

/* The table of a component of the standard library, from its tables In and Out. */
#define ZU_LIBRARY_COMPONENT(name, title, description)                                             \
  static const TZUComponentDesc Component = {name,                                                 \
                                             title,                                                \
                                             description,                                          \
                                             "ZU Programming",                                     \
                                             "(c) 2026 ZU Programming",                            \
                                             "https://kven.org/zu-programming/components/",        \
                                             {1, 0, 0, 1},                                         \
                                             In,                                                   \
                                             ZU_COUNT(In),                                         \
                                             Out,                                                  \
                                             ZU_COUNT(Out)};

/* Names the palette's group of the component: put once in the component's file. */
#define ZU_CATEGORY(text) ZU_EXPORT const char ZU_Plugin_Category[] = text;

static inline void ZU_FillInfo(const TZUComponentDesc* c, TZUInfo* info, TZUVersion* version) {
  ZU_SetStringUtf8(&info->Name, c->Name);
  ZU_SetStringUtf8(&info->Title, c->Title);
  ZU_SetStringUtf8(&info->Description, c->Description);
  ZU_SetStringUtf8(&info->Author, c->Author);
  ZU_SetStringUtf8(&info->Copyright, c->Copyright);
  ZU_SetStringUtf8(&info->HomePage, c->HomePage);
  *version = c->Version;
}

/* Appends text to buf (of size cap, used so far *len) with '&', '<' and '>' escaped. */
static inline void ZU_AppendEscaped(char* buf, size_t cap, size_t* len, const char* text) {
  for (; *text && *len + 6 < cap; ++text) {
    const char* entity = *text == '&' ? "&amp;" : *text == '<' ? "&lt;" : *text == '>' ? "&gt;" : 0;
    if (entity) {
      for (; *entity; ++entity)
        buf[(*len)++] = *entity;
    } else {
      buf[(*len)++] = *text;
    }
  }
  buf[*len] = 0;
}

/* Replaces *text with the XML description of the parameters. */
static inline void ZU_SetParams(BSTR* text, const TZUParamDesc* params, int count) {
  char buf[8192];
  size_t len = 0;
  len += (size_t)snprintf(buf + len, sizeof buf - len, "<Params>");
  for (int i = 0; i < count && len + 64 < sizeof buf; ++i) {
    len += (size_t)snprintf(buf + len, sizeof buf - len, "<Param><Index>%d</Index><Name>",
                            (int)params[i].Index);
    ZU_AppendEscaped(buf, sizeof buf, &len, params[i].Name);
    len += (size_t)snprintf(buf + len, sizeof buf - len, "</Name><Title>");
    ZU_AppendEscaped(buf, sizeof buf, &len, params[i].Title);
    len += (size_t)snprintf(buf + len, sizeof buf - len, "</Title><Description>");
    ZU_AppendEscaped(buf, sizeof buf, &len, params[i].Description);
    len += (size_t)snprintf(buf + len, sizeof buf - len, "</Description>");
    if (params[i].Type && len + 32 < sizeof buf) {
      len += (size_t)snprintf(buf + len, sizeof buf - len, "<Type>");
      ZU_AppendEscaped(buf, sizeof buf, &len, params[i].Type);
      len += (size_t)snprintf(buf + len, sizeof buf - len, "</Type>");
    }
    if (params[i].Choices && len + 32 < sizeof buf) {
      len += (size_t)snprintf(buf + len, sizeof buf - len, "<Choices>");
      const char* at = params[i].Choices;
      for (int k = 0; *at && len + 128 < sizeof buf; ++k) {
        char value[64] = {0}, title[64] = {0};
        size_t v = 0, t = 0;
        for (; *at && *at != '=' && *at != '|'; ++at)
          if (v + 1 < sizeof value)
            value[v++] = *at;
        if (*at == '=')
          for (++at; *at && *at != '|'; ++at)
            if (t + 1 < sizeof title)
              title[t++] = *at;
        if (*at == '|')
          ++at;
        len += (size_t)snprintf(buf + len, sizeof buf - len, "<Choice%d><Value>", k);
        ZU_AppendEscaped(buf, sizeof buf, &len, value);
        len += (size_t)snprintf(buf + len, sizeof buf - len, "</Value><Title>");
        ZU_AppendEscaped(buf, sizeof buf, &len, title);
        len += (size_t)snprintf(buf + len, sizeof buf - len, "</Title></Choice%d>", k);
      }
      if (len + 16 < sizeof buf)
        len += (size_t)snprintf(buf + len, sizeof buf - len, "</Choices>");
    }
    if (len + 10 < sizeof buf)
      len += (size_t)snprintf(buf + len, sizeof buf - len, "</Param>");
  }
  if (len + 10 < sizeof buf)
    snprintf(buf + len, sizeof buf - len, "</Params>");
  ZU_SetStringUtf8(text, buf);
}

/* Defines the four entry points of a component described by the table: a description only. */
#define ZU_DEFINE_COMPONENT(desc)                                                                  \
  ZU_EXPORT ZU_BOOL ZU_Plugin_Info(TZUInfo* info, TZUVersion* version) {                           \
    ZU_FillInfo(&(desc), info, version);                                                           \
    return ZU_TRUE;                                                                                \
  }                                                                                                \
  ZU_EXPORT int32_t ZU_Plugin_Run(int32_t command, int32_t argument, BSTR* text) {                 \
    (void)argument;                                                                                \
    if (command == ZU_RUN_PARAM_IN)                                                                \
      ZU_SetParams(text, (desc).In, (desc).InCount);                                               \
    else if (command == ZU_RUN_PARAM_OUT)                                                          \
      ZU_SetParams(text, (desc).Out, (desc).OutCount);                                             \
    return 0;                                                                                      \
  }                                                                                                \
  ZU_EXPORT int32_t ZU_Plugin_Load(int32_t instance, BSTR* text) {                                 \
    (void)instance;                                                                                \
    (void)text;                                                                                    \
    return 1;                                                                                      \
  }                                                                                                \
  ZU_EXPORT int32_t ZU_Plugin_UnLoad(int32_t instance) {                                           \
    (void)instance;                                                                                \
    return 0;                                                                                      \
  }

/* What a running component supplies: making an instance from the constant values (null, with a
 * reason in error, when it cannot), one step (inputs in, outputs added to out; non-zero, with a
 * reason in error, stops the run), and freeing an instance. */
typedef void* (*TZUCreate)(BSTR constants, char* error, size_t errorSize);
typedef int (*TZUStep)(void* state, BSTR inputs, ZU_Values* out, char* error, size_t errorSize);
typedef void (*TZUDestroy)(void* state);

/* Defines the entry points of a component that runs: the description of the table, and the
 * execution interface over create, step and destroy. */
/* The log the host gave (ZU_Plugin_SetLog), and the instance whose step runs now. */
static TZULogFunction ZuLogFunction;
static int32_t ZuLogInstance;

/* Writes a message of the instance whose step runs to the program's log (type: ZU_LOG_ERROR,
 * ZU_LOG_WARNING, ZU_LOG_INFORMATION); nothing when the host keeps no log. */
static inline void ZU_Log(int32_t type, const char* format, ...) {
  if (!ZuLogFunction)
    return;
  char text[1024];
  va_list args;
  va_start(args, format);
  vsnprintf(text, sizeof text, format, args);
  va_end(args);
  ZuLogFunction(ZuLogInstance, type, text);
}

#define ZU_DEFINE_RUNNING_COMPONENT(desc, create, step, destroy)                                   \
  ZU_EXPORT const int32_t ZU_Plugin_Execution = ZU_EXECUTION_VERSION;                              \
  static ZU_Instances ZuInstances;                                                                 \
  ZU_EXPORT void ZU_Plugin_SetLog(TZULogFunction log) {                                            \
    ZuLogFunction = log;                                                                           \
  }                                                                                                \
  ZU_EXPORT ZU_BOOL ZU_Plugin_Info(TZUInfo* info, TZUVersion* version) {                           \
    ZU_FillInfo(&(desc), info, version);                                                           \
    return ZU_TRUE;                                                                                \
  }                                                                                                \
  ZU_EXPORT int32_t ZU_Plugin_Run(int32_t command, int32_t argument, BSTR* text) {                 \
    if (command == ZU_RUN_PARAM_IN) {                                                              \
      ZU_SetParams(text, (desc).In, (desc).InCount);                                               \
    } else if (command == ZU_RUN_PARAM_OUT) {                                                      \
      ZU_SetParams(text, (desc).Out, (desc).OutCount);                                             \
    } else if (command == ZU_RUN_STEP) {                                                           \
      void* state = ZU_InstanceGet(&ZuInstances, argument);                                        \
      char error[512] = "";                                                                        \
      ZU_Values out = ZU_VALUES_INIT;                                                              \
      if (!state) {                                                                                \
        ZU_SetStringUtf8(text, "no such instance");                                                \
        return 1;                                                                                  \
      }                                                                                            \
      ZuLogInstance = argument;                                                                    \
      if (step(state, *text, &out, error, sizeof error) != 0) {                                    \
        free(out.Data);                                                                            \
        ZU_SetStringUtf8(text, error[0] ? error : "step failed");                                  \
        return 1;                                                                                  \
      }                                                                                            \
      ZU_ValuesFinish(&out, text);                                                                 \
    }                                                                                              \
    return 0;                                                                                      \
  }                                                                                                \
  ZU_EXPORT int32_t ZU_Plugin_Load(int32_t instance, BSTR* text) {                                 \
    char error[512] = "";                                                                          \
    void* state = create(*text, error, sizeof error);                                              \
    if (!state || !ZU_InstanceSet(&ZuInstances, instance, state)) {                                \
      if (state)                                                                                   \
        destroy(state);                                                                            \
      ZU_SetStringUtf8(text, error[0] ? error : "out of memory");                                  \
      return 1;                                                                                    \
    }                                                                                              \
    return 0;                                                                                      \
  }                                                                                                \
  ZU_EXPORT int32_t ZU_Plugin_UnLoad(int32_t instance) {                                           \
    void* state = ZU_InstanceGet(&ZuInstances, instance);                                          \
    if (state)                                                                                     \
      destroy(state);                                                                              \
    ZU_InstanceSet(&ZuInstances, instance, NULL);                                                  \
    return 0;                                                                                      \
  }

/* A state for components that keep none: any non-null pointer will do. */
static inline void* ZU_NoState(BSTR constants, char* error, size_t errorSize) {
  (void)constants;
  (void)error;
  (void)errorSize;
  static int none;
  return &none;
}
static inline void ZU_NoDestroy(void* state) {
  (void)state;
}

#define ZU_COUNT(a) ((int)(sizeof(a) / sizeof((a)[0])))

/* Adds a number as the host tells a numeric step's output of the type: "bool" true when not 0,
 * "int" rounded to a whole number, otherwise the shortest form. */
static inline void ZU_ValuesNumber(ZU_Values* v, const char* name, const char* type, double value) {
  if (type && strcmp(type, "bool") == 0) {
    ZU_ValuesBool(v, name, value != 0);
  } else if (type && strcmp(type, "int") == 0 && value == value && value - value == 0 &&
             (value < 0 ? -value : value) < 9e18) {
    char buf[32];
    snprintf(buf, sizeof buf, "%lld", (long long)llround(value));
    ZU_ValuesText(v, name, buf);
  } else {
    ZU_ValuesDouble(v, name, value);
  }
}

/* A numeric component's step: the inputs as numbers in the input table's order (true is 1), the
 * outputs to write in the output table's order (each holds its value of the step before, NaN
 * before the first); non-zero, with a reason in error, stops the run. */
typedef int (*TZUStepNumbers)(void* state, const double* in, double* out, char* error,
                              size_t errorSize);

/* The most inputs or outputs a numeric component has. */
#define ZU_MAX_NUMBERS 16

typedef struct ZU_NumericState {
  void* User;
  double Out[ZU_MAX_NUMBERS];
} ZU_NumericState;

/* Defines a component whose step is a function of numbers: the text step reads every input as a
 * number (the table's Default when it is missing or no number) and writes every output by its
 * type; ZU_Plugin_StepValues runs the same function on the host's numbers. */
#define ZU_DEFINE_NUMERIC_COMPONENT(desc, create, step, destroy)                                   \
  static void* ZuNumericCreate(BSTR constants, char* error, size_t errorSize) {                    \
    if ((desc).InCount > ZU_MAX_NUMBERS || (desc).OutCount > ZU_MAX_NUMBERS) {                     \
      snprintf(error, errorSize, "too many parameters");                                           \
      return NULL;                                                                                 \
    }                                                                                              \
    ZU_NumericState* s = (ZU_NumericState*)calloc(1, sizeof *s);                                   \
    if (!s)                                                                                        \
      return NULL;                                                                                 \
    for (int k = 0; k < ZU_MAX_NUMBERS; ++k)                                                       \
      s->Out[k] = nan("");                                                                         \
    s->User = create(constants, error, errorSize);                                                 \
    if (!s->User) {                                                                                \
      free(s);                                                                                     \
      return NULL;                                                                                 \
    }                                                                                              \
    return s;                                                                                      \
  }                                                                                                \
  static int ZuNumericStep(void* state, BSTR inputs, ZU_Values* out, char* error,                  \
                           size_t errorSize) {                                                     \
    ZU_NumericState* s = (ZU_NumericState*)state;                                                  \
    double in[ZU_MAX_NUMBERS];                                                                     \
    for (int k = 0; k < (desc).InCount && k < ZU_MAX_NUMBERS; ++k)                                 \
      in[k] = ZU_ValueDouble(inputs, (desc).In[k].Name, (desc).In[k].Default);                     \
    if (step(s->User, in, s->Out, error, errorSize) != 0)                                          \
      return 1;                                                                                    \
    for (int k = 0; k < (desc).OutCount && k < ZU_MAX_NUMBERS; ++k)                                \
      ZU_ValuesNumber(out, (desc).Out[k].Name, (desc).Out[k].Type, s->Out[k]);                     \
    return 0;                                                                                      \
  }                                                                                                \
  static void ZuNumericDestroy(void* state) {                                                      \
    ZU_NumericState* s = (ZU_NumericState*)state;                                                  \
    destroy(s->User);                                                                              \
    free(s);                                                                                       \
  }                                                                                                \
  ZU_DEFINE_RUNNING_COMPONENT(desc, ZuNumericCreate, ZuNumericStep, ZuNumericDestroy)              \
  ZU_EXPORT int32_t ZU_Plugin_StepValues(int32_t instance, const double* inputs,                   \
                                         int32_t inputCount, double* outputs, int32_t outputCount, \
                                         BSTR* error) {                                            \
    ZU_NumericState* s = (ZU_NumericState*)ZU_InstanceGet(&ZuInstances, instance);                 \
    char reason[512] = "";                                                                         \
    if (!s || inputCount != (desc).InCount || outputCount != (desc).OutCount) {                    \
      ZU_SetStringUtf8(error, !s ? "no such instance" : "wrong number of values");                 \
      return 1;                                                                                    \
    }                                                                                              \
    ZuLogInstance = instance;                                                                      \
    if (step(s->User, inputs, s->Out, reason, sizeof reason) != 0) {                               \
      ZU_SetStringUtf8(error, reason[0] ? reason : "step failed");                                 \
      return 1;                                                                                    \
    }                                                                                              \
    memcpy(outputs, s->Out, (size_t)outputCount * sizeof(double));                                 \
    return 0;                                                                                      \
  }

/* Defines a numeric component whose state is a TState of its own per instance, zeroed when made
 * and freed with the instance; step as for ZU_DEFINE_NUMERIC_COMPONENT. */
#define ZU_DEFINE_NUMERIC_COMPONENT_OF_STATE(desc, step)                                           \
  static void* ZuStateCreate(BSTR constants, char* error, size_t errorSize) {                      \
    (void)constants;                                                                               \
    (void)error;                                                                                   \
    (void)errorSize;                                                                               \
    return calloc(1, sizeof(TState));                                                              \
  }                                                                                                \
  ZU_DEFINE_NUMERIC_COMPONENT(desc, ZuStateCreate, step, free)

#endif
