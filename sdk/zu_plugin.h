/* ZU Programming plug-in interface.
 *
 * A component is a shared library ("*.so") beside the editor's executable that exports the four
 * entry points below with C linkage. The editor asks it for its description (ZU_Plugin_Info) and
 * for the XML descriptions of its input and output parameters (ZU_Plugin_Run, commands 1 and 2).
 * It calls nothing else; ZU_Plugin_Load and ZU_Plugin_UnLoad need only exist.
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
 *   void ZU_Plugin_Load(void);
 *   void ZU_Plugin_UnLoad(void);  */
typedef ZU_BOOL (*TZUPluginInfo)(TZUInfo* info, TZUVersion* version);
typedef int32_t (*TZUPluginRun)(int32_t command, int32_t argument, BSTR* text);
typedef void (*TZUPluginLoad)(void);
typedef void (*TZUPluginUnLoad)(void);

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

#endif
