/* A CSV reader: one row of a file per tick. */
#include "zu_component.h"

#include <errno.h>

static const TZUParamDesc In[] = {
    {0, "File", "Файл", "The file read", "string"},
    {1, "SkipHeader", "Без заголовка", "Leave out the file's first line", "bool"},
    {2, "Repeat", "Повторять", "Read from the start again after the last row", "bool"},
};
static const TZUParamDesc Out[] = {
    {0, "A", "Столбец A", "The first field of the row", "any"},
    {1, "B", "Столбец B", "The second field", "any"},
    {2, "C", "Столбец C", "The third field", "any"},
    {3, "D", "Столбец D", "The fourth field", "any"},
    {4, "Row", "Строка", "The row's number, from 1 (0 before the first)", "int"},
    {5, "End", "Конец", "True once the last row was given (never when repeating)", "bool"},
};
ZU_LIBRARY_COMPONENT("CsvReader", "Чтение CSV", "Reads one row of a CSV file per tick")
ZU_CATEGORY("Files")

enum { MaxField = 4096 };

typedef struct TReader {
  FILE* File;
  char Path[4096];
  long long Row;
  int End;
  int Failed;
  char Fields[4][MaxField];
} TReader;

static void* Create(BSTR constants, char* error, size_t errorSize) {
  (void)constants;
  (void)error;
  (void)errorSize;
  return calloc(1, sizeof(TReader));
}

static void Destroy(void* state) {
  TReader* r = (TReader*)state;
  if (r->File)
    fclose(r->File);
  free(r);
}

/* Reads one record into the fields (the first four; quoted fields may hold commas, quotes and
 * line breaks); 0 at the end of the file. */
static int Record(FILE* f, char fields[4][MaxField]) {
  int c = fgetc(f);
  if (c == EOF)
    return 0;
  for (int i = 0; i < 4; ++i)
    fields[i][0] = 0;
  int field = 0;
  size_t len = 0;
  int quoted = 0;
  for (; c != EOF; c = fgetc(f)) {
    if (quoted) {
      if (c == '"') {
        const int next = fgetc(f);
        if (next != '"') {
          quoted = 0;
          if (next == EOF)
            break;
          ungetc(next, f);
          continue;
        }
      }
    } else if (c == '"' && len == 0) {
      quoted = 1;
      continue;
    } else if (c == ',') {
      ++field;
      len = 0;
      continue;
    } else if (c == '\n') {
      break;
    } else if (c == '\r') {
      continue;
    }
    if (field < 4 && len + 1 < MaxField) {
      fields[field][len++] = (char)c;
      fields[field][len] = 0;
    }
  }
  return 1;
}

static int Step(void* state, BSTR inputs, ZU_Values* out, char* error, size_t errorSize) {
  (void)error;
  (void)errorSize;
  TReader* r = (TReader*)state;
  char path[4096];
  ZU_ValueUtf8(inputs, "File", path, sizeof path);
  const int skipHeader = ZU_ValueBool(inputs, "SkipHeader", 0);
  if (strcmp(path, r->Path) != 0) {
    if (r->File)
      fclose(r->File);
    snprintf(r->Path, sizeof r->Path, "%s", path);
    r->File = path[0] ? fopen(path, "r") : NULL;
    r->Row = 0;
    r->End = 0;
    r->Failed = !r->File;
    if (r->Failed)
      ZU_Log(ZU_LOG_ERROR, "CSV file \"%s\" cannot be read: %s", path,
             path[0] ? strerror(errno) : "no file named");
    if (r->File && skipHeader)
      Record(r->File, r->Fields);
    memset(r->Fields, 0, sizeof r->Fields);
  }
  if (r->File && !r->End) {
    if (Record(r->File, r->Fields)) {
      ++r->Row;
    } else if (ZU_ValueBool(inputs, "Repeat", 0) && r->Row > 0) {
      rewind(r->File);
      if (skipHeader)
        Record(r->File, r->Fields);
      if (Record(r->File, r->Fields))
        r->Row = 1;
    } else {
      r->End = 1;
    }
  }
  static const char* const names[] = {"A", "B", "C", "D"};
  for (int i = 0; i < 4; ++i)
    ZU_ValuesText(out, names[i], r->Fields[i]);
  char row[32];
  snprintf(row, sizeof row, "%lld", r->Row);
  ZU_ValuesText(out, "Row", row);
  ZU_ValuesBool(out, "End", r->End);
  return 0;
}

ZU_DEFINE_RUNNING_COMPONENT(Component, Create, Step, Destroy)
