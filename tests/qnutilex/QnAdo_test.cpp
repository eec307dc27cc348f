// The connection on both engines: what is stored and how the engine's own program shows it, and
// what cannot be stored or run. (How an edited row is written back only while nobody else
// changed it is the row-class contract's, tests/database/RowContract_test.cpp.)

#include "qnutilex/QnAdo.h"

#include <gtest/gtest.h>

#include <cstring>
#include <limits>
#include <string>

#include "database/ScratchDatabase.h"

namespace {

class QnAdoTest : public EngineTest {};
VUDODA_ON_BOTH_ENGINES(QnAdoTest);

TEST_P(QnAdoTest, TextsAreStoredAsUtf8AndReadInTheProcessCodePage) {
  SetACP(1252);  // the fixture restores UTF-8
  ASSERT_EQ(1, m_db.OpenTable("TBLPatient"));
  ASSERT_EQ(1, m_db.AddNew());
  ASSERT_EQ(1, m_db.SetFieldValue("P_ID", CString("A")));
  ASSERT_EQ(1, m_db.SetFieldValue("p_first_name", CString("M\xFCller")));  // ü in code page 1252
  ASSERT_EQ(1, m_db.Update()) << m_db.GetLastErrorString().GetString();
  EXPECT_EQ("4DC3BC6C6C6572\n", Outside(IsSqlite() ? "SELECT hex(P_FIRST_NAME) FROM TBLPatient;"
                                                 : "SELECT upper(encode(convert_to(P_FIRST_NAME, 'UTF8'), 'hex')) "
                                                   "FROM TBLPatient;"));
  ASSERT_EQ(1, m_db.OpenRecordset("SELECT * FROM TBLPatient"));
  CString first;
  EXPECT_EQ(1, m_db.GetFieldValue("P_First_Name", first));
  EXPECT_STREQ("M\xFCller", first.GetString());

  // A stored character that code page 1252 cannot hold: the read fails, the target is kept.
  ASSERT_EQ("", Outside("INSERT INTO TBLPatient (P_ID, P_FIRST_NAME) VALUES ('K-1', '한');"));
  ASSERT_EQ(1, m_db.OpenRecordset("SELECT P_FIRST_NAME FROM TBLPatient WHERE P_ID='K-1'"));
  EXPECT_EQ(0, m_db.GetFieldValue("P_FIRST_NAME", first));
  EXPECT_STREQ("M\xFCller", first.GetString());
  EXPECT_NE(-1, m_db.GetLastErrorString().Find("P_FIRST_NAME: the stored text is not valid UTF-8"));
}

TEST_P(QnAdoTest, WhatCannotBeStoredOrRunIsRefusedWithTheReason) {
  COleDateTime invalid;
  invalid.SetStatus(COleDateTime::invalid);
  ASSERT_EQ(1, m_db.OpenTable("TBLPatient"));
  ASSERT_EQ(1, m_db.AddNew());
  EXPECT_EQ(0, m_db.SetFieldValue("P_BIRTHDAY", invalid));
  EXPECT_STREQ("P_BIRTHDAY: an invalid date cannot be stored", m_db.GetLastErrorString().GetString());
  EXPECT_EQ(0, m_db.SetFieldValue("P_HEIGHT", std::numeric_limits<double>::quiet_NaN()));
  EXPECT_STREQ("P_HEIGHT: a number that is not finite cannot be stored", m_db.GetLastErrorString().GetString());
  EXPECT_EQ(0, m_db.SetFieldValue("P_GR", 2147483648L));
  EXPECT_STREQ("P_GR: the value 2147483648 is outside the 32-bit range of a long", m_db.GetLastErrorString().GetString());
  EXPECT_EQ(0, m_db.SetFieldValue("P_GR", -2147483649L));
  EXPECT_EQ(0, m_db.OpenRecordset("SELECT * FROM TBLPatient WHERE P_FIRST_NAME='\xFF'"));
  EXPECT_STREQ("the statement is not valid in the process code page 65001", m_db.GetLastErrorString().GetString());
}

// Stores `value` as P_COMMENT of a new patient `id`; the result of Update.
int AddComment(QnAdo& db, const char* id, const CString& value) {
  if (!db.OpenTable("TBLPatient") || !db.AddNew() || !db.SetFieldValue("P_ID", CString(id))) return 0;
  return db.SetFieldValue("P_COMMENT", value) && db.Update();
}

TEST_P(QnAdoTest, HostileValuesAreStoredExactlyOrRefusedClearly) {
  // Quotes and backslashes travel as parameters: stored as they are on both engines.
  const CString quoted("O'Brien \\ \\' \"; --");
  ASSERT_EQ(1, AddComment(m_db, "Q", quoted)) << m_db.GetLastErrorString().GetString();
  ASSERT_EQ(1, m_db.OpenRecordset("SELECT P_COMMENT FROM TBLPatient WHERE P_ID='Q'"));
  CString read;
  ASSERT_EQ(1, m_db.GetFieldValue("P_COMMENT", read));
  EXPECT_STREQ(quoted.GetString(), read.GetString());

  // A zero byte, and 64 KB in a column of 255: SQLite keeps every byte; the server's texts cannot
  // hold a zero byte nor outgrow their column, so it refuses them with the reason rather than
  // cut them short.
  const struct {
    const char* id;
    CString value;
    const char* reason;
  } whole[] = {{"Z", CString("before\0after", 12), "zero byte"},
               {"L", CString(std::string(64 * 1024, 'q').c_str()), "too long"}};
  for (const auto& c : whole) {
    const int stored = AddComment(m_db, c.id, c.value);
    const std::string where = std::string(" FROM TBLPatient WHERE P_ID='") + c.id + "'";
    if (IsSqlite()) {
      ASSERT_EQ(1, stored) << m_db.GetLastErrorString().GetString();
      ASSERT_EQ(1, m_db.OpenRecordset(("SELECT P_COMMENT" + where).c_str()));
      ASSERT_EQ(1, m_db.GetFieldValue("P_COMMENT", read));
      ASSERT_EQ(c.value.GetLength(), read.GetLength()) << c.id;
      EXPECT_EQ(0, std::memcmp(c.value.GetString(), read.GetString(), read.GetLength())) << c.id;
    } else {
      EXPECT_EQ(0, stored);
      EXPECT_NE(-1, m_db.GetLastErrorString().Find(c.reason)) << m_db.GetLastErrorString().GetString();
      m_db.CloseRecordset();
      EXPECT_EQ("", Outside("SELECT P_ID" + where + ";"));
    }
  }

  // A double-byte code page: stored as UTF-8, read back in the page's own bytes.
  SetACP(949);  // the fixture restores UTF-8
  const CString korean("\xC7\xD1\xB1\xB9");  // 한국 in code page 949
  ASSERT_EQ(1, AddComment(m_db, "K", korean)) << m_db.GetLastErrorString().GetString();
  EXPECT_EQ("ED959CEAB5AD\n", Outside(IsSqlite() ? "SELECT hex(P_COMMENT) FROM TBLPatient WHERE P_ID='K';"
                                                 : "SELECT upper(encode(convert_to(P_COMMENT, 'UTF8'), 'hex')) "
                                                   "FROM TBLPatient WHERE P_ID='K';"));
  ASSERT_EQ(1, m_db.OpenRecordset("SELECT P_COMMENT FROM TBLPatient WHERE P_ID='K'"));
  ASSERT_EQ(1, m_db.GetFieldValue("P_COMMENT", read));
  EXPECT_STREQ(korean.GetString(), read.GetString());
}

TEST_P(QnAdoTest, ACursorOnlyReads) {
  ASSERT_EQ(1, m_db.ExecuteSQL("INSERT INTO TBLPatient (P_ID) VALUES ('A')"));
  const char* writers[] = {"DELETE FROM TBLPatient", "SELECT 1; DELETE FROM TBLPatient",
                           "UPDATE TBLPatient SET P_ID = 'B'", "DROP TABLE TBLPatient"};
  for (const char* sql : writers) {
    EXPECT_EQ(0, m_db.OpenRecordset(sql)) << sql;
    EXPECT_EQ(0, m_db.IsRecordsetOpened()) << sql;
  }
  EXPECT_EQ("A\n", Outside("SELECT P_ID FROM TBLPatient;"));
}

// The client-side cursor: the count at once, a move past the last row to the end and no
// further, and a row added through the recordset counted and current.
TEST_P(QnAdoTest, ACursorMovesToTheEndAndCountsTheRowsItAdds) {
  ASSERT_EQ(1, m_db.ExecuteSQL("INSERT INTO TBLPatient (P_ID) VALUES ('A'), ('B')"));
  ASSERT_EQ(1, m_db.OpenRecordset("SELECT P_ID FROM TBLPatient ORDER BY P_ID"));
  CString id;
  EXPECT_EQ(2, m_db.GetRecordCount());
  EXPECT_EQ(0, m_db.IsBOF());
  EXPECT_EQ(1, m_db.MoveNext());
  ASSERT_EQ(1, m_db.GetFieldValue("P_ID", id));
  EXPECT_STREQ("B", id.GetString());
  EXPECT_EQ(0, m_db.IsEOF());
  EXPECT_EQ(1, m_db.MoveNext());
  EXPECT_EQ(1, m_db.IsEOF());
  EXPECT_EQ(0, m_db.GetFieldValue("P_ID", id));
  EXPECT_STREQ("there is no current row", m_db.GetLastErrorString().GetString());
  EXPECT_EQ(0, m_db.MoveNext());
  EXPECT_STREQ("there is no row after the last one", m_db.GetLastErrorString().GetString());
  ASSERT_EQ(1, m_db.MoveFirst());
  ASSERT_EQ(1, m_db.GetFieldValue("P_ID", id));
  EXPECT_STREQ("A", id.GetString());

  ASSERT_EQ(1, m_db.OpenRecordset("SELECT P_ID FROM TBLPatient", adOpenDynamic, adLockOptimistic));
  ASSERT_EQ(1, m_db.AddNew());
  ASSERT_EQ(1, m_db.SetFieldValue("P_ID", CString("C")));
  ASSERT_EQ(1, m_db.Update());
  EXPECT_EQ(3, m_db.GetRecordCount());
  ASSERT_EQ(1, m_db.GetFieldValue("P_ID", id));
  EXPECT_STREQ("C", id.GetString());
  EXPECT_EQ(1, m_db.MoveNext());
  EXPECT_EQ(1, m_db.IsEOF());
}

TEST_P(QnAdoTest, CommitsAreDurable) {
  if (IsSqlite()) {
    long synchronous = 0;
    ASSERT_EQ(1, m_db.OpenRecordset("PRAGMA synchronous")) << m_db.GetLastErrorString().GetString();
    ASSERT_EQ(1, m_db.GetFieldValue("synchronous", synchronous));
    EXPECT_EQ(2, synchronous);  // FULL: a committed transaction survives a power cut
    EXPECT_EQ("wal\n", Outside("PRAGMA journal_mode;"));  // kept in the file: readers never wait for a writer
  } else {
    // The server's durability is its own setting; the session must not weaken it.
    CString commit;
    ASSERT_EQ(1, m_db.OpenRecordset("SELECT current_setting('synchronous_commit') AS S"));
    ASSERT_EQ(1, m_db.GetFieldValue("S", commit));
    EXPECT_STREQ("on", commit.GetString());
  }
}

TEST_P(QnAdoTest, ANumberReadsIntoALongOnlyWhenWholeAndWithin32Bits) {
  const struct {
    const char* stored;
    bool read;
    long value;
  } cases[] = {{"2147483647", true, 2147483647L}, {"-2147483648", true, -2147483648L}, {"2147483648", false, 0},
               {"-2147483649", false, 0}, {"2.5", false, 0}, {"-0.5", false, 0}, {"3.0", true, 3},
               {"'12'", true, 12}, {"'2147483648'", false, 0}, {"'1x'", false, 0}, {"NULL", true, 0}};
  for (const auto& c : cases) {
    ASSERT_EQ(1, m_db.OpenRecordset((std::string("SELECT ") + c.stored + " AS P_GR").c_str()))
        << c.stored << ": " << m_db.GetLastErrorString().GetString();
    long value = 77;
    EXPECT_EQ(c.read ? 1 : 0, m_db.GetFieldValue("P_GR", value)) << c.stored;
    EXPECT_EQ(c.read ? c.value : 77, value) << c.stored;
    if (!c.read) {
      EXPECT_EQ(0, m_db.GetLastErrorString().Find("P_GR: the value")) << c.stored;
    }
  }
}

}  // namespace
