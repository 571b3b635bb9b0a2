/* A database writer: appends one row per step, with a time stamp, to a table of an SQLite
 * database file. */
#include "zu_component.h"

#include <sqlite3.h>
#include <sys/stat.h>
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
                                           "https://kven.org/zu-programming/components/",
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
  /* Names of any length are taken whole: two tables whose names differ late stay apart. */
  char* file = ZU_ValueUtf8Copy(constants, "Connection");
  char* table = ZU_ValueUtf8Copy(constants, "Table");
  TWriter* w = NULL;
  if (!file || !file[0]) {
    snprintf(error, errorSize, "no Connection (database file) given");
    goto done;
  }
  /* A device (/dev/null, /dev/full) or folder is no database: SQLite would put its journal
   * beside it. */
  struct stat st;
  if (stat(file, &st) == 0 && !S_ISREG(st.st_mode)) {
    snprintf(error, errorSize, "%s is not a database file", file);
    goto done;
  }
  w = (TWriter*)calloc(1, sizeof *w);
  if (!w) {
    snprintf(error, errorSize, "out of memory");
    goto done;
  }
  if (sqlite3_open_v2(file, &w->Db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, NULL) !=
      SQLITE_OK) {
    snprintf(error, errorSize, "cannot open %s: %s", file, sqlite3_errmsg(w->Db));
    Destroy(w);
    w = NULL;
    goto done;
  }
  sqlite3_busy_timeout(w->Db, 1000);
  const char* name = table && table[0] ? table : "Values";
  /* The table's name is quoted, its quotes doubled (%w). */
  char* sql = sqlite3_mprintf("CREATE TABLE IF NOT EXISTS \"%w\" (Time TEXT, Value)", name);
  char* message = NULL;
  if (!sql || sqlite3_exec(w->Db, sql, NULL, NULL, &message) != SQLITE_OK) {
    snprintf(error, errorSize, "cannot make table %s: %s", name, message ? message : "?");
    sqlite3_free(message);
    sqlite3_free(sql);
    Destroy(w);
    w = NULL;
    goto done;
  }
  sqlite3_free(sql);
  sql = sqlite3_mprintf("INSERT INTO \"%w\" (Time, Value) VALUES (?, ?)", name);
  if (!sql || sqlite3_prepare_v2(w->Db, sql, -1, &w->Insert, NULL) != SQLITE_OK) {
    snprintf(error, errorSize, "cannot write to %s: %s", name, sqlite3_errmsg(w->Db));
    sqlite3_free(sql);
    Destroy(w);
    w = NULL;
    goto done;
  }
  sqlite3_free(sql);
done:
  free(file);
  free(table);
  return w;
}

static int Step(void* state, BSTR inputs, ZU_Values* out, char* error, size_t errorSize) {
  TWriter* w = (TWriter*)state;
  char stamp[64];
  /* A value of any length is stored whole. */
  char* value = ZU_ValueUtf8Copy(inputs, "Value");
  if (!value)
    value = (char*)calloc(1, 1);
  if (!value) {
    snprintf(error, errorSize, "out of memory");
    return 1;
  }
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
  free(value);
  ZU_ValuesDouble(out, "RowsWritten", (double)w->Rows);
  ZU_ValuesText(out, "LastError", w->Error);
  return 0;
}

ZU_DEFINE_RUNNING_COMPONENT(Component, Create, Step, Destroy)
ZU_CATEGORY("Files")
