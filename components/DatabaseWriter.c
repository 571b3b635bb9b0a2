/* A database writer: appends one row per step, with a time stamp, to a table of an SQLite
 * database file. */
#include "zu_component.h"

#include <sqlite3.h>
#include <time.h>

static const TZUParamDesc In[] = {
    {0, "Connection", "Соединение", "The SQLite database file; made when it is missing", "string"},
    {1, "Table", "Таблица", "Table the rows go to (\"Values\" when unset); made when missing",
     "string"},
    {2, "Value", "Значение", "The value to store", "any"},
    {3, "Timestamp", "Время", "When the value was taken; now (UTC) when empty", "string"},
};
static const TZUParamDesc Out[] = {
    {0, "RowsWritten", "Записано строк", "Rows written since the start", "double"},
    {1, "LastError", "Последняя ошибка", "The database's last error, empty when none", "string"},
};
static const TZUComponentDesc Component = {"DatabaseWriter",
                                           "Запись в базу данных",
                                           "Writes values & time stamps into an SQLite table",
                                           "ZU Programming",
                                           "(c) 2026 ZU Programming",
                                           "https://zu-programming.example/components",
                                           {1, 4, 0, 13},
                                           In,
                                           ZU_COUNT(In),
                                           Out,
                                           ZU_COUNT(Out)};

typedef struct TWriter {
  sqlite3* Db;
  sqlite3_stmt* Insert;
  long long Rows;
  char Error[512];
} TWriter;

static void Destroy(void* state) {
  TWriter* w = (TWriter*)state;
  sqlite3_finalize(w->Insert);
  sqlite3_close(w->Db);
  free(w);
}

static void* Create(BSTR constants, char* error, size_t errorSize) {
  char file[2048], table[256];
  if (!ZU_ValueUtf8(constants, "Connection", file, sizeof file) || !file[0]) {
    snprintf(error, errorSize, "no Connection (database file) given");
    return NULL;
  }
  if (!ZU_ValueUtf8(constants, "Table", table, sizeof table) || !table[0])
    strcpy(table, "Values");
  TWriter* w = (TWriter*)calloc(1, sizeof *w);
  if (!w) {
    snprintf(error, errorSize, "out of memory");
    return NULL;
  }
  if (sqlite3_open_v2(file, &w->Db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, NULL) !=
      SQLITE_OK) {
    snprintf(error, errorSize, "cannot open %s: %s", file, sqlite3_errmsg(w->Db));
    Destroy(w);
    return NULL;
  }
  sqlite3_busy_timeout(w->Db, 1000);
  /* The table's name is quoted, its quotes doubled. */
  char quoted[600];
  size_t n = 0;
  quoted[n++] = '"';
  for (const char* c = table; *c && n + 3 < sizeof quoted; ++c) {
    if (*c == '"')
      quoted[n++] = '"';
    quoted[n++] = *c;
  }
  quoted[n++] = '"';
  quoted[n] = 0;
  char sql[800];
  snprintf(sql, sizeof sql, "CREATE TABLE IF NOT EXISTS %s (Time TEXT, Value)", quoted);
  char* message = NULL;
  if (sqlite3_exec(w->Db, sql, NULL, NULL, &message) != SQLITE_OK) {
    snprintf(error, errorSize, "cannot make table %s: %s", table, message ? message : "?");
    sqlite3_free(message);
    Destroy(w);
    return NULL;
  }
  snprintf(sql, sizeof sql, "INSERT INTO %s (Time, Value) VALUES (?, ?)", quoted);
  if (sqlite3_prepare_v2(w->Db, sql, -1, &w->Insert, NULL) != SQLITE_OK) {
    snprintf(error, errorSize, "cannot write to %s: %s", table, sqlite3_errmsg(w->Db));
    Destroy(w);
    return NULL;
  }
  return w;
}

static int Step(void* state, BSTR inputs, ZU_Values* out, char* error, size_t errorSize) {
  (void)error;
  (void)errorSize;
  TWriter* w = (TWriter*)state;
  char value[4096], stamp[64];
  ZU_ValueUtf8(inputs, "Value", value, sizeof value);
  if (!ZU_ValueUtf8(inputs, "Timestamp", stamp, sizeof stamp) || !stamp[0]) {
    struct timespec now;
    clock_gettime(CLOCK_REALTIME, &now);
    struct tm tm;
    gmtime_r(&now.tv_sec, &tm);
    const size_t len = strftime(stamp, sizeof stamp, "%Y-%m-%dT%H:%M:%S", &tm);
    snprintf(stamp + len, sizeof stamp - len, ".%03ldZ", now.tv_nsec / 1000000);
  }
  sqlite3_reset(w->Insert);
  sqlite3_bind_text(w->Insert, 1, stamp, -1, SQLITE_TRANSIENT);
  /* A number is stored as a number, anything else as text. */
  char* end = NULL;
  const double number = strtod(value, &end);
  if (value[0] && end && *end == 0)
    sqlite3_bind_double(w->Insert, 2, number);
  else
    sqlite3_bind_text(w->Insert, 2, value, -1, SQLITE_TRANSIENT);
  if (sqlite3_step(w->Insert) == SQLITE_DONE) {
    ++w->Rows;
    w->Error[0] = 0;
  } else {
    snprintf(w->Error, sizeof w->Error, "%s", sqlite3_errmsg(w->Db));
  }
  ZU_ValuesDouble(out, "RowsWritten", (double)w->Rows);
  ZU_ValuesText(out, "LastError", w->Error);
  return 0;
}

ZU_DEFINE_RUNNING_COMPONENT(Component, Create, Step, Destroy)
