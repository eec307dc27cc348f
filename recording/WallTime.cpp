#include "recording/WallTime.h"

#include <cstdio>
#include <cstdlib>
#include <ctime>

namespace {

constexpr std::int64_t kSecondsPerDay = 24 * 3600;
// Changes of a zone's offset lie further apart than this.
constexpr std::int64_t kHalfDay = kSecondsPerDay / 2;

std::int64_t FloorDays(std::int64_t seconds) {
  return seconds >= 0 ? seconds / kSecondsPerDay : (seconds - kSecondsPerDay + 1) / kSecondsPerDay;
}

}  // namespace

WallTime WallTime::Local(std::int64_t utcSeconds) {
  const auto time = static_cast<std::time_t>(utcSeconds);
  std::tm local{};
  if (localtime_r(&time, &local) == nullptr) return WallTime(utcSeconds, 0);
  return WallTime(utcSeconds, static_cast<int>(local.tm_gmtoff));
}

std::int64_t WallTime::FromLocal(std::int64_t wallSeconds) {
  // The offsets half a day before and after are those on either side of any change near it;
  // where both give the wall time (winter time repeats an hour), the offset before is the
  // larger, and its second the earlier.
  const std::int64_t before = wallSeconds - Local(wallSeconds - kHalfDay).UtcOffset();
  const std::int64_t after = wallSeconds - Local(wallSeconds + kHalfDay).UtcOffset();
  if (Local(before).WallSeconds() == wallSeconds) return before;
  if (Local(after).WallSeconds() == wallSeconds) return after;
  return before;
}

int WallTime::SecondOfDay() const {
  return static_cast<int>(WallSeconds() - FloorDays(WallSeconds()) * kSecondsPerDay);
}

std::chrono::year_month_day WallTime::Date() const {
  return std::chrono::year_month_day{std::chrono::sys_days(std::chrono::days(FloorDays(WallSeconds())))};
}

std::string WallTime::TimeOfDayText(int second) {
  char text[16];
  std::snprintf(text, sizeof text, "%02d:%02d:%02d", second / 3600, second / 60 % 60, second % 60);
  return text;
}

std::string WallTime::DateText() const {
  const std::chrono::year_month_day date = Date();
  char text[24];
  std::snprintf(text, sizeof text, "%04d-%02u-%02u", static_cast<int>(date.year()), static_cast<unsigned>(date.month()),
                static_cast<unsigned>(date.day()));
  return text;
}

std::string WallTime::OffsetText() const {
  const int minutes = std::abs(m_offset) / 60;
  char text[16];
  std::snprintf(text, sizeof text, "%c%02d:%02d", m_offset < 0 ? '-' : '+', minutes / 60, minutes % 60);
  return text;
}
