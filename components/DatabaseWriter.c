/* A database writer: stores each value it receives as a row of a table. */
#include "zu_component.h"

static const TZUParamDesc In[] = {
    {0, "Connection", "Соединение", "Connection string, for example postgresql://host/db", "string"},
    {1, "Table", "Таблица", "Table the rows go to", "string"},
    {2, "Value", "Значение", "The value to store", "any"},
    {3, "Timestamp", "Время", "When the value was taken; now when empty", "string"},
};
static const TZUParamDesc Out[] = {
    {0, "RowsWritten", "Записано строк", "Rows written since the start", "double"},
    {1, "LastError", "Последняя ошибка", "The database's last error, empty when none", "string"},
};
static const TZUComponentDesc Component = {"DatabaseWriter",
                                           "Запись в базу данных",
                                           "Writes values & time stamps into a database table",
                                           "ZU Programming",
                                           "(c) 2026 ZU Programming",
                                           "https://zu-programming.example/components",
                                           {1, 3, 0, 12},
                                           In,
                                           ZU_COUNT(In),
                                           Out,
                                           ZU_COUNT(Out)};

ZU_DEFINE_COMPONENT(Component)
