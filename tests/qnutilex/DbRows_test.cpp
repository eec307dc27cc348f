// The compact row store gives back every value an engine handed over, byte for byte and kind for
// kind, however it packs them: dates in both engines' spellings, texts of every length, integers
// at their limits, a cell repeated from a row above, and rows replaced after others came to
// point at them.

#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "qnutilex/DbRows.h"

namespace {

using Row = std::vector<DbValue>;

// A value as the test shows it: its kind, then its bytes (a real's bits: -0.0 is not 0.0).
std::string Shown(const DbValue& value) {
  switch (value.kind) {
    case DbKind::kInteger:
      return "integer " + std::to_string(value.integer);
    case DbKind::kReal:
      return "real " + std::to_string(std::bit_cast<std::uint64_t>(value.real));
    case DbKind::kText:
      return "text '" + value.text + "'";
    case DbKind::kNull:
      break;
  }
  return "null";
}

// Every cell of `rows` read in `order` of rows, compared with `expected`.
void ExpectRows(const DbRows& rows, const std::vector<Row>& expected, const std::vector<std::size_t>& order) {
  ASSERT_EQ(rows.RowCount(), expected.size());
  for (const std::size_t row : order) {
    for (std::size_t column = 0; column < rows.ColumnCount(); ++column) {
      EXPECT_EQ(Shown(rows.Value(row, column)), Shown(expected[row][column])) << "row " << row << ", column " << column;
    }
  }
}

std::vector<std::size_t> Downwards(std::size_t count) {
  std::vector<std::size_t> order;
  for (std::size_t row = 0; row < count; ++row) order.push_back(row);
  return order;
}

std::vector<std::size_t> Upwards(std::size_t count) {
  std::vector<std::size_t> order;
  for (std::size_t row = count; row-- > 0;) order.push_back(row);
  return order;
}

TEST(DbRows, GivesBackEveryValueExactly) {
  const std::vector<std::string> texts = {
      "2026-03-01 08:15:30.250", "2026-03-01 08:15:30.25", "2026-03-01 08:15:30.2", "2026-03-01 08:15:30",
      "1899-12-30 00:00:00.000", "0001-01-01 00:00:00.000", "9999-12-31 23:59:59.999", "1969-12-31 23:59:59.999",
      "2026-02-30 08:15:30.250", "2026-13-01 08:15:30.250", "2026-03-01 24:00:00.000", "2026-03-01 08:15:30.2500",
      "2026-03-01T08:15:30.250", "2026-03-01 08:15:30.", "", std::string(119, 'x'), std::string(120, 'y'),
      std::string(255, 'w'), std::string(64 * 1024, 'z'), std::string("a\0b", 3), "Ärztin 산모", "5"};
  const std::int64_t integers[] = {0, -1, 1, 5, std::numeric_limits<std::int64_t>::min(),
                                   std::numeric_limits<std::int64_t>::max()};
  const double reals[] = {0.0, -0.0, 0.1, -2.5e300, std::numeric_limits<double>::denorm_min(), 168.5, -71.25,
                          0.1 + 0.2, 9.0e12 + 0.001, 1e16};
  std::vector<Row> expected;
  for (std::size_t index = 0; index < texts.size(); ++index) {
    expected.push_back({DbValue::Text(texts[index]), DbValue::Integer(integers[index % 6]),
                        DbValue::Real(reals[index % 10]), DbValue::Null()});
  }
  DbRows rows;
  rows.Reset({"T", "I", "R", "N"}, "TBLPatient");
  for (const Row& row : expected) rows.AppendRow(row);
  ExpectRows(rows, expected, Downwards(expected.size()));
  ExpectRows(rows, expected, Upwards(expected.size()));
  EXPECT_EQ(rows.Cell(21, 0).kind, DbKind::kText);  // "5" is not 5
}

// A reader that wants a date takes its count of milliseconds since 1970; a text that only
// looks like a date has none and stays a text.
TEST(DbRows, ADateReadsAsItsMillisecondCount) {
  DbRows rows;
  rows.Reset({"D"}, "");
  for (const char* text : {"1970-01-01 00:00:01.5", "1969-12-31 23:59:59.999", "2026-12-06 10:45:30",
                           "2026-02-30 10:45:30"}) {
    rows.AppendRow(std::vector<DbCell>{DbCell::Text(text)});
  }
  for (std::size_t row = 0; row < 3; ++row) EXPECT_TRUE(rows.Cell(row, 0, DbRows::DateForm::kCount).isDateCount);
  EXPECT_EQ(rows.Cell(0, 0, DbRows::DateForm::kCount).UnixMilliseconds(), 1500);
  EXPECT_EQ(rows.Cell(1, 0, DbRows::DateForm::kCount).UnixMilliseconds(), -1);
  EXPECT_EQ(rows.Cell(2, 0, DbRows::DateForm::kCount).UnixMilliseconds(), 1796553930000);
  const DbCell notADate = rows.Cell(3, 0, DbRows::DateForm::kCount);
  EXPECT_FALSE(notADate.isDateCount);
  EXPECT_EQ(notADate.text, "2026-02-30 10:45:30");
  EXPECT_FALSE(rows.Cell(0, 0).isDateCount);  // as text unless asked
  EXPECT_EQ(rows.Cell(0, 0).text, "1970-01-01 00:00:01.5");
}

// A listing's columns repeat down the rows: a patient in each of her studies, identifiers and
// notes that begin alike, a doctor for a while, a value that returns after more than a hundred
// rows, an empty text beside a null.
std::vector<Row> RepeatingRows(std::size_t count) {
  std::vector<Row> rows;
  for (std::size_t n = 0; n < count; ++n) {
    rows.push_back({DbValue::Text("20261204-" + std::to_string(1000 + n / 3)),
                    DbValue::Text("2026-12-04 09:05:0" + std::to_string(n % 2) + ".000"),
                    DbValue::Text(n / 200 % 2 ? "D-07" : "doctor on the night shift, ward 3"),
                    n % 5 == 4 ? DbValue::Null() : DbValue::Text(n % 5 ? "night " + std::to_string(n % 4) + " of the study" : ""),
                    DbValue::Integer(static_cast<std::int64_t>(n / 4)), DbValue::Real(n % 7 == 0 ? -0.0 : 0.0)});
  }
  return rows;
}

// A row written back is replaced whole; rows below that repeated its cells keep their own values,
// and rows appended after it, its old values or its new, read as they were appended.
TEST(DbRows, AReplacedRowReadsNewAndEveryOtherAsBefore) {
  const std::vector<Row> replacements = {
      {DbValue::Text("P-0 and a much longer identifier than before"), DbValue::Text("2027-01-02 03:04:05.006"),
       DbValue::Text("D"), DbValue::Text(std::string(300, 'c')), DbValue::Integer(-7), DbValue::Real(1.5)},
      {DbValue::Text(""), DbValue::Null(), DbValue::Null(), DbValue::Null(), DbValue::Null(), DbValue::Null()},
      RepeatingRows(1)[0],  // the same values again
  };
  for (const std::size_t replaced : {0u, 1u, 130u, 299u}) {
    for (const Row& replacement : replacements) {
      std::vector<Row> expected = RepeatingRows(300);
      DbRows rows;
      rows.Reset({"P_ID", "S_START_TIME", "S_DOCTOR_ID", "S_COMMENT", "S_LENGTH", "P_HEIGHT"}, "");
      for (const Row& row : expected) rows.AppendRow(row);
      rows.Cell(replaced + 1 < 300 ? replaced + 1 : 0, 0);  // a reader was part way down
      rows.ReplaceRow(replaced, replacement);
      const Row before = expected[replaced];
      expected[replaced] = replacement;
      for (const Row& appended : {before, replacement}) {
        rows.AppendRow(appended);
        expected.push_back(appended);
      }
      ExpectRows(rows, expected, Downwards(expected.size()));
      ExpectRows(rows, expected, Upwards(expected.size()));
    }
  }
  // Identifiers that begin as the first one, or take turns with it, and point to nothing else:
  // replaced, it must not lend its new beginning to them, nor its old one to one appended after.
  std::vector<Row> identifiers;
  for (const int n : {0, 1, 0, 0, 2}) identifiers.push_back({DbValue::Text("20261204-" + std::to_string(1000 + n))});
  DbRows rows;
  rows.Reset({"P_ID"}, "TBLPatient");
  for (const Row& row : identifiers) rows.AppendRow(row);
  ExpectRows(rows, identifiers, Downwards(identifiers.size()));
  identifiers[0] = {DbValue::Text("K")};
  rows.ReplaceRow(0, identifiers[0]);
  identifiers.push_back({DbValue::Text("20261204-1005")});
  rows.AppendRow(identifiers.back());
  ExpectRows(rows, identifiers, Downwards(identifiers.size()));
  ExpectRows(rows, identifiers, Upwards(identifiers.size()));
}

TEST(DbRows, ClearedRowsHaveNoColumnsAndNoRows) {
  DbRows rows;
  rows.Reset({"A"}, "TBLUser");
  rows.AppendRow(Row{DbValue::Text("x")});
  EXPECT_EQ(rows.FindColumn("A"), 0);
  rows.Clear();
  EXPECT_EQ(rows.RowCount(), 0u);
  EXPECT_EQ(rows.ColumnCount(), 0u);
  EXPECT_EQ(rows.FindColumn("A"), -1);
  EXPECT_EQ(rows.SourceTable(), "");
  rows.Reset({"B", "a"}, "");
  EXPECT_EQ(rows.FindColumn("A"), 1);  // the spelling that found column 0 before finds another now
}

}  // namespace
