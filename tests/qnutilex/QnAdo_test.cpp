// The connection on real SQLite files: what is stored, how the client-side cursor walks, how an
// edited row is written back, and what fails with which reason.

#include "qnutilex/QnAdo.h"

#include <gtest/gtest.h>

#include <string>

#include "database/ScratchDatabase.h"

namespace {

class QnAdoTest : public ::testing::Test {
 protected:
  void SetUp() override {
    m_file = m_folder.Path() / "station.db";
    m_uri = CreateDatabase(m_file);
    ASSERT_FALSE(m_uri.empty());
    ASSERT_EQ(1, m_db.Connect(m_uri.c_str())) << m_db.GetLastErrorString().GetString();
  }

  // Adds a patient row with the given id and first name, as a table class adds rows.
  void AddPatient(QnAdo& db, const char* id, const char* firstName) {
    ASSERT_EQ(1, db.OpenTable("TBLPatient"));
    ASSERT_EQ(1, db.BeginTrans());
    ASSERT_EQ(1, db.AddNew());
    ASSERT_EQ(1, db.SetFieldValue("P_ID", CString(id)));
    ASSERT_EQ(1, db.SetFieldValue("P_FIRST_NAME", CString(firstName)));
    ASSERT_EQ(1, db.Update()) << db.GetLastErrorString().GetString();
    ASSERT_EQ(1, db.CommitTrans());
    db.CloseRecordset();
  }

  std::string Sqlite3(const std::string& script) { return RunSqlite3(m_file, script).output; }

  ScratchFolder m_folder;
  std::filesystem::path m_file;
  std::string m_uri;
  QnAdo m_db;
};

COleDateTime Date(const char* text) {
  COleDateTime date;
  date.ParseDateTime(text);
  return date;
}

TEST(QnAdoConnect, RefusesWhatItCannotOpenWithTheReason) {
  const struct {
    const char* uri;
    const char* reason;
  } cases[] = {
      {"postgres://station/db", "unknown database URI 'postgres://station/db': expected sqlite:PATH"},
      {"sqlite:", "the database URI 'sqlite:' names no file"},
      {"sqlite:/nonexistent-folder/station.db", "unable to open database file"},
      {nullptr, "unknown database URI '': expected sqlite:PATH"},
  };
  for (const auto& c : cases) {
    QnAdo db;
    EXPECT_EQ(0, db.Connect(c.uri)) << (c.uri ? c.uri : "null");
    EXPECT_EQ(0, db.IsConnected());
    EXPECT_STREQ(c.reason, db.GetLastErrorString().GetString());
    EXPECT_EQ(0, db.OpenRecordset("SELECT 1"));
    EXPECT_STREQ("not connected to a database", db.GetLastErrorString().GetString());
  }
}

TEST_F(QnAdoTest, OpensWithWriteAheadLogDurableCommitsAndABusyTimeout) {
  const struct {
    const char* pragma;
    const char* column;
    long expected;
  } settings[] = {{"PRAGMA synchronous", "synchronous", 2 /* FULL */}, {"PRAGMA busy_timeout", "timeout", 5000}};
  for (const auto& setting : settings) {
    ASSERT_EQ(1, m_db.OpenRecordset(setting.pragma)) << m_db.GetLastErrorString().GetString();
    long value = -1;
    ASSERT_EQ(1, m_db.GetFieldValue(setting.column, value)) << m_db.GetLastErrorString().GetString();
    EXPECT_EQ(setting.expected, value) << setting.pragma;
  }
  EXPECT_EQ("wal\n", Sqlite3("PRAGMA journal_mode;"));
}

TEST_F(QnAdoTest, EveryValueReadsBackAsWrittenAndAsSqlite3ShowsIt) {
  const COleDateTime birthday = Date("1990-07-15 09:05:07.250");
  COleDateTime noDate;
  noDate.SetStatus(COleDateTime::null);
  ASSERT_EQ(1, m_db.OpenTable("TBLPatient"));
  ASSERT_EQ(1, m_db.AddNew());
  ASSERT_EQ(1, m_db.SetFieldValue("P_ID", CString("20261204-001")));
  ASSERT_EQ(1, m_db.SetFieldValue("p_first_name", CString("Zo\xC3\xAB")));
  ASSERT_EQ(1, m_db.SetFieldValue("P_LAST_NAME", CString("")));
  ASSERT_EQ(1, m_db.SetFieldValue("P_BIRTHDAY", birthday));
  ASSERT_EQ(1, m_db.SetFieldValue("P_LMP", noDate));
  ASSERT_EQ(1, m_db.SetFieldValue("P_HEIGHT", -0.25));
  ASSERT_EQ(1, m_db.SetFieldValue("P_GR", -2147483647L - 1));
  ASSERT_EQ(1, m_db.SetFieldValue("P_PA", 2147483647L));
  ASSERT_EQ(1, m_db.Update()) << m_db.GetLastErrorString().GetString();

  ASSERT_EQ(1, m_db.OpenRecordset("SELECT * FROM TBLPatient"));
  CString first("x"), last("x");
  COleDateTime readBirthday, readLmp;
  double height = 1;
  long gr = 0, pa = 0;
  EXPECT_EQ(1, m_db.GetFieldValue("P_FIRST_NAME", first));
  EXPECT_EQ(1, m_db.GetFieldValue("P_LAST_NAME", last));
  EXPECT_EQ(1, m_db.GetFieldValue("P_BIRTHDAY", readBirthday));
  EXPECT_EQ(1, m_db.GetFieldValue("P_LMP", readLmp));
  EXPECT_EQ(1, m_db.GetFieldValue("P_Height", height));
  EXPECT_EQ(1, m_db.GetFieldValue("P_GR", gr));
  EXPECT_EQ(1, m_db.GetFieldValue("P_PA", pa));
  EXPECT_STREQ("Zo\xC3\xAB", first.GetString());
  EXPECT_STREQ("", last.GetString());
  EXPECT_TRUE(readBirthday == birthday);
  EXPECT_EQ(COleDateTime::null, readLmp.GetStatus());
  EXPECT_EQ(-0.25, height);
  EXPECT_EQ(-2147483647L - 1, gr);
  EXPECT_EQ(2147483647L, pa);

  EXPECT_EQ("5A6FC3AB||1990-07-15 09:05:07.250|null|-0.25|-2147483648|2147483647\n",
            Sqlite3("SELECT hex(P_FIRST_NAME), P_LAST_NAME, P_BIRTHDAY, typeof(P_LMP), P_HEIGHT, P_GR, P_PA "
                    "FROM TBLPatient;"));
}

TEST_F(QnAdoTest, RowsThatSqlite3InsertedReadRight) {
  ASSERT_EQ(0, RunSqlite3(m_file,
                          "INSERT INTO TBLPatient (P_ID, P_FIRST_NAME, P_REG_DATE, P_HEIGHT, P_GR, P_COMMENT) "
                          "VALUES ('A-1', 'Zoë', '2026-12-04 09:05:07', 160, '7', 12.5);")
                   .status);
  ASSERT_EQ(1, m_db.OpenRecordset("SELECT * FROM TBLPatient"));
  EXPECT_EQ(1, m_db.GetRecordCount());
  CString first, comment, doctor("x");
  COleDateTime registered;
  double height = 0, weight = 1;
  long gr = 0, pa = 1;
  EXPECT_EQ(1, m_db.GetFieldValue("P_FIRST_NAME", first));
  EXPECT_EQ(1, m_db.GetFieldValue("P_COMMENT", comment));
  EXPECT_EQ(1, m_db.GetFieldValue("P_DOCTOR_ID", doctor));
  EXPECT_EQ(1, m_db.GetFieldValue("P_REG_DATE", registered));
  EXPECT_EQ(1, m_db.GetFieldValue("P_HEIGHT", height));
  EXPECT_EQ(1, m_db.GetFieldValue("P_WEIGHT", weight));
  EXPECT_EQ(1, m_db.GetFieldValue("P_GR", gr));
  EXPECT_EQ(1, m_db.GetFieldValue("P_PA", pa));
  EXPECT_STREQ("Zo\xC3\xAB", first.GetString());
  EXPECT_STREQ("12.5", comment.GetString());  // a number stored in a text column reads as its digits
  EXPECT_STREQ("", doctor.GetString());       // NULL texts and numbers read as empty and 0
  EXPECT_TRUE(registered == COleDateTime(2026, 12, 4, 9, 5, 7));
  EXPECT_EQ(160.0, height);
  EXPECT_EQ(0.0, weight);
  EXPECT_EQ(7, gr);
  EXPECT_EQ(0, pa);
}

TEST_F(QnAdoTest, TextsConvertBetweenTheProcessCodePageAndUtf8) {
  {
    ScopedCodePage western(1252);
    AddPatient(m_db, "W-1", "M\xFCller");  // ü in code page 1252
    ASSERT_EQ(1, m_db.OpenRecordset("SELECT P_FIRST_NAME FROM TBLPatient WHERE P_ID='W-1'"));
    CString name;
    EXPECT_EQ(1, m_db.GetFieldValue("P_FIRST_NAME", name));
    EXPECT_STREQ("M\xFCller", name.GetString());
  }
  EXPECT_EQ("4DC3BC6C6C6572\n", Sqlite3("SELECT hex(P_FIRST_NAME) FROM TBLPatient;"));

  // A stored character that the process code page cannot hold, and stored bytes that are no
  // UTF-8: the read fails as a whole and the target keeps its value.
  ASSERT_EQ(0, RunSqlite3(m_file, "INSERT INTO TBLPatient (P_ID, P_FIRST_NAME) VALUES ('K-1', '한');"
                                  "INSERT INTO TBLPatient (P_ID, P_FIRST_NAME) VALUES ('B-1', CAST(X'FF41' AS TEXT));")
                   .status);
  const struct {
    const char* sql;
    UINT codePage;
  } unreadable[] = {{"SELECT P_FIRST_NAME FROM TBLPatient WHERE P_ID='K-1'", 1252},
                    {"SELECT P_FIRST_NAME FROM TBLPatient WHERE P_ID='B-1'", 65001}};
  for (const auto& c : unreadable) {
    ScopedCodePage codePage(c.codePage);
    ASSERT_EQ(1, m_db.OpenRecordset(c.sql));
    CString name("kept");
    EXPECT_EQ(0, m_db.GetFieldValue("P_FIRST_NAME", name)) << c.sql;
    EXPECT_STREQ("kept", name.GetString());
    EXPECT_NE(-1, m_db.GetLastErrorString().Find("P_FIRST_NAME: the stored text is not valid UTF-8"));
  }
}

TEST_F(QnAdoTest, ValuesThatCannotBeStoredAreRefusedWithTheColumnNamed) {
  COleDateTime invalid;
  invalid.SetStatus(COleDateTime::invalid);
  ASSERT_EQ(1, m_db.OpenTable("TBLPatient"));
  ASSERT_EQ(1, m_db.AddNew());
  EXPECT_EQ(0, m_db.SetFieldValue("P_FIRST_NAME", CString("\xFF")));
  EXPECT_STREQ("P_FIRST_NAME: the text is not valid in the process code page 65001",
               m_db.GetLastErrorString().GetString());
  EXPECT_EQ(0, m_db.SetFieldValue("P_BIRTHDAY", invalid));
  EXPECT_STREQ("P_BIRTHDAY: an invalid date cannot be stored", m_db.GetLastErrorString().GetString());
  EXPECT_EQ(0, m_db.SetFieldValue("P_HEIGHT", std::numeric_limits<double>::quiet_NaN()));
  EXPECT_STREQ("P_HEIGHT: a number that is not finite cannot be stored", m_db.GetLastErrorString().GetString());
  EXPECT_EQ(0, m_db.SetFieldValue("P_NO_SUCH_COLUMN", 1L));
  EXPECT_STREQ("no column named P_NO_SUCH_COLUMN in the recordset", m_db.GetLastErrorString().GetString());
  EXPECT_EQ(0, m_db.AddNew(_variant_t(1L), vtMissing));
  EXPECT_EQ(0, m_db.OpenRecordset("SELECT * FROM TBLPatient WHERE P_FIRST_NAME='\xFF'"));
  EXPECT_STREQ("the statement is not valid in the process code page 65001", m_db.GetLastErrorString().GetString());
}

TEST_F(QnAdoTest, TheClientSideCursorKnowsItsCountAndWalksToTheEnd) {
  for (const char* id : {"A", "B", "C"}) AddPatient(m_db, id, id);

  ASSERT_EQ(1, m_db.OpenRecordset("SELECT P_ID FROM TBLPatient ORDER BY P_ID"));
  EXPECT_EQ(3, m_db.GetRecordCount());
  std::string walked;
  for (CString id; !m_db.IsEOF(); m_db.MoveNext()) {
    ASSERT_EQ(1, m_db.GetFieldValue("P_ID", id));
    walked += id.GetString();
  }
  EXPECT_EQ("ABC", walked);
  EXPECT_EQ(0, m_db.MoveNext());
  CString id;
  EXPECT_EQ(0, m_db.GetFieldValue("P_ID", id));
  EXPECT_STREQ("there is no current row", m_db.GetLastErrorString().GetString());

  // An open replaces the recordset; an empty result is open but gives 0.
  EXPECT_EQ(0, m_db.OpenRecordset("SELECT P_ID FROM TBLPatient WHERE P_ID='none'"));
  EXPECT_EQ(1, m_db.IsRecordsetOpened());
  EXPECT_EQ(0, m_db.GetRecordCount());
  EXPECT_EQ(1, m_db.IsBOF());
  EXPECT_EQ(1, m_db.IsEOF());
  EXPECT_EQ(1, m_db.CloseRecordset());
  EXPECT_EQ(1, m_db.CloseRecordset());
  EXPECT_EQ(-1, m_db.GetRecordCount());

  // A table opened for adding reads its rows only when asked, and counts the new one.
  ASSERT_EQ(1, m_db.OpenTable("TBLPatient"));
  EXPECT_EQ(3, m_db.GetRecordCount());
}

TEST_F(QnAdoTest, AQueryOnlyReadsAndRunsOneStatement) {
  AddPatient(m_db, "A", "Anna");
  const struct {
    const char* sql;
    const char* reason;
  } refused[] = {
      {"DELETE FROM TBLPatient", "a query may only read; the statement writes"},
      {"SELECT * FROM TBLPatient; DELETE FROM TBLPatient", "a query runs one statement; more than one was given"},
      {"SELECT * FROM TBLNothing", "no such table: TBLNothing"},
  };
  for (const auto& c : refused) {
    EXPECT_EQ(0, m_db.OpenRecordset(c.sql));
    EXPECT_STREQ(c.reason, m_db.GetLastErrorString().GetString());
  }
  EXPECT_EQ("1\n", Sqlite3("SELECT count(*) FROM TBLPatient;"));
}

TEST_F(QnAdoTest, AnEditedRowIsWrittenBackOnlyWhileNobodyElseChangedIt) {
  const struct {
    const char* meanwhile;  // what another connection does between the read and the write
    const char* expectedRows;
    bool written;
  } cases[] = {
      {nullptr, "A|Anna|edited\n", true},
      {"UPDATE TBLPatient SET P_FIRST_NAME='Anne' WHERE P_ID='A'", "A|Anne|\n", false},
      {"UPDATE TBLPatient SET P_COMMENT='theirs' WHERE P_ID='A'", "A|Anna|theirs\n", false},
      {"DELETE FROM TBLPatient WHERE P_ID='A'", "", false},
  };
  for (const auto& c : cases) {
    ASSERT_EQ(1, m_db.ExecuteSQL("DELETE FROM TBLPatient"));
    AddPatient(m_db, "A", "Anna");
    ASSERT_EQ(1, m_db.OpenRecordset("SELECT * FROM TBLPatient WHERE P_ID='A'", adOpenDynamic, adLockOptimistic));
    ASSERT_EQ(1, m_db.MoveFirst());
    if (c.meanwhile) {
      QnAdo other;
      ASSERT_EQ(1, other.Connect(m_uri.c_str()));
      ASSERT_EQ(1, other.ExecuteSQL(c.meanwhile));
    }
    ASSERT_EQ(1, m_db.BeginTrans());
    ASSERT_EQ(1, m_db.SetFieldValue("P_COMMENT", CString("edited")));
    EXPECT_EQ(c.written ? 1 : 0, m_db.Update()) << (c.meanwhile ? c.meanwhile : "alone");
    if (c.written) {
      EXPECT_EQ(1, m_db.CommitTrans());
    } else {
      EXPECT_STREQ("the row was changed or deleted by another connection since it was read; it was not written",
                   m_db.GetLastErrorString().GetString());
      EXPECT_EQ(1, m_db.Rollback());
    }
    m_db.CloseRecordset();
    EXPECT_EQ(c.expectedRows, Sqlite3("SELECT P_ID, P_FIRST_NAME, P_COMMENT FROM TBLPatient;"));
  }
}

TEST_F(QnAdoTest, CopiesShareTheConnectionAndTheRecordsetButNotTheErrorText) {
  QnAdo copy(m_db);
  ASSERT_EQ(1, copy.ExecuteSQL("INSERT INTO TBLUser (M_ID) VALUES ('u')"));
  ASSERT_EQ(1, m_db.OpenRecordset("SELECT * FROM TBLUser"));
  EXPECT_EQ(1, copy.IsRecordsetOpened());
  EXPECT_EQ(copy.GetRecordset(), m_db.GetRecordset());
  EXPECT_EQ(0, copy.OpenRecordset("SELECT * FROM TBLUser WHERE M_ID='none'"));
  EXPECT_STREQ("", m_db.GetLastErrorString().GetString());
  EXPECT_EQ(0, m_db.GetRecordCount());  // the copy's open replaced the shared recordset

  copy.Disconnect();
  EXPECT_EQ(0, m_db.IsConnected());
  EXPECT_EQ(0, m_db.IsRecordsetOpened());
  EXPECT_EQ(1, m_db.IsCommandCreated());
  ASSERT_EQ(1, copy.Connect(m_uri.c_str()));
  EXPECT_EQ(1, m_db.IsConnected());
}

}  // namespace
