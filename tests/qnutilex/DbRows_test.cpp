#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "qnutilex/DbRows.h"

namespace {

// Every value a cursor reads back must be the one an engine handed over, byte for byte, however
// the store packs it: dates in both engines' spellings, things that only look like dates, texts
// of every length and integers at their limits.
TEST(DbRows, GivesBackEveryValueExactly) {
  const std::vector<std::string> texts = {
      "2026-03-01 08:15:30.250", "2026-03-01 08:15:30.25", "2026-03-01 08:15:30.2", "2026-03-01 08:15:30",
      "1899-12-30 00:00:00.000", "0001-01-01 00:00:00.000", "9999-12-31 23:59:59.999", "1969-12-31 23:59:59.999",
      "2026-02-30 08:15:30.250", "2026-13-01 08:15:30.250", "2026-03-01 24:00:00.000", "2026-03-01 08:15:30.2500",
      "2026-03-01T08:15:30.250", "2026-03-01 08:15:30.", "", std::string(247, 'x'), std::string(248, 'y'),
      std::string(64 * 1024, 'z'), std::string("a\0b", 3), "Ärztin 산모"};
  DbRows rows;
  rows.Reset({"T", "I", "R", "N"}, "TBLPatient");
  const std::int64_t integers[] = {0, -1, 1, std::numeric_limits<std::int64_t>::min(),
                                   std::numeric_limits<std::int64_t>::max()};
  for (std::size_t index = 0; index < texts.size(); ++index) {
    rows.AppendText(texts[index]);
    rows.AppendInteger(integers[index % 5]);
    rows.AppendReal(-0.5 * static_cast<double>(index));
    rows.AppendNull();
  }
  ASSERT_EQ(rows.RowCount(), texts.size());
  for (std::size_t index = 0; index < texts.size(); ++index) {
    EXPECT_EQ(rows.Cell(index, 0).kind, DbKind::kText);
    EXPECT_EQ(rows.Cell(index, 0).text, texts[index]) << index;
    EXPECT_EQ(rows.Cell(index, 1).integer, integers[index % 5]);
    EXPECT_EQ(rows.Cell(index, 2).real, -0.5 * static_cast<double>(index));
    EXPECT_EQ(rows.Cell(index, 3).kind, DbKind::kNull);
  }
  // Read out of column order and backwards, as a host may.
  EXPECT_EQ(rows.Cell(3, 3).kind, DbKind::kNull);
  EXPECT_EQ(rows.Cell(3, 0).text, "2026-03-01 08:15:30");
  EXPECT_EQ(rows.Cell(0, 1).integer, 0);
}

// A reader that wants a date takes its count of milliseconds since 1970; a text that only
// looks like a date has none and stays a text.
TEST(DbRows, ADateReadsAsItsMillisecondCount) {
  DbRows rows;
  rows.Reset({"D"}, "");
  for (const char* text : {"1970-01-01 00:00:01.5", "1969-12-31 23:59:59.999", "2026-12-06 10:45:30",
                           "2026-02-30 10:45:30"}) {
    rows.AppendText(text);
  }
  EXPECT_EQ(rows.Cell(0, 0, DbRows::DateForm::kCount).unixMilliseconds, 1500);
  EXPECT_EQ(rows.Cell(1, 0, DbRows::DateForm::kCount).unixMilliseconds, -1);
  EXPECT_EQ(rows.Cell(2, 0, DbRows::DateForm::kCount).unixMilliseconds, 1796553930000);
  const DbCell notADate = rows.Cell(3, 0, DbRows::DateForm::kCount);
  EXPECT_FALSE(notADate.unixMilliseconds);
  EXPECT_EQ(notADate.text, "2026-02-30 10:45:30");
  EXPECT_FALSE(rows.Cell(0, 0).unixMilliseconds);  // as text unless asked
}

TEST(DbRows, ReplacedRowReadsNewAndOthersStay) {
  DbRows rows;
  rows.Reset({"P_ID", "P_REG_DATE"}, "TBLPatient");
  rows.AppendRow(std::vector<DbValue>{DbValue::Text("P1"), DbValue::Text("2026-03-01 08:15:30.250")});
  rows.AppendRow(std::vector<DbValue>{DbValue::Text("P2"), DbValue::Null()});
  EXPECT_EQ(rows.Cell(0, 1).text, "2026-03-01 08:15:30.250");
  rows.ReplaceRow(0, std::vector<DbValue>{DbValue::Text("P1 and more"), DbValue::Text("2027-01-02 03:04:05.006")});
  EXPECT_EQ(rows.Value(0, 0), DbValue::Text("P1 and more"));
  EXPECT_EQ(rows.Value(0, 1), DbValue::Text("2027-01-02 03:04:05.006"));
  EXPECT_EQ(rows.Value(1, 0), DbValue::Text("P2"));
  EXPECT_EQ(rows.Value(1, 1), DbValue::Null());
  rows.Clear();
  EXPECT_EQ(rows.RowCount(), 0u);
}

}  // namespace
