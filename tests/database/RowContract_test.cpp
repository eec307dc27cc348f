// The contract that every updatable row class keeps, run once for each table on real SQLite
// files: reading back what was added, clearing, cloning, the key guard, deleting, listing with
// conditions, shortening, the statements with their quoted keys, and hostile keys and texts.

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>

#include "database/RowTraits.h"
#include "database/ScratchDatabase.h"

namespace {

// Sets the key members of `row` to those of `other`, leaving its loaded key.
template <class Traits>
void CopyKey(typename Traits::Row& row, const typename Traits::Row& other) {
  const std::string key = Traits::Key(other);
  Traits::SetKey(row, key.substr(0, key.find('/')).c_str());
  if constexpr (std::is_same_v<typename Traits::Row, TBLStudy>) row.m_S_STUDY_ID = other.m_S_STUDY_ID;
}

template <class Traits>
class RowContractTest : public ::testing::Test {
 protected:
  using Row = typename Traits::Row;

  void SetUp() override {
    m_file = m_folder.Path() / "station.db";
    const std::string uri = CreateDatabase(m_file);
    ASSERT_EQ(1, m_db.Connect(uri.c_str()));
  }

  Row Filled(int n) {
    Row row(&m_db);
    Traits::Fill(row, n);
    return row;
  }

  Row Added(int n) {
    Row row = Filled(n);
    EXPECT_EQ(1, row.Add()) << m_db.GetLastErrorString().GetString();
    return row;
  }

  std::string Rows() {
    return RunSqlite3(m_file, std::string("SELECT count(*) FROM ") + Traits::kTable + ";").output;
  }

  ScratchFolder m_folder;
  std::filesystem::path m_file;
  QnAdo m_db;
  MessageCapture m_messages;
};

using RowTables = ::testing::Types<PatientTraits, StudyTraits, UserTraits>;
TYPED_TEST_SUITE(RowContractTest, RowTables);

TYPED_TEST(RowContractTest, GetReadsBackEveryColumnThatAddWrote) {
  using Row = typename TypeParam::Row;
  for (int n = 1; n <= 3; ++n) this->Added(n);
  const Row written = this->Filled(2);
  Row read(&this->m_db);
  CopyKey<TypeParam>(read, written);
  ASSERT_EQ(1, read.Get());
  EXPECT_EQ(TypeParam::Values(written), TypeParam::Values(read));
  EXPECT_EQ(TypeParam::Key(written), TypeParam::LoadedKey(read));
  EXPECT_EQ(0, this->m_db.IsRecordsetOpened());
  EXPECT_TRUE(this->m_messages.Shown().empty());
}

TYPED_TEST(RowContractTest, AddBindsTheLoadedKeyAndClearUnbindsIt) {
  using Row = typename TypeParam::Row;
  Row row = this->Added(1);
  EXPECT_EQ(TypeParam::Key(row), TypeParam::LoadedKey(row));
  row.AddCondition("1=1");
  const double storedDate = TypeParam::Date(row).m_dt;
  row.Clear();
  EXPECT_EQ(TypeParam::Values(Row()), TypeParam::Values(row));
  EXPECT_EQ(TypeParam::Key(Row()), TypeParam::LoadedKey(row));
  EXPECT_EQ(0, row.m_arrCondition.GetSize());
  EXPECT_EQ(storedDate, TypeParam::Date(row).m_dt);  // null, with the value kept
  EXPECT_EQ(COleDateTime::null, TypeParam::Date(row).GetStatus());
  EXPECT_EQ(&this->m_db, row.GetDataBase());
}

TYPED_TEST(RowContractTest, ACloneHoldsTheRowOnTheSameConnectionWithoutConditions) {
  using Row = typename TypeParam::Row;
  Row row = this->Added(1);
  row.AddCondition("1=1");
  std::unique_ptr<Row> clone(row.Clone());
  ASSERT_TRUE(clone);
  EXPECT_EQ(TypeParam::Values(row), TypeParam::Values(*clone));
  EXPECT_EQ(TypeParam::LoadedKey(row), TypeParam::LoadedKey(*clone));
  EXPECT_EQ(&this->m_db, clone->GetDataBase());
  EXPECT_EQ(0, clone->m_arrCondition.GetSize());

  QnAdo elsewhere;
  Row assigned(&elsewhere);
  assigned.AddCondition("2=2");
  assigned = row;
  EXPECT_EQ(TypeParam::Values(row), TypeParam::Values(assigned));
  EXPECT_EQ(&elsewhere, assigned.GetDataBase());
  EXPECT_EQ(1, assigned.m_arrCondition.GetSize());
}

TYPED_TEST(RowContractTest, GetOfAKeyThatIsNotStoredChangesNothing) {
  using Row = typename TypeParam::Row;
  this->Added(1);
  Row row = this->Filled(7);
  const std::string before = TypeParam::Values(row);
  EXPECT_EQ(0, row.Get());
  EXPECT_EQ(before, TypeParam::Values(row));
  EXPECT_EQ(TypeParam::Key(Row()), TypeParam::LoadedKey(row));
}

TYPED_TEST(RowContractTest, UpdateWritesTheRowOfTheLoadedKeyAndNeverChangesAKey) {
  using Row = typename TypeParam::Row;
  Row row = this->Added(1);
  this->Added(2);
  TypeParam::Text(row) = "changed";
  ASSERT_EQ(1, row.Update()) << this->m_db.GetLastErrorString().GetString();
  Row read = row;
  TypeParam::Text(read) = "";
  ASSERT_EQ(1, read.Get());
  EXPECT_STREQ("changed", TypeParam::Text(read).GetString());

  // A changed key member: 0 at once, nothing written.
  const std::string storedKey = TypeParam::Key(row);
  TypeParam::SetKey(row, "P-2");
  TypeParam::Text(row) = "overwritten";
  EXPECT_EQ(0, row.Update());
  Row other = this->Filled(2);
  ASSERT_EQ(1, other.Get());
  EXPECT_EQ(TypeParam::Values(this->Filled(2)), TypeParam::Values(other));
  EXPECT_TRUE(this->m_messages.Shown().empty());

  // A row deleted meanwhile is not written back, nor stored again.
  ASSERT_EQ(1, read.Delete());
  EXPECT_EQ(0, read.Update());
  EXPECT_EQ("1\n", this->Rows());
}

TYPED_TEST(RowContractTest, DeleteRemovesTheRowOfTheKeyMembersNotOfTheLoadedKey) {
  using Row = typename TypeParam::Row;
  Row first = this->Added(1);
  Row second = this->Added(2);
  Row row = this->Filled(1);
  ASSERT_EQ(1, row.Get());
  CopyKey<TypeParam>(row, second);  // the loaded key stays that of row 1
  ASSERT_EQ(1, row.Delete());
  EXPECT_EQ(0, second.Get());
  EXPECT_EQ(1, first.Get());
  EXPECT_EQ("1\n", this->Rows());
}

TYPED_TEST(RowContractTest, ListingFollowsTheConditionsAndReadingEmptiesThem) {
  using Row = typename TypeParam::Row;
  for (int n = 1; n <= 3; ++n) this->Added(n);
  const std::string key = TypeParam::Key(this->Filled(2));
  const std::string firstKey = key.substr(0, key.find('/'));
  Row row(&this->m_db);
  EXPECT_STREQ("", row.GetConditionString(0).GetString());
  EXPECT_EQ(3, row.CursorOpenCondition());
  row.AddCondition((std::string(TypeParam::kKeyColumn) + " >= '" + firstKey + "'").c_str());
  row.AddCondition((std::string(TypeParam::kKeyColumn) + " <= '" + firstKey + "'").c_str());
  EXPECT_EQ("WHERE " + std::string(TypeParam::kKeyColumn) + " >= '" + firstKey + "' AND " + TypeParam::kKeyColumn +
                " <= '" + firstKey + "'",
            row.GetConditionString(0).GetString());
  ASSERT_EQ(1, row.CursorOpenCondition());
  EXPECT_EQ(1, row.CursorCount());
  ASSERT_EQ(1, row.CursorGet());
  EXPECT_EQ(key, TypeParam::Key(row));
  EXPECT_EQ(0, row.m_arrCondition.GetSize());
  row.CursorClose();
  EXPECT_EQ(3, row.CursorOpenCondition());
  EXPECT_EQ(-1, row.CursorOpenEx("WHERE 1=0"));
  EXPECT_EQ(3, row.CursorOpenEx(nullptr));
  EXPECT_EQ(3, row.CursorOpenEx(""));
}

TYPED_TEST(RowContractTest, OverlongTextsAreShortenedInTheMemberAndTheRow) {
  using Row = typename TypeParam::Row;
  Row row = this->Filled(1);
  TypeParam::LimitedText(row) = CString('c', TypeParam::kLimitedTextLimit + 45);
  ASSERT_EQ(1, row.Add());
  EXPECT_EQ(TypeParam::kLimitedTextLimit, TypeParam::LimitedText(row).GetLength());
  Row read = row;
  TypeParam::LimitedText(read).Empty();
  ASSERT_EQ(1, read.Get());
  EXPECT_EQ(TypeParam::LimitedText(row), TypeParam::LimitedText(read));

  TypeParam::LimitedText(read) = CString('d', 1000);
  ASSERT_EQ(1, read.Update());
  EXPECT_EQ(CString('d', TypeParam::kLimitedTextLimit), TypeParam::LimitedText(read));
}

TYPED_TEST(RowContractTest, StatementsAreTheTablesOwnWithKeyQuotesDoubled) {
  using Row = typename TypeParam::Row;
  Row row = this->Filled(1);
  TypeParam::SetKey(row, "K'1");
  ASSERT_EQ(1, row.Add());
  StatementTrace trace(this->m_db);
  ASSERT_EQ(1, row.Get());
  ASSERT_EQ(1, row.Update());
  row.CursorOpenEx(nullptr);
  row.CursorOpenEx("");
  ASSERT_EQ(1, row.Delete());
  std::vector<std::string> reads;
  for (const std::string& sql : trace.Mentioning(TypeParam::kTable)) {
    if (sql.starts_with("SELECT") || sql.starts_with("DELETE")) reads.push_back(sql);
  }
  const std::vector<std::string> expected = {TypeParam::kKeyGet, TypeParam::kKeyGet, TypeParam::kPlainSelect,
                                             std::string(TypeParam::kPlainSelect) + " ", TypeParam::kKeyDelete};
  EXPECT_EQ(expected, reads);
}

TYPED_TEST(RowContractTest, HostileKeysReachOnlyTheirOwnRow) {
  using Row = typename TypeParam::Row;
  const char* keys[] = {"K'1", "x' OR '1'='1", "%", "_", "K%", "K_", "a\\'b", "--"};
  for (const char* key : keys) {
    Row row = this->Filled(1);
    TypeParam::SetKey(row, key);
    TypeParam::Text(row) = key;
    ASSERT_EQ(1, row.Add()) << key;
  }
  for (const char* key : keys) {
    Row row(&this->m_db);
    TypeParam::SetKey(row, key);
    ASSERT_EQ(1, row.Get()) << key;
    EXPECT_STREQ(key, TypeParam::Text(row).GetString());
  }
  for (const char* key : {"x' OR '1'='1", "%", "_"}) {
    Row row(&this->m_db);
    TypeParam::SetKey(row, key);
    ASSERT_EQ(1, row.Delete());
  }
  EXPECT_EQ("5\n", this->Rows());

  // A zero byte would cut the statement short at "K", naming another key: refused.
  Row cut(&this->m_db);
  TypeParam::SetKey(cut, "K");
  ASSERT_EQ(1, cut.Add());
  TypeParam::SetKey(cut, "");
  CString withZero("K\0' OR 1=1", 10);
  if constexpr (std::is_same_v<Row, TBLPatient>) cut.m_P_ID = withZero;
  if constexpr (std::is_same_v<Row, TBLStudy>) cut.m_S_ID = withZero, cut.m_S_STUDY_ID = "K";
  if constexpr (std::is_same_v<Row, TBLUser>) cut.m_M_ID = withZero;
  EXPECT_EQ(0, cut.Get());
  EXPECT_EQ(0, cut.Delete());
  EXPECT_EQ("6\n", this->Rows());
}

TYPED_TEST(RowContractTest, TextsInvalidInTheCodePageFailWithTheMessageAndWriteNothing) {
  using Row = typename TypeParam::Row;
  Row row = this->Filled(1);
  TypeParam::Text(row) = "Zo\xEB";  // Latin-1 bytes where the process code page is UTF-8
  EXPECT_EQ(0, row.Add());
  ASSERT_EQ(1u, this->m_messages.Shown().size());
  EXPECT_NE(std::string::npos,
            this->m_messages.Shown()[0].first.find("the text is not valid in the process code page 65001"));
  EXPECT_EQ(static_cast<UINT>(MB_ICONERROR), this->m_messages.Shown()[0].second);
  EXPECT_EQ("0\n", this->Rows());
  EXPECT_EQ(0, this->m_db.IsRecordsetOpened());

  // The same bytes stored by another program: the row cannot be read, the members are cleared.
  ASSERT_EQ(1, this->Added(2).Get());
  const std::string column = TypeParam::kTable == std::string("TBLPatient") ? "P_FIRST_NAME"
                             : TypeParam::kTable == std::string("TBLStudy") ? "S_NURSE_ID"
                                                                            : "M_NAME";
  ASSERT_EQ(0, RunSqlite3(this->m_file, "UPDATE " + std::string(TypeParam::kTable) + " SET " + column +
                                            " = CAST(X'5A6FEB' AS TEXT);")
                   .status);
  Row read = this->Filled(2);
  EXPECT_EQ(0, read.Get());
  EXPECT_EQ(TypeParam::Values(Row()), TypeParam::Values(read));
  EXPECT_EQ(2u, this->m_messages.Shown().size());
}

}  // namespace
