// A key drawn by two stations at once: the row is drawn again only while another row holds
// its key, and only so often.
#include "registry/AddWithFreshKey.h"

#include <gtest/gtest.h>

#include <ctime>
#include <vector>

#include "database/ScratchDatabase.h"
#include "database/TBLPatient.h"
#include "database/TBLStudy.h"
#include "registry/StationDatabase.h"

namespace {

using AddWithFreshKeyTest = ScratchDatabaseTest;

TEST_F(AddWithFreshKeyTest, DrawsAgainOnlyWhileAnotherRowHoldsTheKey) {
  TBLPatient taken(&m_db);
  taken.m_P_ID = "TAKEN";
  ASSERT_EQ(1, taken.Add());

  std::vector<int> draws;
  const auto drawTakenThen = [&](const char* next) {
    return [&draws, next](TBLPatient& row, int attempt) {
      draws.push_back(attempt);
      row.m_P_ID = attempt == 0 ? "TAKEN" : next;
    };
  };
  std::string refusal;
  TBLPatient second(&m_db);
  EXPECT_EQ(1, AddWithFreshKey(second, drawTakenThen("FRESH"), refusal));  // another station was first
  EXPECT_EQ(draws, (std::vector<int>{0, 1}));
  EXPECT_STREQ("FRESH", second.m_P_ID.GetString());

  draws.clear();
  TBLPatient stuck(&m_db);
  EXPECT_EQ(0, AddWithFreshKey(stuck, drawTakenThen("TAKEN"), refusal, 5));  // bounded
  EXPECT_EQ(draws.size(), 5u);

  draws.clear();
  m_db.Disconnect();
  TBLPatient unreachable(&m_db);
  EXPECT_EQ(0, AddWithFreshKey(unreachable, drawTakenThen("OTHER"), refusal));  // no key conflict: no second draw
  EXPECT_EQ(draws, (std::vector<int>{0}));
  EXPECT_EQ(refusal, "not connected to a database");
}

TEST_F(AddWithFreshKeyTest, AStudyStartsInTheFirstSecondNoOtherStudyOfHersHolds) {
  std::tm local{};
  local.tm_year = 126, local.tm_mon = 2, local.tm_mday = 14, local.tm_hour = 9, local.tm_min = 30, local.tm_sec = 15;
  local.tm_isdst = -1;
  const std::time_t start = std::mktime(&local);
  TBLStudy otherStation(&m_db);
  otherStation.m_S_ID = "P-1";
  otherStation.m_S_STUDY_ID = "20260314093016";
  ASSERT_EQ(1, otherStation.Add());

  StationDatabase station;
  ASSERT_EQ(station.Connect(m_uri), std::nullopt);
  const auto studyIdOf = [&](const char* patient) {
    const std::optional<StationDatabase::Study> study = station.StartStudy(patient, start);
    return study ? study->studyId : "refused: " + station.Fault();
  };
  EXPECT_EQ(studyIdOf("P-1"), "20260314093015");
  EXPECT_EQ(studyIdOf("P-1"), "20260314093017");  // 09:30:16 is the other station's
  EXPECT_EQ(studyIdOf("P-2"), "20260314093015");  // seconds are taken per patient
}

}  // namespace
