#include "platform/unDateTime.h"

#include <ctime>
#include <gtest/gtest.h>

TEST(DateTime, CountsDaysFromTheEpoch) {
  EXPECT_DOUBLE_EQ(EncodeDateTime({1899, 12, 30, 0, 0, 0, 0}), 0.0);
  EXPECT_DOUBLE_EQ(EncodeDateTime({1900, 1, 1, 12, 0, 0, 0}), 2.5);
  EXPECT_DOUBLE_EQ(EncodeDateTime({1899, 12, 29, 0, 0, 0, 0}), -1.0);
}

TEST(DateTime, DecodesWhatItEncodes) {
  TDateTimeParts in{2026, 12, 7, 5, 33, 29, 123};
  TDateTimeParts out = DecodeDateTime(EncodeDateTime(in));
  EXPECT_EQ(out.Year, 2026);
  EXPECT_EQ(out.Month, 12);
  EXPECT_EQ(out.Day, 7);
  EXPECT_EQ(out.Hour, 5);
  EXPECT_EQ(out.Minute, 33);
  EXPECT_EQ(out.Second, 29);
  EXPECT_EQ(out.Millisecond, 123);
  TDateTimeParts late = DecodeDateTime(EncodeDateTime({2026, 12, 31, 23, 59, 59, 999}));
  EXPECT_EQ(late.Day, 31);
  EXPECT_EQ(late.Millisecond, 999);
}

TEST(DateTime, NowIsTheSystemClocksLocalDateAndTime) {
  auto local = [] {
    const std::time_t t = std::time(nullptr);
    std::tm tm{};
    localtime_r(&t, &tm);
    return tm;
  };
  const std::tm before = local();
  const TDateTimeParts now = DecodeDateTime(Now());
  const std::tm after = local();
  // The clock may pass midnight between the readings; then either day is right.
  auto matches = [&](const std::tm& tm) {
    return now.Year == tm.tm_year + 1900 && now.Month == tm.tm_mon + 1 && now.Day == tm.tm_mday &&
           now.Hour == tm.tm_hour;
  };
  EXPECT_TRUE(matches(before) || matches(after))
      << now.Year << "-" << now.Month << "-" << now.Day << " " << now.Hour;
}
