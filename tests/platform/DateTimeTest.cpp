#include "platform/unDateTime.h"

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

TEST(DateTime, NowIsAfter2020) {
  EXPECT_GT(Now(), EncodeDateTime({2020, 1, 1, 0, 0, 0, 0}));
}
