#include "platform/unLogFormat.h"

#include <gtest/gtest.h>

using namespace std::string_literals;

TEST(LogFormat, FillsPlaceholdersInOrder) {
  struct Row {
    const char* Format;
    TLogArgs Args;
    const char* Expected;
  };
  const Row rows[] = {
      {"plain", {}, "plain"},
      {"%d|%d", {TLogArg(-5), TLogArg(std::int64_t{1} << 40)}, "-5|1099511627776"},
      {"%u", {TLogArg(-1)}, "4294967295"},
      {"%x", {TLogArg(255)}, "ff"},
      {"%5d|%-5d|%.3d", {TLogArg(42), TLogArg(42), TLogArg(7)}, "   42|42   |007"},
      {"%s and %s", {TLogArg("narrow"s), TLogArg(u"широкий"s)}, "narrow and широкий"},
      {"[%6s][%-6s][%.2s]",
       {TLogArg("ab"s), TLogArg("ab"s), TLogArg(u"Привет"s)},
       "[    ab][ab    ][Пр]"},
      // Widths count characters, not bytes of their UTF-8 text.
      {"[%6s][%-5s]", {TLogArg(u"Жук"s), TLogArg("Ёж"s)}, "[   Жук][Ёж   ]"},
      {"%f %.2f", {TLogArg(1.5), TLogArg(2.0)}, "1.500000 2.00"},
      {"%g %e", {TLogArg(0.0001), TLogArg(12345.0)}, "0.0001 1.234500e+04"},
      {"100%%", {}, "100%"},
      {"%s", {TLogArg("a"s), TLogArg(5)}, "a"}, // extra arguments are ignored
      {"<%s.%s>", {TLogArg("TComponentList"s), TLogArg("Refresh"s)}, "<TComponentList.Refresh>"},
  };
  for (const Row& row : rows)
    EXPECT_EQ(FormatLog(row.Format, row.Args), row.Expected) << row.Format;
}

TEST(LogFormat, MismatchedFormatsAreErrors) {
  struct Row {
    const char* Format;
    TLogArgs Args;
  };
  const Row rows[] = {
      {"%d", {}},              // missing argument
      {"%d %s", {TLogArg(1)}}, // second missing
      {"%d", {TLogArg("x"s)}}, // string for integer
      {"%s", {TLogArg(3)}},    // integer for string
      {"%f", {TLogArg(3)}},    // integer for float
      {"%d", {TLogArg(1.0)}},  // float for integer
      {"%q", {TLogArg(1)}},    // unknown placeholder
      {"tail %", {}},          // unfinished
      {"%5", {TLogArg(1)}},    // unfinished after width
  };
  for (const Row& row : rows)
    EXPECT_THROW(FormatLog(row.Format, row.Args), TFormatError) << row.Format;
}
