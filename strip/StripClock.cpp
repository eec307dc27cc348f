#include "strip/StripClock.h"

#include "recording/WallTime.h"

namespace {
constexpr std::int64_t kSecondsPerDay = 24 * 3600;
}  // namespace

StripClock StripClock::Dated(std::int64_t utcSeconds) { return StripClock(utcSeconds, true); }

StripClock StripClock::SinceStart(std::int64_t seconds) { return StripClock(seconds, false); }

StripClock StripClock::Plus(std::int64_t seconds) const { return StripClock(m_seconds + seconds, m_dated); }

int StripClock::SecondOfDay() const {
  if (m_dated) return WallTime::Local(m_seconds).SecondOfDay();
  return static_cast<int>((m_seconds % kSecondsPerDay + kSecondsPerDay) % kSecondsPerDay);
}

int StripClock::UtcOffset() const { return m_dated ? WallTime::Local(m_seconds).UtcOffset() : 0; }

std::string StripClock::TimeText() const { return WallTime::TimeOfDayText(SecondOfDay()); }

std::string StripClock::DateText() const { return m_dated ? WallTime::Local(m_seconds).DateText() : std::string(); }

std::string StripClock::OffsetText() const {
  return m_dated ? WallTime::Local(m_seconds).OffsetText() : std::string();
}
