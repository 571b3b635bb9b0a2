/* A CSV writer: one row of its values per tick. */
#include "zu_component.h"

#include <errno.h>

static const TZUParamDesc In[] = {
    {0, "File", "Файл", "The file written (made anew when the run starts)", "string"},
    {1, "Header", "Заголовок", "The first line, when given (\"time,a,b\")", "string"},
    {2, "A", "Столбец A", "The first column", "any"},
    {3, "B", "Столбец B", "The second column", "any"},
    {4, "C", "Столбец C", "The third column", "any"},
    {5, "D", "Столбец D", "The fourth column", "any"},
};
static const TZUParamDesc Out[] = {
    {0, "Rows", "Строк", "Rows written since the start", "int"},
    {1, "Ok", "Исправно", "False while the file cannot be written", "bool"},
};
ZU_LIBRARY_COMPONENT("CsvWriter", "Запись CSV", "Writes one row of values per tick to a CSV file")
ZU_CATEGORY("Files")

typedef struct TWriter {
  FILE* File;
  char Path[4096];
  long long Rows;
  int Failed; /* told to the log once */
} TWriter;

static void* Create(BSTR constants, char* error, size_t errorSize) {
  (void)constants;
  (void)error;
  (void)errorSize;
  return calloc(1, sizeof(TWriter));
}

static void Destroy(void* state) {
  TWriter* w = (TWriter*)state;
  if (w->File)
    fclose(w->File);
  free(w);
}

/* Writes a field, quoted when it holds a comma, a quote or a line break. */
static void Field(FILE* f, const char* text) {
  if (!strpbrk(text, ",\"\r\n")) {
    fputs(text, f);
    return;
  }
  fputc('"', f);
  for (const char* p = text; *p; ++p) {
    if (*p == '"')
      fputc('"', f);
    fputc(*p, f);
  }
  fputc('"', f);
}

static int Step(void* state, BSTR inputs, ZU_Values* out, char* error, size_t errorSize) {
  (void)error;
  (void)errorSize;
  TWriter* w = (TWriter*)state;
  char path[4096];
  ZU_ValueUtf8(inputs, "File", path, sizeof path);
  if (strcmp(path, w->Path) != 0 || (!w->File && !w->Failed)) {
    /* A new file: the rows go there from now on. */
    if (w->File)
      fclose(w->File);
    w->File = path[0] ? fopen(path, "w") : NULL;
    snprintf(w->Path, sizeof w->Path, "%s", path);
    w->Failed = !w->File;
    if (w->Failed)
      ZU_Log(ZU_LOG_ERROR, "CSV file \"%s\" cannot be written: %s", path,
             path[0] ? strerror(errno) : "no file named");
    char* header = w->File ? ZU_ValueUtf8Copy(inputs, "Header") : NULL;
    if (header && header[0])
      fprintf(w->File, "%s\n", header);
    free(header);
  }
  if (w->File) {
    static const char* const columns[] = {"A", "B", "C", "D"};
    for (int i = 0; i < 4; ++i) {
      char* value = ZU_ValueUtf8Copy(inputs, columns[i]);
      if (i > 0)
        fputc(',', w->File);
      Field(w->File, value ? value : "");
      free(value);
    }
    fputc('\n', w->File);
    /* Each row reaches the file at its tick: a reader sees it, a crash loses none. */
    if (fflush(w->File) != 0) {
      ZU_Log(ZU_LOG_ERROR, "CSV file \"%s\" not written: %s", w->Path, strerror(errno));
      fclose(w->File);
      w->File = NULL;
      w->Failed = 1;
    } else {
      ++w->Rows;
    }
  }
  char rows[32];
  snprintf(rows, sizeof rows, "%lld", w->Rows);
  ZU_ValuesText(out, "Rows", rows);
  ZU_ValuesBool(out, "Ok", w->File != NULL);
  return 0;
}

ZU_DEFINE_RUNNING_COMPONENT(Component, Create, Step, Destroy)
