#include "platform/unDateTime.h"

#include <chrono>
#include <cmath>
#include <ctime>

namespace {

constexpr std::int64_t MsPerDay = 86'400'000;

std::chrono::sys_days Epoch() {
  using namespace std::chrono;
  return sys_days{year{1899} / December / 30};
}

} // namespace

TDateTime EncodeDateTime(const TDateTimeParts& p) {
  using namespace std::chrono;
  sys_days day{year{p.Year} / month{static_cast<unsigned>(p.Month)} / static_cast<unsigned>(p.Day)};
  auto days = (day - Epoch()).count();
  std::int64_t ms =
      ((static_cast<std::int64_t>(p.Hour) * 60 + p.Minute) * 60 + p.Second) * 1000 + p.Millisecond;
  return static_cast<double>(days) + static_cast<double>(ms) / MsPerDay;
}

TDateTimeParts DecodeDateTime(TDateTime value) {
  using namespace std::chrono;
  auto total = static_cast<std::int64_t>(std::llround(value * MsPerDay));
  std::int64_t days = total >= 0 ? total / MsPerDay : -((-total + MsPerDay - 1) / MsPerDay);
  std::int64_t ms = total - days * MsPerDay;
  year_month_day ymd{Epoch() + std::chrono::days{days}};
  TDateTimeParts p;
  p.Year = static_cast<int>(ymd.year());
  p.Month = static_cast<int>(static_cast<unsigned>(ymd.month()));
  p.Day = static_cast<int>(static_cast<unsigned>(ymd.day()));
  p.Millisecond = static_cast<int>(ms % 1000);
  ms /= 1000;
  p.Second = static_cast<int>(ms % 60);
  ms /= 60;
  p.Minute = static_cast<int>(ms % 60);
  p.Hour = static_cast<int>(ms / 60);
  return p;
}

TDateTime Now() {
  using namespace std::chrono;
  auto now = system_clock::now();
  std::time_t seconds = system_clock::to_time_t(now);
  auto ms = duration_cast<milliseconds>(now.time_since_epoch()).count() % 1000;
  if (ms < 0)
    ms += 1000;
  std::tm local{};
  localtime_r(&seconds, &local);
  TDateTimeParts p;
  p.Year = local.tm_year + 1900;
  p.Month = local.tm_mon + 1;
  p.Day = local.tm_mday;
  p.Hour = local.tm_hour;
  p.Minute = local.tm_min;
  p.Second = local.tm_sec;
  p.Millisecond = static_cast<int>(ms);
  return EncodeDateTime(p);
}
