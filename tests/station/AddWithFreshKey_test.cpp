// A key drawn by two stations at once: the row is drawn again only while another row holds
// its key, and only so often.
#include "station/AddWithFreshKey.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "database/TBLPatient.h"
#include "database/schema/DatabaseSchema.h"

namespace {

TEST(AddWithFreshKey, DrawsAgainOnlyWhileAnotherRowHoldsTheKey) {
  const std::filesystem::path file =
      std::filesystem::temp_directory_path() / ("vudoda-fresh-key-" + std::to_string(getpid()) + ".db");
  std::filesystem::remove(file);
  { std::ofstream create(file); }
  QnAdo db;
  ASSERT_EQ(1, db.Connect(("sqlite:" + file.string()).c_str()));
  ASSERT_EQ(1, db.ExecuteSQL(SqliteSchema()));
  TBLPatient taken(&db);
  taken.m_P_ID = "TAKEN";
  ASSERT_EQ(1, taken.Add());

  std::vector<int> draws;
  const auto drawTakenThen = [&](const char* next) {
    return [&draws, next](TBLPatient& row, int attempt) {
      draws.push_back(attempt);
      row.m_P_ID = attempt == 0 ? "TAKEN" : next;
    };
  };
  TBLPatient second(&db);
  EXPECT_EQ(1, AddWithFreshKey(second, drawTakenThen("FRESH")));  // another station was first
  EXPECT_EQ(draws, (std::vector<int>{0, 1}));
  EXPECT_STREQ("FRESH", second.m_P_ID.GetString());

  draws.clear();
  TBLPatient stuck(&db);
  EXPECT_EQ(0, AddWithFreshKey(stuck, drawTakenThen("TAKEN"), 5));  // bounded
  EXPECT_EQ(draws.size(), 5u);

  draws.clear();
  db.Disconnect();
  TBLPatient unreachable(&db);
  EXPECT_EQ(0, AddWithFreshKey(unreachable, drawTakenThen("OTHER")));  // no key conflict: no second draw
  EXPECT_EQ(draws, (std::vector<int>{0}));
  std::filesystem::remove(file);
}

}  // namespace
