#include "ward/StationLog.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include "link/RecordingScratch.h"
#include "recording/TimeZoneScope.h"

namespace {

class StationLogTest : public RecordingScratch {};

// Lines carry local time with its offset, so that the two 02:30 of the night the clocks go back
// are two instants, and read back as the instants they were written at.
TEST_F(StationLogTest, LinesAreStampedWithTheirOffsetAndReadBackAsTheirInstants) {
  TimeZoneScope zone("Europe/Berlin");
  const std::time_t summer = 1792888200;  // 2026-10-25 00:30 UTC: 02:30 +0200
  const std::time_t winter = summer + 3600;  // 01:30 UTC: 02:30 +0100
  {
    StationLog log;
    ASSERT_EQ(log.Open(m_folder.string()), std::nullopt);
    log.Write("bed 1: alarm 1 raised (high): FHR1: Lower Limit", summer);
    log.Write("bed 1: alarm 1 cleared", winter);
    ASSERT_EQ(log.SyncJob()(), std::nullopt);
  }
  EXPECT_EQ(ReadFile(StationLog::PathOf(m_folder.string())),
            "2026-10-25 02:30:00 +0200 bed 1: alarm 1 raised (high): FHR1: Lower Limit\n"
            "2026-10-25 02:30:00 +0100 bed 1: alarm 1 cleared\n");
  struct stat status{};
  ASSERT_EQ(::stat(StationLog::PathOf(m_folder.string()).c_str(), &status), 0);
  EXPECT_EQ(status.st_mode & 0777, 0600u);

  const std::vector<StationLog::Line> lines = StationLog::ReadTail(m_folder.string(), 1 << 20);
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0].time, summer);
  EXPECT_EQ(lines[1].time, winter);
  EXPECT_EQ(lines[1].text, "bed 1: alarm 1 cleared");
}

// A text cannot make two lines (an admission's name may carry a line break), nor forge one.
TEST_F(StationLogTest, ATextWithControlBytesStaysOneLine) {
  EXPECT_EQ(StationLog::Printable("Anna\n2026-10-25 02:30:00 +0100 audit: login\x01\x7f"),
            "Anna\\x0A2026-10-25 02:30:00 +0100 audit: login\\x01\\x7F");
  EXPECT_EQ(StationLog::Printable("Zo\xC3\xAB"), "Zo\xC3\xAB");
}

// Reading the tail begins at a whole line and passes over one whose stamp is not one.
TEST_F(StationLogTest, TheTailBeginsAtAWholeLine) {
  Write("station.events", std::string("2026-10-25 02:30:00 +0100 first\n") + "not a stamp at all here\n" +
                              "2026-10-25 02:31:00 +0100 second\n");
  const auto whole = StationLog::ReadTail(m_folder.string(), 1 << 20);
  ASSERT_EQ(whole.size(), 2u);
  EXPECT_EQ(whole[0].text, "first");
  const auto tail = StationLog::ReadTail(m_folder.string(), 40);
  ASSERT_EQ(tail.size(), 1u);
  EXPECT_EQ(tail[0].text, "second");
}

}  // namespace
