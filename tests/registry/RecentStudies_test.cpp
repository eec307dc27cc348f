// A returning patient's recent studies, latest start first, as the station looks for the one to
// go on with: however many she has, reading them reads no row beyond her last (which the row
// classes would show as an error message, on the station's standard error).
#include <gtest/gtest.h>

#include "database/ScratchDatabase.h"
#include "database/TBLStudy.h"
#include "registry/StationDatabase.h"

namespace {

class RecentStudiesTest : public EngineTest {};
VUDODA_ON_BOTH_ENGINES(RecentStudiesTest);

TEST_P(RecentStudiesTest, AreTheLatestStartsFirstAndReadNoRowBeyondTheLast) {
  for (const char* start : {"2026-12-07 08:00:00", "2026-12-07 10:00:00", "2026-12-07 09:00:00"}) {
    TBLStudy study(&m_db);
    study.m_S_ID = "TEST-R";
    study.m_S_STUDY_ID = std::string(start).substr(11, 2).c_str();
    ASSERT_TRUE(study.m_S_START_TIME.ParseDateTime(start));
    ASSERT_EQ(1, study.Add());
  }
  StationDatabase station;
  ASSERT_EQ(station.Connect(m_uri), std::nullopt);
  const auto ids = [](const std::vector<StationDatabase::Study>& studies) {
    std::string list;
    for (const StationDatabase::Study& study : studies) list += study.studyId + " ";
    return list;
  };
  const std::string all = ids(station.RecentStudies("TEST-R", 16));
  const std::string two = ids(station.RecentStudies("TEST-R", 2));
  const std::string none = ids(station.RecentStudies("TEST-NONE", 16));
  EXPECT_TRUE(ShownMessages().empty()) << ShownMessages().front().first;
  EXPECT_EQ(all, "10 09 08 ");
  EXPECT_EQ(two, "10 09 ");
  EXPECT_EQ(none, "");
}

}  // namespace
