#pragma once

#include <cstdint>

// Days since 1899-12-30; the fraction is the time of day.
using TDateTime = double;

struct TDateTimeParts {
  int Year = 1899;
  int Month = 12;
  int Day = 30;
  int Hour = 0;
  int Minute = 0;
  int Second = 0;
  int Millisecond = 0;
};

// The local time now, to the millisecond.
TDateTime Now();
TDateTime EncodeDateTime(const TDateTimeParts& parts);
// Rounds to the nearest millisecond.
TDateTimeParts DecodeDateTime(TDateTime value);
