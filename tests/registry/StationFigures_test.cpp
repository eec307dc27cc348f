// The studies' figures of a ward's interval, stored together: what can be stored is, and a study
// that cannot be is named without holding back the others.
#include <gtest/gtest.h>

#include "database/ScratchDatabase.h"
#include "database/TBLStudy.h"
#include "registry/StationDatabase.h"

namespace {

class StationFiguresTest : public EngineTest {};
VUDODA_ON_BOTH_ENGINES(StationFiguresTest);

TEST_P(StationFiguresTest, EveryStudyThatIsStoredIsUpdatedAndAGoneOneIsNamedAlone) {
  for (const char* studyId : {"20261207080000", "20261207090000"}) {
    TBLStudy study(&m_db);
    study.m_S_ID = "TEST-F";
    study.m_S_STUDY_ID = studyId;
    ASSERT_EQ(1, study.Add());
  }
  StationDatabase station;
  ASSERT_EQ(station.Connect(m_uri), std::nullopt);
  const std::vector<std::string> faults = station.UpdateFigures({{"TEST-F", "20261207080000", 600, 12},
                                                                 {"TEST-F", "20261207083000", 60, 0},
                                                                 {"TEST-F", "20261207090000", 300, 0}});
  ASSERT_EQ(faults.size(), 3u);
  EXPECT_EQ(faults[0], "");
  EXPECT_TRUE(faults[1].starts_with("study 20261207083000 of patient TEST-F is gone")) << faults[1];
  EXPECT_EQ(faults[2], "");
  EXPECT_EQ("20261207080000|600|12\n20261207090000|300|0\n",
            Outside("SELECT S_STUDY_ID, S_LENGTH, S_LOSS FROM TBLStudy ORDER BY S_STUDY_ID;"));

  // A second round over the same connection: the first left no transaction open.
  EXPECT_EQ(station.UpdateFigures({{"TEST-F", "20261207090000", 305, 1}}), std::vector<std::string>{""});
  EXPECT_EQ("305|1\n", Outside("SELECT S_LENGTH, S_LOSS FROM TBLStudy WHERE S_STUDY_ID = '20261207090000';"));
}

}  // namespace
