// What each table adds to the row-class contract: the identifiers of the day, the study's start
// time and two-column key, the user's display name, and the joined patient-study view.

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "database/RowTraits.h"
#include "database/ScratchDatabase.h"
#include "database/TBLPatientStudy.h"

namespace {

class TablesTest : public EngineTest {};
VUDODA_ON_BOTH_ENGINES(TablesTest);

std::string Today() { return COleDateTime::GetCurrentTime().Format("%Y%m%d").GetString(); }

TEST_P(TablesTest, AnIdentifierOfTheDayIsTheFirstFreeNumber) {
  const struct {
    int first, last, skipped;  // today's numbers first..last but skipped are stored
    const char* expected;
  } cases[] = {{1, 0, 0, "-001"}, {1, 3, 2, "-002"}, {2, 2, 0, "-001"}, {1, 999, 0, "-1000"}};
  for (const auto& c : cases) {
    std::string script = "DELETE FROM TBLPatient; DELETE FROM TBLUser;";
    for (int n = c.first; n <= c.last; ++n) {
      if (n == c.skipped) continue;
      CString values;
      values.Format(" VALUES ('%s-%03d');", Today().c_str(), n);
      script += "INSERT INTO TBLPatient (P_ID)" + std::string(values) + "INSERT INTO TBLUser (M_ID)" + values.GetString();
    }
    ASSERT_EQ("", Outside("BEGIN;" + script + "COMMIT;"));
    StatementsOn("");
    EXPECT_EQ(Today() + c.expected, TBLPatient::GetUniqueId(&m_db).GetString()) << c.last;
    EXPECT_EQ(Today() + c.expected, TBLUser::GetUniqueId(&m_db).GetString()) << c.last;
    const std::vector<std::string> probes = StatementsOn("SELECT");
    EXPECT_EQ("SELECT P_ID FROM TBLPatient WHERE P_ID='" + Today() + "-001'", probes.front());
    EXPECT_EQ("SELECT M_ID FROM TBLUser WHERE M_ID='" + Today() + c.expected + "'", probes.back());
  }
  QnAdo unconnected;
  EXPECT_EQ(CString(), TBLPatient::GetUniqueId(nullptr) + TBLPatient::GetUniqueId(&unconnected) +
                           TBLUser::GetUniqueId(nullptr) + TBLUser::GetUniqueId(&unconnected));
}

TEST_P(TablesTest, AStudyIsKeyedByPatientAndStartSecond) {
  TBLStudy study(&m_db), twin(&m_db);
  study.m_S_ID = twin.m_S_ID = "P-1";
  ASSERT_EQ(1, study.SetStartTime(COleDateTime(2026, 12, 31, 23, 59, 59), 1));
  EXPECT_STREQ("20261231235959", study.m_S_STUDY_ID.GetString());
  ASSERT_EQ(1, study.SetStartTime(COleDateTime(2026, 1, 4, 9, 5, 7), 0));
  EXPECT_STREQ("20261231235959", study.m_S_STUDY_ID.GetString());
  // The year always takes four digits, also before the year 1000.
  ASSERT_EQ(1, study.SetStartTime(COleDateTime(999, 3, 4, 5, 6, 7), 1));
  EXPECT_STREQ("09990304050607", study.m_S_STUDY_ID.GetString());
  ASSERT_EQ(1, study.SetStartTime(COleDateTime(100, 1, 1, 0, 0, 0), 1));
  EXPECT_STREQ("01000101000000", study.m_S_STUDY_ID.GetString());
  ASSERT_EQ(1, study.SetStartTime(COleDateTime(2026, 1, 4, 9, 5, 7), 1));
  EXPECT_EQ(0, study.SetStartTime(COleDateTime(2026, 2, 30, 0, 0, 0), 1));  // no such day: invalid
  EXPECT_EQ(0, study.SetStartTime(NullDate(), 1));
  EXPECT_STREQ("2026-01-04 09:05:07.000", study.m_S_START_TIME.FormatTimestamp().GetString());
  EXPECT_STREQ("20260104090507", study.m_S_STUDY_ID.GetString());

  ASSERT_EQ(1, study.Add());
  ASSERT_EQ(1, study.SetStartTime(COleDateTime(2026, 1, 4, 9, 5, 8), 1));
  StatementsOn("");
  EXPECT_EQ(0, study.Update());  // a new start second is a new key: nothing is run
  EXPECT_TRUE(StatementsOn("TBLStudy").empty());
  ASSERT_EQ(1, twin.SetStartTime(COleDateTime(2026, 1, 4, 9, 5, 7), 1));
  EXPECT_EQ(0, twin.Add());  // the same patient and second: refused by the table
  ASSERT_EQ(1u, ShownMessages().size());
  EXPECT_EQ(IsSqlite() ? "UNIQUE constraint failed: TBLStudy.S_ID, TBLStudy.S_STUDY_ID"
                       : "ERROR:  duplicate key value violates unique constraint \"tblstudy_pkey\"\n"
                         "DETAIL:  Key (s_id, s_study_id)=(P-1, 20260104090507) already exists.",
            ShownMessages()[0].first);
}

TEST_P(TablesTest, ADateFinerThanAMillisecondSettlesOnWhatIsStoredWhenWritten) {
  TBLPatient patient(&m_db), read(&m_db);
  patient.m_P_ID = read.m_P_ID = "P-1";
  patient.m_P_EDIT_DATE = COleDateTime(45000.123456789);
  patient.m_P_BIRTHDAY = COleDateTime(45000.0);
  ASSERT_EQ(1, patient.Add());
  ASSERT_EQ(1, read.Get());
  EXPECT_EQ(read.m_P_EDIT_DATE, patient.m_P_EDIT_DATE);
  EXPECT_NE(COleDateTime(45000.123456789), patient.m_P_EDIT_DATE);
  EXPECT_STREQ("2023-03-15 02:57:46.667", patient.m_P_EDIT_DATE.FormatTimestamp().GetString());
  EXPECT_EQ(COleDateTime(45000.0), read.m_P_BIRTHDAY);  // whole seconds stay exactly as they were

  patient.m_P_EDIT_DATE = COleDateTime(45001.000000001);
  ASSERT_EQ(1, patient.Update());
  ASSERT_EQ(1, read.Get());
  EXPECT_EQ(read.m_P_EDIT_DATE, patient.m_P_EDIT_DATE);
  EXPECT_EQ(COleDateTime(45001.0), patient.m_P_EDIT_DATE);
}

TEST_P(TablesTest, AUserIsShownAsNameWithIdInParentheses) {
  Outside("INSERT INTO TBLUser (M_ID, M_NAME) VALUES ('20261204-001', 'N'), ('20261204-002', 'Midwife'),"
          "('O''Hara-1', 'Nurse O''Hara');");
  const char* cases[][2] = {  // id, shown
      {"20261204-001", "N(20261204-001)"},
      {"O'Hara-1", "Nurse O'Hara(O'Hara-1)"},
      {"20261204-00_", "N(20261204-001)"},  // the id is a LIKE pattern: _ and % are wildcards
      {"%-002", "Midwife(20261204-002)"},
      {"", ""},
      {"20261204-009", ""},
  };
  for (const auto& c : cases) {
    EXPECT_STREQ(c[1], TBLUser::GetUserNameStringInDatabase(&m_db, c[0]).GetString()) << c[0];
  }
  EXPECT_EQ("SELECT * FROM TBLUser WHERE M_ID LIKE '20261204-001'", StatementsOn("TBLUser").at(0));
  EXPECT_STREQ("", TBLUser::GetUserNameStringInDatabase(nullptr, "20261204-001").GetString());
}

TEST_P(TablesTest, TheViewJoinsEachStudyToItsPatientSortedByPatientThenStudy) {
  // Patients A, B and C (without a study); studies of B (two), of A, and of Z, not stored.
  ASSERT_EQ("", Outside(
      "INSERT INTO TBLPatient VALUES ('B', 'Zoë', 'Brown', '2026-12-01 08:00:00', NULL, 165.5, 70.25, "
      "'twins', 'D-1', '2026-03-01 00:00:00.000', '2026-12-06 00:00:00.000', 2, 1, NULL);"
      "INSERT INTO TBLPatient (P_ID, P_LAST_NAME) VALUES ('A', 'Adams'), ('C', 'Clark');"
      "INSERT INTO TBLStudy VALUES ('B', '20261204090508', '2026-12-04 09:05:08.000', 1200, 3, 'D-1', 'N-1', "
      "'night', 0, '2026-12-04 10:00:00.125');"
      "INSERT INTO TBLStudy (S_ID, S_STUDY_ID) VALUES ('B', '20261204090507'), ('A', '20261205000000'),"
      "('Z', '20261204000000');"));
  TBLPatientStudy view(&m_db);
  const auto listed = [&view](int count) {
    std::string listed;
    for (int index = 0; index < count; ++index, view.CursorMove()) {
      EXPECT_EQ(1, view.CursorGet());
      EXPECT_EQ(view.m_P_ID, view.m_S_ID);
      listed += std::string(view.m_S_ID.GetString()) + "/" + view.m_S_STUDY_ID.GetString() + ";";
    }
    view.CursorClose();
    return listed;
  };
  EXPECT_EQ("A/20261205000000;B/20261204090507;B/20261204090508;", listed(view.CursorOpenCondition()));
  view.AddCondition("P_LAST_NAME = 'Brown'");
  view.AddCondition("S_LENGTH > 0");
  EXPECT_EQ("B/20261204090508;", listed(view.CursorOpenCondition()));
  EXPECT_EQ(-1, view.CursorOpenEx("WHERE 1=1; DELETE FROM TBLPatient"));

  StatementsOn("");
  ASSERT_EQ(1, view.Get("B", "20261204090508"));
  EXPECT_EQ(std::vector<std::string>{"SELECT * FROM TBLStudy INNER JOIN TBLPatient ON TBLStudy.S_ID = "
                                     "TBLPatient.P_ID WHERE S_ID='B' AND S_STUDY_ID='20261204090508' AND "
                                     "P_ID=S_ID ORDER BY S_ID, S_STUDY_ID"},
            StatementsOn("TBLStudy"));
  std::unique_ptr<TBLPatientStudy> clone(view.Clone());
  const TBLPatientStudy& v = *clone;
  EXPECT_EQ(
      "'B'|'Zo\xC3\xAB'|'Brown'|2026-12-01 08:00:00.000|null|165.500000|70.250000|'twins'|'D-1'|"
      "2026-03-01 00:00:00.000|2026-12-06 00:00:00.000|2|1|null|"
      "'B'|'20261204090508'|2026-12-04 09:05:08.000|1200|3|'D-1'|'N-1'|'night'|0|2026-12-04 10:00:00.125|",
      ShownAll(v.m_P_ID, v.m_P_FIRST_NAME, v.m_P_LAST_NAME, v.m_P_REG_DATE, v.m_P_BIRTHDAY, v.m_P_HEIGHT, v.m_P_WEIGHT,
               v.m_P_COMMENT, v.m_P_DOCTOR_ID, v.m_P_LMP, v.m_P_EDC, v.m_P_GR, v.m_P_PA, v.m_P_EDIT_DATE, v.m_S_ID,
               v.m_S_STUDY_ID, v.m_S_START_TIME, v.m_S_LENGTH, v.m_S_LOSS, v.m_S_DOCTOR_ID, v.m_S_NURSE_ID,
               v.m_S_COMMENT, v.m_S_MEMB_STATUS, v.m_S_EDIT_DATE));
  EXPECT_EQ(&m_db, v.GetDataBase());
  // A pair that is not stored, or whose patient is not: 0, members as they were.
  EXPECT_EQ(0, view.Get("B", "19990101000000"));
  EXPECT_EQ(0, view.Get("Z", "20261204000000"));
  EXPECT_STREQ("twins", view.m_P_COMMENT.GetString());

  // A deleted patient's studies stay in their table but leave the listing.
  TBLPatient patient(&m_db);
  patient.m_P_ID = "B";
  ASSERT_EQ(1, patient.Delete());
  EXPECT_EQ("2\n", Outside("SELECT count(*) FROM TBLStudy WHERE S_ID = 'B';"));
  EXPECT_EQ("A/20261205000000;", listed(view.CursorOpenCondition()));
}

// A joined row is written back only through its own table: the study of a listed row is read
// and updated by its key (under the check since read too), and the joined rows themselves,
// opened for editing, cannot be written back to either table.
TEST_P(TablesTest, AStudyListedWithItsPatientIsEditedThroughItsOwnTable) {
  ASSERT_EQ("", Outside("INSERT INTO TBLPatient (P_ID, P_LAST_NAME) VALUES ('A', 'Adams'), ('B', 'Brown');"
                        "INSERT INTO TBLStudy (S_ID, S_STUDY_ID, S_COMMENT) VALUES ('B', '2', 'b2'), ('A', '1', 'a1'),"
                        "('B', '3', 'b3');"));
  m_db.SetCheckSinceRead(1);
  std::vector<TBLPatientStudy> listed;
  TBLPatientStudy view(&m_db);
  for (int count = view.CursorOpenCondition(), index = 0; index < count; ++index, view.CursorMove()) {
    ASSERT_EQ(1, view.CursorGet());
    listed.push_back(view);
  }
  view.CursorClose();
  ASSERT_EQ(3u, listed.size());
  for (const TBLPatientStudy& row : listed) {
    TBLStudy study(&m_db);
    study.m_S_ID = row.m_S_ID;
    study.m_S_STUDY_ID = row.m_S_STUDY_ID;
    ASSERT_EQ(1, study.Get());
    study.m_S_COMMENT = row.m_P_LAST_NAME + " " + study.m_S_COMMENT;
    ASSERT_EQ(1, study.Update()) << m_db.GetLastErrorString().GetString();
  }
  EXPECT_EQ("A|1|Adams a1\nB|2|Brown b2\nB|3|Brown b3\nA|Adams\nB|Brown\n",
            Outside("SELECT S_ID, S_STUDY_ID, S_COMMENT FROM TBLStudy ORDER BY S_ID, S_STUDY_ID;"
                    "SELECT P_ID, P_LAST_NAME FROM TBLPatient ORDER BY P_ID;"));

  TBLStudy study(&m_db);
  study.m_S_ID = "B";
  study.m_S_STUDY_ID = "3";
  ASSERT_EQ(1, study.Get());
  ASSERT_EQ("", Outside("UPDATE TBLStudy SET S_LOSS = 5 WHERE S_STUDY_ID = '3';"));
  study.m_S_COMMENT = "mine";
  EXPECT_EQ(0, study.Update());

  ASSERT_EQ(1, m_db.OpenRecordset("SELECT * FROM TBLStudy INNER JOIN TBLPatient ON TBLStudy.S_ID = TBLPatient.P_ID",
                                  adOpenDynamic, adLockOptimistic));
  ASSERT_EQ(1, m_db.SetFieldValue("S_COMMENT", CString("joined")));
  EXPECT_EQ(0, m_db.Update());
  EXPECT_STREQ("the rows do not come from one table, so none can be written back", m_db.GetLastErrorString().GetString());
  m_db.CloseRecordset();
  EXPECT_EQ("Brown b3|5\n", Outside("SELECT S_COMMENT, S_LOSS FROM TBLStudy WHERE S_STUDY_ID = '3';"));
}

}  // namespace
