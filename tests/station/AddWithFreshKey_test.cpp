// A key drawn by two stations at once: the row is drawn again only while another row holds
// its key, and only so often.
#include "station/AddWithFreshKey.h"

#include <gtest/gtest.h>

#include <vector>

#include "database/ScratchDatabase.h"
#include "database/TBLPatient.h"

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
  TBLPatient second(&m_db);
  EXPECT_EQ(1, AddWithFreshKey(second, drawTakenThen("FRESH")));  // another station was first
  EXPECT_EQ(draws, (std::vector<int>{0, 1}));
  EXPECT_STREQ("FRESH", second.m_P_ID.GetString());

  draws.clear();
  TBLPatient stuck(&m_db);
  EXPECT_EQ(0, AddWithFreshKey(stuck, drawTakenThen("TAKEN"), 5));  // bounded
  EXPECT_EQ(draws.size(), 5u);

  draws.clear();
  m_db.Disconnect();
  TBLPatient unreachable(&m_db);
  EXPECT_EQ(0, AddWithFreshKey(unreachable, drawTakenThen("OTHER")));  // no key conflict: no second draw
  EXPECT_EQ(draws, (std::vector<int>{0}));
}

}  // namespace
