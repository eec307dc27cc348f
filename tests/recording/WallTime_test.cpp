#include "recording/WallTime.h"

#include <gtest/gtest.h>

#include "recording/TimeZoneScope.h"

namespace {

// Berlin, 2026: summer time from 29 March 02:00 (to 03:00) to 25 October 03:00 (back to 02:00).
TEST(WallTime, ShowsLocalTimeWithItsOffsetAcrossBothChanges) {
  const TimeZoneScope berlin("Europe/Berlin");
  const struct { std::int64_t utc; const char* date; const char* time; const char* offset; } cases[] = {
      {1792888800, "2026-10-25", "02:40:00", "+02:00"},  // 00:40 UTC
      {1792890000, "2026-10-25", "02:00:00", "+01:00"},  // 01:00 UTC: the hour again
      {1792891800, "2026-10-25", "02:30:00", "+01:00"},
      {1774745400, "2026-03-29", "01:50:00", "+01:00"},  // 00:50 UTC
      {1774746000, "2026-03-29", "03:00:00", "+02:00"},  // 01:00 UTC: 02:00 to 02:59 skipped
      {-1, "1970-01-01", "00:59:59", "+01:00"},
  };
  for (const auto& c : cases) {
    const WallTime wall = WallTime::Local(c.utc);
    EXPECT_EQ(wall.DateText() + " " + wall.TimeText() + " " + wall.OffsetText(),
              std::string(c.date) + " " + c.time + " " + c.offset);
    EXPECT_EQ(wall.Utc(), c.utc);
  }
  const TimeZoneScope newfoundland("America/St_Johns");  // -02:30 in summer
  EXPECT_EQ(WallTime::Local(1792888800).OffsetText(), "-02:30");
}

// Wall seconds of 2026-10-25 00:00 are 1792886400, of 2026-03-29 00:00 1774742400.
TEST(WallTime, ReadsAWallTimeAsTheEarlierOfTwoAndASkippedOneWithTheOffsetBefore) {
  const TimeZoneScope berlin("Europe/Berlin");
  const struct { std::int64_t wall; std::int64_t utc; } cases[] = {
      {1792886400 + 5400, 1792884600},   // 01:30 summer time: 23:30 UTC the day before
      {1792886400 + 9000, 1792888200},   // 02:30 twice: the first, in summer time, 00:30 UTC
      {1792886400 + 12600, 1792895400},  // 03:30 winter time: 02:30 UTC
      {1774742400 + 9000, 1774747800},   // 02:30 skipped: as winter time, 01:30 UTC (03:30 on the wall)
      {1774742400 + 43200, 1774778400},  // 12:00 summer time: 10:00 UTC
  };
  for (const auto& c : cases) EXPECT_EQ(WallTime::FromLocal(c.wall), c.utc) << c.wall;
}

}  // namespace
