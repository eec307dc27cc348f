#pragma once

#include <chrono>
#include <cstdint>
#include <string>

#include "recording/RecordingApi.h"

// A moment as a clock on the wall shows it: the local date and time in the zone of the process
// (TZ, as the C library reads it) and that zone's offset from UTC at the moment. The station
// keeps moments as UTC seconds and shows them as wall time; the offset tells apart the two
// moments that a change to winter time gives the same wall time.
class VUDODA_RECORDING_API WallTime {
 public:
  // The wall time of `utcSeconds` (seconds since 1970-01-01 00:00:00 UTC).
  static WallTime Local(std::int64_t utcSeconds);
  // The UTC second at which the wall shows `wallSeconds` (the wall's date and time counted as
  // seconds since 1970-01-01 00:00:00 on the wall). Of two such seconds (the hour a change to
  // winter time repeats) the earlier; a wall time that a change to summer time skips is read
  // with the offset before the change.
  static std::int64_t FromLocal(std::int64_t wallSeconds);

  std::int64_t Utc() const { return m_utc; }
  // Seconds east of UTC: +3600 for UTC+01:00.
  int UtcOffset() const { return m_offset; }
  std::int64_t WallSeconds() const { return m_utc + m_offset; }
  int SecondOfDay() const;
  std::chrono::year_month_day Date() const;
  // "hh:mm:ss", "yyyy-mm-dd" and "+01:00".
  std::string TimeText() const { return TimeOfDayText(SecondOfDay()); }
  std::string DateText() const;
  std::string OffsetText() const;
  // "hh:mm:ss" of a second of the day (0 to 86399).
  static std::string TimeOfDayText(int secondOfDay);

 private:
  WallTime(std::int64_t utc, int offset) : m_utc(utc), m_offset(offset) {}

  std::int64_t m_utc;
  int m_offset;
};
