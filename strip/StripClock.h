#pragma once

#include <cstdint>
#include <string>

#include "strip/StripApi.h"

// The clock a strip shows: the local wall time of a recording that has a start time (in the
// zone of the process, TZ; see WallTime), else the time since the link began. A reader reads
// the strip as the clock on the ward's wall showed it; where the zone's offset changes (summer
// and winter time) the strip names the offset, so that an hour repeated or skipped is no gap
// or overlap of the trace but a change of the clock.
class VUDODA_STRIP_API StripClock {
 public:
  // The wall time of `utcSeconds` (seconds since 1970-01-01 00:00:00 UTC).
  static StripClock Dated(std::int64_t utcSeconds);
  // `seconds` since the link began.
  static StripClock SinceStart(std::int64_t seconds);

  StripClock Plus(std::int64_t seconds) const;
  bool IsDated() const { return m_dated; }
  // The time of day it shows, 0 to 86399.
  int SecondOfDay() const;
  // Seconds east of UTC; 0 for a clock since the start.
  int UtcOffset() const;
  // "hh:mm:ss"; "yyyy-mm-dd" and "+01:00" (empty for a clock since the start).
  std::string TimeText() const;
  std::string DateText() const;
  std::string OffsetText() const;

 private:
  StripClock(std::int64_t seconds, bool dated) : m_seconds(seconds), m_dated(dated) {}

  std::int64_t m_seconds;
  bool m_dated;
};
