// The contract that every updatable row class keeps, run once for each table on each engine: reading back, cloning, clearing, the key guard, deleting, listing, shortening, the
// statements with their quoted keys, and hostile keys and texts.

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "database/RowTraits.h"
#include "database/ScratchDatabase.h"

namespace {

// A table's traits on one engine.
template <class Traits, Engine kOn>
struct On : Traits {
  static constexpr Engine kEngine = kOn;
};

template <class Traits>
class RowContractTest : public ScratchDatabaseTest {
 protected:
  using Row = typename Traits::Row;
  Engine EngineOfTest() const override { return Traits::kEngine; }

  // Row n with key K-n, not stored.
  Row Filled(int n) {
    Row row(&m_db);
    Traits::SetKey(row, CString("K-") + std::to_string(n).c_str());
    Traits::Fill(row, n);
    return row;
  }
  Row Added(int n) {
    Row row = Filled(n);
    EXPECT_EQ(1, row.Add()) << m_db.GetLastErrorString().GetString();
    return row;
  }
  std::string Rows() { return Outside(std::string("SELECT count(*) FROM ") + Traits::kTable + ";"); }
};

using RowTables = ::testing::Types<On<PatientTraits, Engine::kSqlite>, On<StudyTraits, Engine::kSqlite>,
                                   On<UserTraits, Engine::kSqlite>, On<PatientTraits, Engine::kPostgres>,
                                   On<StudyTraits, Engine::kPostgres>, On<UserTraits, Engine::kPostgres>>;
struct TableAndEngine {
  template <class T>
  static std::string GetName(int) {
    return std::string(T::kTable) + (T::kEngine == Engine::kSqlite ? "Sqlite" : "Postgres");
  }
};
TYPED_TEST_SUITE(RowContractTest, RowTables, TableAndEngine);

TYPED_TEST(RowContractTest, ReadsBackWhatWasAddedListsClonesAssignsAndClears) {
  using Row = typename TypeParam::Row;
  this->Added(1);
  const std::string written = TypeParam::Values(this->Added(2));
  this->Added(3);
  Row read = this->Filled(9);
  TypeParam::SetKey(read, "K-2");
  ASSERT_EQ(1, read.Get());
  EXPECT_EQ(written, TypeParam::Values(read));
  EXPECT_EQ(0, this->m_db.IsRecordsetOpened());
  EXPECT_EQ(TypeParam::kStored, this->Outside(std::string("SELECT * FROM ") + TypeParam::kTable + " WHERE " +
                                              TypeParam::kKeyColumn + " = 'K-2';"));

  Row listed(&this->m_db);
  EXPECT_EQ(3, listed.CursorOpenCondition());
  const std::string key = TypeParam::kKeyColumn;
  listed.AddCondition((key + " >= 'K-2'").c_str());
  listed.AddCondition((key + " <= 'K-2'").c_str());
  EXPECT_EQ("WHERE " + key + " >= 'K-2' AND " + key + " <= 'K-2'", listed.GetConditionString(0).GetString());
  EXPECT_EQ("HAVING " + key + " >= 'K-2' AND " + key + " <= 'K-2'", listed.GetConditionString(1).GetString());
  ASSERT_EQ(1, listed.CursorOpenCondition());
  ASSERT_EQ(1, listed.CursorGet());
  EXPECT_EQ(written, TypeParam::Values(listed));
  EXPECT_EQ(0, listed.m_arrCondition.GetSize());
  EXPECT_EQ(-1, listed.CursorOpenEx("WHERE 1=0"));

  listed.AddCondition("1=1");
  std::unique_ptr<Row> clone(listed.Clone());
  EXPECT_EQ(written, TypeParam::Values(*clone));
  EXPECT_EQ(&this->m_db, clone->GetDataBase());
  EXPECT_EQ(0, clone->m_arrCondition.GetSize());
  QnAdo elsewhere;
  Row assigned(&elsewhere);
  EXPECT_EQ(&elsewhere, (assigned = listed).GetDataBase());
  listed.Clear();
  EXPECT_EQ(TypeParam::kCleared, TypeParam::Values(listed));
  EXPECT_EQ(0, listed.m_arrCondition.GetSize());
  EXPECT_TRUE(ShownMessages().empty());
}

TYPED_TEST(RowContractTest, UpdateWritesTheLoadedKeysRowAndDeleteTheKeyMembersRow) {
  auto row = this->Filled(1);
  TypeParam::Limited(row) = CString('c', TypeParam::kLimit + 45);
  ASSERT_EQ(1, row.Add());
  EXPECT_EQ(CString('c', TypeParam::kLimit), TypeParam::Limited(row));  // shortened before it is written
  this->Added(2);
  TypeParam::Limited(row) = CString('d', 1000);
  ASSERT_EQ(1, row.Update()) << this->m_db.GetLastErrorString().GetString();
  EXPECT_EQ(CString('d', TypeParam::kLimit), TypeParam::Limited(row));
  auto read = this->Filled(1);
  ASSERT_EQ(1, read.Get());
  EXPECT_EQ(TypeParam::Limited(row), TypeParam::Limited(read));

  // A changed key member: 0 at once, nothing run. Delete takes the key members.
  this->StatementsOn(TypeParam::kTable);
  TypeParam::SetKey(row, "K-2");
  EXPECT_EQ(0, row.Update());
  EXPECT_TRUE(this->StatementsOn(TypeParam::kTable).empty());
  ASSERT_EQ(1, row.Delete());
  EXPECT_EQ("K-1\n", this->Outside(std::string("SELECT ") + TypeParam::kKeyColumn + " FROM " + TypeParam::kTable + ";"));
}

TYPED_TEST(RowContractTest, UpdateFindsTheRowByTheTablesOwnKeyWhereTheDatabaseDeclaresNone) {
  // A table made by others: the same columns, no primary key.
  const std::string table = TypeParam::kTable;
  ASSERT_EQ(1, this->m_db.ExecuteSQL(("CREATE TABLE Copy AS SELECT * FROM " + table + "; DROP TABLE " + table +
                                      "; ALTER TABLE Copy RENAME TO " + table).c_str()));
  auto row = this->Added(1);
  this->Added(2);
  TypeParam::Limited(row) = "edited";
  ASSERT_EQ(1, row.Update()) << this->m_db.GetLastErrorString().GetString();
  EXPECT_EQ("edited\n", this->Outside("SELECT " + std::string(TypeParam::kLimitedColumn) + " FROM " + table +
                                          " WHERE " + TypeParam::kKeyColumn + " = 'K-1';"));
  EXPECT_EQ(0, this->m_db.IsRecordsetOpened());

  // The same optimistic check: a row changed since it was read is not overwritten.
  auto stale = this->Filled(2);
  ASSERT_EQ(1, stale.Get());
  this->Outside("UPDATE " + table + " SET " + TypeParam::kLimitedColumn + " = 'theirs' WHERE " +
                TypeParam::kKeyColumn + " = 'K-2';");
  TypeParam::Limited(stale) = "mine";
  EXPECT_EQ(1, stale.Update());  // the default re-reads the row just before it writes

  // Two stored rows with one key: nothing is written, the transaction is undone.
  this->Outside("INSERT INTO " + table + " SELECT * FROM " + table + " WHERE " + TypeParam::kKeyColumn + " = 'K-2';");
  TypeParam::Limited(stale) = "twice";
  EXPECT_EQ(0, stale.Update());
  EXPECT_EQ("mine\nmine\n", this->Outside("SELECT " + std::string(TypeParam::kLimitedColumn) + " FROM " + table +
                                             " WHERE " + TypeParam::kKeyColumn + " = 'K-2';"));
  EXPECT_EQ(0, this->m_db.IsRecordsetOpened());
}

// Optimistic concurrency, column by column: a change that another connection makes to any
// column of the row stops the write-back. Always between an edit's own open and its write;
// under the check since read, also between the host's Get and its Update (without it, Update
// re-reads the row just before it writes, and the host's values win).
TYPED_TEST(RowContractTest, AChangeToAnyColumnByAnotherConnectionStopsTheWriteBack) {
  const std::string table = TypeParam::kTable, limited = TypeParam::kLimitedColumn;
  const std::string keyed = std::string(" WHERE ") + TypeParam::kKeyColumn + " = 'K-1'";
  QnAdo other;
  ASSERT_EQ(1, other.Connect(this->m_uri.c_str()));
  const auto stored = [&] {
    CString value;
    return other.OpenRecordset(("SELECT " + limited + " FROM " + table + keyed).c_str()) &&
                   other.GetFieldValue(limited.c_str(), value)
               ? std::string(value.GetString())
               : std::string("(none)");
  };
  for (const auto& [column, value] : TypeParam::kOtherValues) {
    const std::string change = "UPDATE " + table + " SET " + column + " = " + value + keyed;
    // Between the edit's own open and its write.
    ASSERT_EQ(1, this->m_db.ExecuteSQL(("DELETE FROM " + table).c_str()));
    auto mine = this->Added(1);
    ASSERT_EQ(1, this->m_db.OpenRecordset(("SELECT * FROM " + table + keyed).c_str(), adOpenDynamic, adLockOptimistic));
    ASSERT_EQ(1, other.ExecuteSQL(change.c_str())) << change;
    ASSERT_EQ(1, this->m_db.SetFieldValue(TypeParam::kLimitedColumn, CString("mine")));
    EXPECT_EQ(0, this->m_db.Update()) << column;
    EXPECT_STREQ("the row was changed or deleted by another connection since it was read; it was not written",
                 this->m_db.GetLastErrorString().GetString());
    this->m_db.CloseRecordset();
    EXPECT_NE("mine", stored()) << column;

    // Between the host's Get and its Update: overwritten by default, refused under the check.
    for (const int check : {0, 1}) {
      this->m_db.SetCheckSinceRead(check);
      ASSERT_EQ(1, this->m_db.ExecuteSQL(("DELETE FROM " + table).c_str()));
      mine = this->Added(1);
      ASSERT_EQ(1, mine.Get());
      ASSERT_EQ(1, other.ExecuteSQL(change.c_str()));
      TypeParam::Limited(mine) = "mine";
      const bool keyChanged = TypeParam::IsKey(column);  // the row of the key is gone
      EXPECT_EQ(check || keyChanged ? 0 : 1, mine.Update()) << column << " " << check;
      EXPECT_EQ(check || keyChanged, stored() != "mine") << column << " " << check;
    }
  }
  EXPECT_EQ("the row was changed by another connection since this connection read it; it was not written",
            ShownMessages().back().first);
  // Read again, the edit goes through; the host's own write is no change by another.
  auto mine = this->Filled(1);
  ASSERT_EQ(1, mine.Get());
  TypeParam::Limited(mine) = "mine";
  EXPECT_EQ(1, mine.Update()) << this->m_db.GetLastErrorString().GetString();
  EXPECT_EQ(1, mine.Update());
  EXPECT_EQ("mine", stored());
}

TYPED_TEST(RowContractTest, StatementsAreTheTablesOwnWithKeyQuotesDoubled) {
  auto row = this->Filled(1);
  TypeParam::SetKey(row, "K'1");
  ASSERT_EQ(1, row.Add());
  this->StatementsOn(TypeParam::kTable);
  ASSERT_EQ(1, row.Get());
  ASSERT_EQ(1, row.Update());
  row.CursorOpenEx(nullptr);
  row.CursorOpenEx("");
  ASSERT_EQ(1, row.Delete());
  EXPECT_EQ(std::vector<std::string>(std::begin(TypeParam::kStatements), std::end(TypeParam::kStatements)),
            this->StatementsOn(TypeParam::kTable));
}

TYPED_TEST(RowContractTest, HostileKeysReachOnlyTheirOwnRow) {
  // Wildcards and injections first: a statement that reached other rows would empty the table.
  const char* keys[] = {"%", "_", "x' OR '1'='1", "K'1", "K%", "a\\'b", "--", "K"};
  for (const char* key : keys) {
    auto row = this->Filled(1);
    TypeParam::SetKey(row, key);
    TypeParam::Limited(row) = key;
    ASSERT_EQ(1, row.Add()) << key;
  }
  // A zero byte would cut the statement short at "K", naming another key: refused.
  auto cut = this->Filled(1);
  TypeParam::SetKey(cut, CString("K\0' OR 1=1", 10));
  EXPECT_EQ(0, cut.Get());
  EXPECT_EQ(0, cut.Delete());
  TypeParam::BindKey(cut);
  ASSERT_EQ(static_cast<int>(std::size(keys)), cut.CursorOpenCondition());
  EXPECT_EQ(0, cut.Update());
  EXPECT_EQ(0, this->m_db.IsRecordsetOpened());  // every path of Update closes the recordset
  for (const char* key : keys) {
    typename TypeParam::Row row(&this->m_db);
    TypeParam::SetKey(row, key);
    ASSERT_EQ(1, row.Get()) << key;
    EXPECT_STREQ(key, TypeParam::Limited(row).GetString());
    ASSERT_EQ(1, row.Delete());
  }
  EXPECT_EQ("0\n", this->Rows());
}

TYPED_TEST(RowContractTest, TextsInvalidInTheCodePageFailWithTheMessageAndWriteNothing) {
  auto row = this->Filled(1);
  TypeParam::Limited(row) = "Zo\xEB";  // Latin-1 bytes where the process code page is UTF-8
  EXPECT_EQ(0, row.Add());
  ASSERT_EQ(1u, ShownMessages().size());
  EXPECT_EQ(std::string(TypeParam::kLimitedColumn) + ": the text is not valid in the process code page 65001",
            ShownMessages()[0].first);
  EXPECT_EQ(static_cast<UINT>(MB_ICONERROR), ShownMessages()[0].second);
  EXPECT_EQ("0\n", this->Rows());
  EXPECT_EQ(0, this->m_db.IsRecordsetOpened());

  // The same bytes stored by another program: the row cannot be read, the members are cleared.
  // (A PostgreSQL server keeps only valid UTF-8, so no other program can store them there.)
  if (!this->IsSqlite()) return;
  this->Added(2);
  ASSERT_EQ("", this->Outside("UPDATE " + std::string(TypeParam::kTable) + " SET " + TypeParam::kLimitedColumn +
                               " = CAST(X'5A6FEB' AS TEXT);"));
  auto read = this->Filled(2);
  EXPECT_EQ(0, read.Get());
  EXPECT_EQ(TypeParam::kCleared, TypeParam::Values(read));
  EXPECT_EQ(2u, ShownMessages().size());
}

}  // namespace
