/* ZU Programming plug-in interface.
 *
 * A component is a shared library ("*.so") beside the editor's executable that exports the four
 * entry points below with C linkage. The component host (a process of its own, never the editor)
 * asks it for its description (ZU_Plugin_Info) and for the XML descriptions of its input and
 * output parameters (ZU_Plugin_Run, commands 1 and 2). A component that also exports the mark
 * ZU_Plugin_Execution runs: when a project runs, the host makes one instance per module
 * (ZU_Plugin_Load), steps every instance once per tick (ZU_Plugin_Run, command 3) and frees them
 * at the end (ZU_Plugin_UnLoad). Without the mark a component is a description only.
 *
 * Strings are BSTRs: UTF-16 code units preceded by their length in bytes (32 bits) and followed
 * by a 16-bit zero, allocated with the functions below. The editor clears every string before it
 * calls; the plug-in assigns its values with SysAllocString... (or SysReAllocString, which frees
 * the old value); after the call the editor owns the strings and frees them.
 *
 * Usable from C (C99 and later) and C++. */
#ifndef ZU_PLUGIN_H
#define ZU_PLUGIN_H

#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#ifdef __cplusplus
#define ZU_PLUGIN_EXTERN_C extern "C"
#else
#define ZU_PLUGIN_EXTERN_C
#endif

/* Put before each entry point's definition. */
#define ZU_EXPORT ZU_PLUGIN_EXTERN_C __attribute__((visibility("default")))

typedef uint16_t ZU_WCHAR;
typedef ZU_WCHAR* BSTR;
/* 16-bit boolean: 0 is false, true is written as -1. */
typedef int16_t ZU_BOOL;
#define ZU_TRUE ((ZU_BOOL)-1)
#define ZU_FALSE ((ZU_BOOL)0)

/* The component's description; a null string counts as empty. */
typedef struct TZUInfo {
  BSTR Name;
  BSTR Title;
  BSTR Description;
  BSTR Author;
  BSTR Copyright;
  BSTR HomePage;
} TZUInfo;

typedef struct TZUVersion {
  int32_t Major;
  int32_t Minor;
  int32_t Release;
  int32_t Build;
} TZUVersion;

/* Commands of ZU_Plugin_Run. */
#define ZU_RUN_PARAM_IN 1
#define ZU_RUN_PARAM_OUT 2
#define ZU_RUN_STEP 3

/* The version of the execution interface a component implements; export it as
 *   ZU_EXPORT const int32_t ZU_Plugin_Execution = ZU_EXECUTION_VERSION;  */
#define ZU_EXECUTION_VERSION 1

/* The entry points, by the names the editor looks up.
 *   ZU_BOOL ZU_Plugin_Info(TZUInfo* info, TZUVersion* version);
 *     fills the description; the result is not looked at.
 *   int32_t ZU_Plugin_Run(int32_t command, int32_t argument, BSTR* text);
 *     for command 1 (2) replaces *text with the XML description of the input (output)
 *     parameters: a root element of any name with one child "Param" per parameter, holding
 *     "Index", "Name", "Title" and "Description", and optionally "Type": the kind of value
 *     ("double", "bool", "string", ... or "any"). The editor links an output to an input only
 *     when their types are equal, one of them is "any", or either has none.
 *     argument is 0; the result is not looked at.
 *     For command 3 (ZU_RUN_STEP) performs one step of instance number argument: *text holds
 *     the values of the module's inputs (a value text, see below); the component replaces it
 *     with the values of its outputs and returns 0, or returns non-zero with *text replaced by
 *     the reason (plain UTF-8 text through ZU_SetStringUtf8), which stops the run. A step must
 *     return within 2 seconds.
 *   int32_t ZU_Plugin_Load(int32_t instance, BSTR* text);
 *     makes instance number instance of the component (numbers are the host's, from 0) from the
 *     module's constant input values in *text (a value text); returns 0, or non-zero with the
 *     reason in *text, which stops the run before its first tick.
 *   int32_t ZU_Plugin_UnLoad(int32_t instance);
 *     frees the instance; the result is not looked at.
 *   void ZU_Plugin_SetLog(TZULogFunction log);  (optional)
 *     gives the component, before any instance is made, the function that writes a message of
 *     instance number instance to the program's log: type 1 error, 2 warning, 3 information,
 *     the text as UTF-8 (what a user should know of the device, a line lost or back). The host
 *     keeps at most a few messages a second; each is cut to 4096 bytes.
 *   int32_t ZU_Plugin_StepValues(int32_t instance, const double* inputs, int32_t inputCount,
 *                                double* outputs, int32_t outputCount, BSTR* error);  (optional)
 *     the numeric step: one step of instance number instance like command 3, with the values
 *     as numbers instead of a value text. inputs holds one value per input parameter in the
 *     order of the parameter description (true is 1, false 0); outputs holds one per output
 *     parameter, each the output's value after the step before (NaN before the first) to be
 *     replaced. Returns 0, or non-zero with *error replaced by the reason, which stops the run.
 *     The host calls it instead of command 3 only when every input and output of the module
 *     has the type "double", "int" or "bool" and every input has a value that reads as a
 *     number; otherwise, and for every module whose component lacks it, command 3 runs. Both
 *     steps must do the same: the value text stays the interface of record. An "int" output is
 *     told rounded to a whole number, a "bool" output as true when it is not 0.
 * All calls come from one thread of the host, one after another.
 *
 * A value text has one line per value: the parameter's Name, '=', the value, '\n'. In a value a
 * backslash is written "\\", a line break "\n" and a carriage return "\r". Numbers are written
 * in C locale ("2.5", "-1e-07"), truth values as "true" or "false". Inputs that are neither
 * linked nor given a value are missing from the text. Use the helpers at the end of this file
 * rather than reading or writing the text by hand. */
typedef ZU_BOOL (*TZUPluginInfo)(TZUInfo* info, TZUVersion* version);
typedef int32_t (*TZUPluginRun)(int32_t command, int32_t argument, BSTR* text);
typedef int32_t (*TZUPluginLoad)(int32_t instance, BSTR* text);
typedef int32_t (*TZUPluginUnLoad)(int32_t instance);
typedef void (*TZULogFunction)(int32_t instance, int32_t type, const char* utf8);
typedef void (*TZUPluginSetLog)(TZULogFunction log);
typedef int32_t (*TZUPluginStepValues)(int32_t instance, const double* inputs, int32_t inputCount,
                                       double* outputs, int32_t outputCount, BSTR* error);
#define ZU_LOG_ERROR 1
#define ZU_LOG_WARNING 2
#define ZU_LOG_INFORMATION 3

/* The BSTR allocator. Host and plug-ins share one C runtime, so either side may free what the
 * other allocated. */

/* A string of len code units copied from text (uninitialised when text is null); null when
 * memory runs out. */
static inline BSTR SysAllocStringLen(const ZU_WCHAR* text, uint32_t len) {
  if (len > (UINT32_MAX - 6) / 2)
    return NULL;
  char* block = (char*)malloc(4 + (size_t)len * 2 + 2);
  if (!block)
    return NULL;
  const uint32_t bytes = len * 2;
  memcpy(block, &bytes, 4);
  BSTR s = (BSTR)(block + 4);
  if (text)
    memcpy(s, text, (size_t)len * 2);
  s[len] = 0;
  return s;
}

/* A copy of a zero-terminated UTF-16 text; null for a null text. */
static inline BSTR SysAllocString(const ZU_WCHAR* text) {
  if (!text)
    return NULL;
  uint32_t len = 0;
  while (text[len])
    ++len;
  return SysAllocStringLen(text, len);
}

static inline void SysFreeString(BSTR s) {
  if (s)
    free((char*)s - 4);
}

/* The number of code units; 0 for null. */
static inline uint32_t SysStringLen(BSTR s) {
  uint32_t bytes = 0;
  if (s)
    memcpy(&bytes, (char*)s - 4, 4);
  return bytes / 2;
}

/* Replaces *s with a copy of text and frees the old string; 0 when memory runs out (then *s is
 * unchanged), non-zero otherwise. */
static inline int SysReAllocString(BSTR* s, const ZU_WCHAR* text) {
  BSTR copy = SysAllocString(text);
  if (text && !copy)
    return 0;
  SysFreeString(*s);
  *s = copy;
  return 1;
}

/* A BSTR from zero-terminated UTF-8 text, so that a component can write its texts as plain string
 * literals; malformed bytes become U+FFFD. Null for a null text or when memory runs out. */
static inline BSTR ZU_AllocStringUtf8(const char* text) {
  if (!text)
    return NULL;
  const size_t bytes = strlen(text);
  /* Never more code units than bytes. */
  BSTR s = SysAllocStringLen(NULL, (uint32_t)bytes);
  if (!s)
    return NULL;
  const unsigned char* p = (const unsigned char*)text;
  const unsigned char* end = p + bytes;
  uint32_t n = 0;
  while (p < end) {
    uint32_t cp = *p++;
    int more = cp >= 0xF0 && cp < 0xF5 ? 3 : cp >= 0xE0 ? 2 : cp >= 0xC2 && cp < 0xE0 ? 1 : 0;
    if (cp >= 0x80 && more == 0) {
      cp = 0xFFFD;
    } else if (more) {
      const uint32_t least = more == 1 ? 0x80 : more == 2 ? 0x800 : 0x10000;
      cp &= 0x3F >> more;
      for (; more > 0 && p < end && (*p & 0xC0) == 0x80; --more)
        cp = (cp << 6) | (*p++ & 0x3F);
      if (more || cp < least || cp > 0x10FFFF || (cp >= 0xD800 && cp < 0xE000))
        cp = 0xFFFD;
    }
    if (cp >= 0x10000) {
      s[n++] = (ZU_WCHAR)(0xD800 + ((cp - 0x10000) >> 10));
      s[n++] = (ZU_WCHAR)(0xDC00 + ((cp - 0x10000) & 0x3FF));
    } else {
      s[n++] = (ZU_WCHAR)cp;
    }
  }
  s[n] = 0;
  const uint32_t used = n * 2;
  memcpy((char*)s - 4, &used, 4);
  return s;
}

/* Replaces *s with ZU_AllocStringUtf8(text), freeing the old string. */
static inline void ZU_SetStringUtf8(BSTR* s, const char* text) {
  SysFreeString(*s);
  *s = ZU_AllocStringUtf8(text);
}

/* ---- Values: reading the inputs and writing the outputs of a step ------------------------- */

/* Copies the value of the parameter name (UTF-8) out of the value text into buf (cap bytes,
 * zero-terminated, UTF-8, cut at a character boundary when it does not fit); 1 when the text holds
 * the value, 0 otherwise (buf is then empty). When needed is given, it receives the bytes the
 * whole value takes with its terminating zero (0 when the text lacks the value), so that a value
 * that did not fit can be read whole into a buffer of that size. */
static inline int ZU_ValueUtf8Whole(BSTR text, const char* name, char* buf, size_t cap,
                                    size_t* needed) {
  const uint32_t len = SysStringLen(text);
  const size_t nameLen = strlen(name);
  if (cap)
    buf[0] = 0;
  if (needed)
    *needed = 0;
  for (uint32_t line = 0; line < len;) {
    uint32_t end = line;
    while (end < len && text[end] != '\n')
      ++end;
    /* The name's UTF-8 against the line's UTF-16, character by character. */
    uint32_t at = line;
    size_t k = 0;
    int same = nameLen > 0;
    while (same && k < nameLen) {
      uint32_t cp = (unsigned char)name[k++];
      const int more = cp >= 0xF0 ? 3 : cp >= 0xE0 ? 2 : cp >= 0xC0 ? 1 : 0;
      cp &= more ? 0x3F >> more : 0xFF;
      for (int m = 0; m < more && k < nameLen; ++m)
        cp = (cp << 6) | ((unsigned char)name[k++] & 0x3F);
      if (cp >= 0x10000) {
        same = at + 1 < end && text[at] == 0xD800 + ((cp - 0x10000) >> 10) &&
               text[at + 1] == 0xDC00 + ((cp - 0x10000) & 0x3FF);
        at += 2;
      } else {
        same = at < end && text[at] == cp;
        ++at;
      }
    }
    if (same && at < end && text[at] == '=') {
      size_t n = 0, whole = 0;
      int fits = cap > 0;
      for (uint32_t i = at + 1; i < end; ++i) {
        uint32_t cp = text[i];
        if (cp == '\\' && i + 1 < end) {
          const ZU_WCHAR e = text[++i];
          cp = e == 'n' ? '\n' : e == 'r' ? '\r' : e;
        } else if (cp >= 0xD800 && cp < 0xDC00 && i + 1 < end && text[i + 1] >= 0xDC00 &&
                   text[i + 1] < 0xE000) {
          cp = 0x10000 + ((cp - 0xD800) << 10) + (text[++i] - 0xDC00);
        } else if (cp >= 0xD800 && cp < 0xE000) {
          cp = 0xFFFD;
        }
        char u[4];
        size_t m = cp < 0x80 ? 1 : cp < 0x800 ? 2 : cp < 0x10000 ? 3 : 4;
        if (m == 1) {
          u[0] = (char)cp;
        } else {
          for (size_t j = m - 1; j > 0; --j, cp >>= 6)
            u[j] = (char)(0x80 | (cp & 0x3F));
          u[0] = (char)((m == 2 ? 0xC0 : m == 3 ? 0xE0 : 0xF0) | cp);
        }
        whole += m;
        if (fits && n + m + 1 > cap)
          fits = 0;
        if (fits) {
          memcpy(buf + n, u, m);
          n += m;
        }
        if (!fits && !needed)
          break;
      }
      if (cap)
        buf[n] = 0;
      if (needed)
        *needed = whole + 1;
      return 1;
    }
    line = end + 1;
  }
  return 0;
}

/* ZU_ValueUtf8Whole without the size. */
static inline int ZU_ValueUtf8(BSTR text, const char* name, char* buf, size_t cap) {
  return ZU_ValueUtf8Whole(text, name, buf, cap, NULL);
}

/* The whole value of the parameter as a zero-terminated UTF-8 text of its own, to be freed with
 * free(); NULL when the text lacks the value or memory runs out. */
static inline char* ZU_ValueUtf8Copy(BSTR text, const char* name) {
  size_t needed = 0;
  char small[1];
  if (!ZU_ValueUtf8Whole(text, name, small, sizeof small, &needed))
    return NULL;
  char* copy = (char*)malloc(needed);
  if (copy)
    ZU_ValueUtf8(text, name, copy, needed);
  return copy;
}

/* The value of the parameter as a number; fallback when the text lacks it or it is no number.
 * "true" reads as 1 and "false" as 0. */
static inline double ZU_ValueDouble(BSTR text, const char* name, double fallback) {
  char small[64];
  size_t needed = 0;
  if (!ZU_ValueUtf8Whole(text, name, small, sizeof small, &needed) || !small[0])
    return fallback;
  /* A number of any length is read whole: a cut one would read as another number. */
  char* buf = needed <= sizeof small ? small : (char*)malloc(needed);
  if (!buf)
    return fallback;
  if (buf != small)
    ZU_ValueUtf8(text, name, buf, needed);
  double v = fallback;
  char* end = NULL;
  if (strcmp(buf, "true") == 0) {
    v = 1;
  } else if (strcmp(buf, "false") == 0) {
    v = 0;
  } else {
    const double read = strtod(buf, &end);
    if (end && *end == 0)
      v = read;
  }
  if (buf != small)
    free(buf);
  return v;
}

/* The value as a truth value: "true", or a number other than 0; fallback otherwise. */
static inline int ZU_ValueBool(BSTR text, const char* name, int fallback) {
  const double v = ZU_ValueDouble(text, name, fallback ? 1 : 0);
  return v != 0;
}

/* Collects the output values of one step. Start with ZU_VALUES_INIT (or zeroes), add values,
 * then hand them over with ZU_ValuesFinish, which frees the collector's memory. */
typedef struct ZU_Values {
  char* Data;
  size_t Len;
  size_t Cap;
} ZU_Values;
#define ZU_VALUES_INIT                                                                             \
  { NULL, 0, 0 }

static inline void ZU_ValuesPut(ZU_Values* v, const char* bytes, size_t n) {
  if (v->Len + n + 1 > v->Cap) {
    size_t cap = v->Cap ? v->Cap * 2 : 256;
    while (cap < v->Len + n + 1)
      cap *= 2;
    char* data = (char*)realloc(v->Data, cap);
    if (!data)
      return;
    v->Data = data;
    v->Cap = cap;
  }
  memcpy(v->Data + v->Len, bytes, n);
  v->Len += n;
  v->Data[v->Len] = 0;
}

/* Adds the value (UTF-8 text) of the parameter name. */
static inline void ZU_ValuesText(ZU_Values* v, const char* name, const char* value) {
  ZU_ValuesPut(v, name, strlen(name));
  ZU_ValuesPut(v, "=", 1);
  for (const char* p = value; *p; ++p) {
    if (*p == '\\')
      ZU_ValuesPut(v, "\\\\", 2);
    else if (*p == '\n')
      ZU_ValuesPut(v, "\\n", 2);
    else if (*p == '\r')
      ZU_ValuesPut(v, "\\r", 2);
    else
      ZU_ValuesPut(v, p, 1);
  }
  ZU_ValuesPut(v, "\n", 1);
}

/* Writes a number into buf (at least 32 bytes) in its shortest form that reads back as the same
 * number ("0.1", not "0.10000000000000001"). */
static inline void ZU_ShortestDouble(char* buf, size_t cap, double value) {
  for (int digits = 15; digits <= 17; ++digits) {
    snprintf(buf, cap, "%.*g", digits, value);
    if (strtod(buf, NULL) == value)
      break;
  }
}

/* Adds a number in its shortest form (ZU_ShortestDouble). */
static inline void ZU_ValuesDouble(ZU_Values* v, const char* name, double value) {
  char buf[40];
  ZU_ShortestDouble(buf, sizeof buf, value);
  ZU_ValuesText(v, name, buf);
}

static inline void ZU_ValuesBool(ZU_Values* v, const char* name, int value) {
  ZU_ValuesText(v, name, value ? "true" : "false");
}

/* Replaces *text with the collected values and frees the collector. */
static inline void ZU_ValuesFinish(ZU_Values* v, BSTR* text) {
  ZU_SetStringUtf8(text, v->Data ? v->Data : "");
  free(v->Data);
  v->Data = NULL;
  v->Len = v->Cap = 0;
}

/* ---- Instances: one state per module ------------------------------------------------------ */

/* A table from the host's instance numbers to a component's own state, one per library. */
typedef struct ZU_Instances {
  void** Items;
  int32_t Count;
} ZU_Instances;

/* Keeps state as instance number n; 0 when memory runs out or n is negative. */
static inline int ZU_InstanceSet(ZU_Instances* t, int32_t n, void* state) {
  if (n < 0)
    return 0;
  if (n >= t->Count) {
    int32_t count = t->Count ? t->Count : 16;
    while (count <= n)
      count *= 2;
    void** items = (void**)realloc(t->Items, (size_t)count * sizeof(void*));
    if (!items)
      return 0;
    memset(items + t->Count, 0, (size_t)(count - t->Count) * sizeof(void*));
    t->Items = items;
    t->Count = count;
  }
  t->Items[n] = state;
  return 1;
}

/* The state of instance number n, or null. */
static inline void* ZU_InstanceGet(const ZU_Instances* t, int32_t n) {
  return n >= 0 && n < t->Count ? t->Items[n] : NULL;
}

#endif
