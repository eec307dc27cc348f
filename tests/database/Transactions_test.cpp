// What a transaction means on both engines when the host holds one and a row class begins its own
// inside it: the row joins the host's transaction (stored only when the host commits, undone by
// its rollback), a row that fails undoes only itself, and transactions nest. Rows are counted as
// another program sees them.

#include <gtest/gtest.h>

#include <string>

#include "database/ScratchDatabase.h"
#include "database/TBLPatient.h"
#include "database/TBLStudy.h"

namespace {

class TransactionsTest : public EngineTest {
 protected:
  int AddPatient(const char* id, const char* comment = "") {
    TBLPatient patient(&m_db);
    patient.m_P_ID = id;
    patient.m_P_COMMENT = comment;
    return patient.Add();
  }
  std::string Stored() {
    return Outside("SELECT P_ID, P_COMMENT FROM TBLPatient ORDER BY P_ID; SELECT count(*) FROM TBLStudy;");
  }
};
VUDODA_ON_BOTH_ENGINES(TransactionsTest);

TEST_P(TransactionsTest, RowsWrittenInsideTheHostsTransactionAreStoredOnlyWhenTheHostCommits) {
  for (const bool commit : {false, true}) {
    ASSERT_EQ(1, m_db.ExecuteSQL("DELETE FROM TBLPatient; DELETE FROM TBLStudy"));
    ASSERT_EQ(1, AddPatient("OLD"));
    ASSERT_EQ(1, m_db.BeginTrans());
    ASSERT_EQ(1, AddPatient("A", "added")) << m_db.GetLastErrorString().GetString();
    TBLStudy study(&m_db);
    study.m_S_ID = "A";
    study.SetStartTime(COleDateTime(2026, 12, 4, 9, 5, 7), 1);
    ASSERT_EQ(1, study.Add()) << m_db.GetLastErrorString().GetString();
    TBLPatient patient(&m_db), old(&m_db);
    patient.m_P_ID = "A";
    ASSERT_EQ(1, patient.Get());  // the host's connection reads its own transaction's rows
    patient.m_P_COMMENT = "updated";
    ASSERT_EQ(1, patient.Update()) << m_db.GetLastErrorString().GetString();
    old.m_P_ID = "OLD";
    ASSERT_EQ(1, old.Delete());
    EXPECT_EQ(1, patient.CursorOpenCondition());
    patient.CursorClose();
    EXPECT_EQ("OLD|\n0\n", Stored()) << "a row's own commit must not end the host's transaction";

    ASSERT_EQ(1, commit ? m_db.CommitTrans() : m_db.Rollback()) << m_db.GetLastErrorString().GetString();
    EXPECT_EQ(commit ? "A|updated\n1\n" : "OLD|\n0\n", Stored()) << commit;
    EXPECT_TRUE(ShownMessages().empty());
  }
}

TEST_P(TransactionsTest, ARowThatFailsInsideTheHostsTransactionUndoesOnlyItself) {
  ASSERT_EQ(1, m_db.BeginTrans());
  ASSERT_EQ(1, AddPatient("A", "first"));
  EXPECT_EQ(0, AddPatient("A", "again"));  // the key is taken: refused, with the message
  EXPECT_EQ(1u, ShownMessages().size());
  ASSERT_EQ(1, AddPatient("B")) << m_db.GetLastErrorString().GetString();
  TBLPatient stale(&m_db);
  stale.m_P_ID = "B";
  ASSERT_EQ(1, stale.Get());
  ASSERT_EQ(1, m_db.ExecuteSQL("UPDATE TBLPatient SET P_COMMENT = 'theirs' WHERE P_ID = 'B'"));
  stale.m_P_COMMENT = "mine";
  EXPECT_EQ(1, stale.Update());  // re-read just before it writes: the host's change is seen
  ASSERT_EQ(1, m_db.CommitTrans()) << m_db.GetLastErrorString().GetString();
  EXPECT_EQ("A|first\nB|mine\n0\n", Stored());
}

TEST_P(TransactionsTest, TransactionsNestAndEndOnlyWhatIsOpen) {
  ASSERT_EQ(1, m_db.BeginTrans());
  ASSERT_EQ(1, AddPatient("A"));
  ASSERT_EQ(1, m_db.BeginTrans());
  ASSERT_EQ(1, AddPatient("B"));
  ASSERT_EQ(1, m_db.Rollback());  // the nested one: B only
  ASSERT_EQ(1, m_db.BeginTrans());
  ASSERT_EQ(1, AddPatient("C"));
  ASSERT_EQ(1, m_db.CommitTrans());  // kept within the outer one, not stored yet
  EXPECT_EQ("0\n", Outside("SELECT count(*) FROM TBLPatient;"));
  ASSERT_EQ(1, m_db.CommitTrans());
  EXPECT_EQ("A|\nC|\n0\n", Stored());
  EXPECT_EQ(0, m_db.CommitTrans());
  EXPECT_STREQ("no transaction is open", m_db.GetLastErrorString().GetString());
  EXPECT_EQ(0, m_db.Rollback());
  EXPECT_STREQ("no transaction is open", m_db.GetLastErrorString().GetString());

  // A transaction that the host ends by a statement of its own leaves nothing nested behind.
  ASSERT_EQ(1, m_db.BeginTrans());
  ASSERT_EQ(1, m_db.BeginTrans());
  ASSERT_EQ(1, AddPatient("D"));
  ASSERT_EQ(1, m_db.ExecuteSQL("ROLLBACK"));
  ASSERT_EQ(1, m_db.BeginTrans());
  ASSERT_EQ(1, AddPatient("E"));
  ASSERT_EQ(1, m_db.CommitTrans());
  EXPECT_EQ("A|\nC|\nE|\n0\n", Stored());
  ASSERT_EQ(1, m_db.ExecuteSQL("BEGIN"));
  EXPECT_EQ(0, m_db.ExecuteSQL("BEGIN"));  // a host's own second BEGIN is refused on both engines
  EXPECT_EQ(1, m_db.Rollback());
}

// A listing that fails inside the host's transaction (a condition naming no column) leaves the
// transaction as it was: it goes on and commits.
TEST_P(TransactionsTest, AFailedListingInsideTheHostsTransactionLeavesItUsable) {
  ASSERT_EQ(1, m_db.BeginTrans());
  ASSERT_EQ(1, AddPatient("A"));
  TBLPatient listing(&m_db);
  EXPECT_EQ(-1, listing.CursorOpenEx("WHERE NO_SUCH_COLUMN = 1"));
  ASSERT_EQ(1, AddPatient("B")) << m_db.GetLastErrorString().GetString();
  ASSERT_EQ(1, m_db.CommitTrans()) << m_db.GetLastErrorString().GetString();
  EXPECT_EQ("A|\nB|\n0\n", Stored());
}

// SQLite undoes only a failed statement; a server fails the whole transaction, and its commit,
// which the server would turn into a rollback that looks like a commit, is refused instead.
TEST_P(TransactionsTest, ACommitAfterAFailedStatementIsClear) {
  ASSERT_EQ(1, m_db.BeginTrans());
  ASSERT_EQ(1, m_db.ExecuteSQL("INSERT INTO TBLPatient (P_ID) VALUES ('A')"));
  EXPECT_EQ(0, m_db.ExecuteSQL("INSERT INTO TBLPatient (P_ID) VALUES ('A')"));
  if (IsSqlite()) {
    EXPECT_EQ(1, m_db.CommitTrans());
    EXPECT_EQ("A|\n0\n", Stored());
    return;
  }
  EXPECT_EQ(0, m_db.CommitTrans());
  EXPECT_STREQ("the transaction cannot be committed: a statement in it failed; roll it back",
               m_db.GetLastErrorString().GetString());
  EXPECT_EQ(1, m_db.Rollback());
  EXPECT_EQ("0\n", Stored());
}

}  // namespace
