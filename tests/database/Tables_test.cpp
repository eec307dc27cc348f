// What each table adds to the row-class contract: the identifiers of the day, the study's start
// time, the user's display name, and the joined patient-study view.

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "database/RowTraits.h"
#include "database/ScratchDatabase.h"
#include "database/TBLPatientStudy.h"

namespace {

class TablesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    m_file = m_folder.Path() / "station.db";
    const std::string uri = CreateDatabase(m_file);
    ASSERT_EQ(1, m_db.Connect(uri.c_str()));
  }

  void Sqlite3(const std::string& script) { ASSERT_EQ(0, RunSqlite3(m_file, script).status) << script; }

  // Stores the identifiers `today`-NNN for each number in [first, last] into `table`'s key.
  void StoreIdsOfToday(const char* table, const char* keyColumn, int first, int last) {
    std::string script = "BEGIN;";
    for (int n = first; n <= last; ++n) {
      CString number;
      number.Format("%03d", n);
      script += std::string("INSERT INTO ") + table + " (" + keyColumn + ") VALUES ('" + Today() + "-" +
                number.GetString() + "');";
    }
    Sqlite3(script + "COMMIT;");
  }

  static std::string Today() { return COleDateTime::GetCurrentTime().Format("%Y%m%d").GetString(); }

  ScratchFolder m_folder;
  std::filesystem::path m_file;
  QnAdo m_db;
  MessageCapture m_messages;
};

TEST_F(TablesTest, AnIdentifierOfTheDayIsTheFirstFreeNumber) {
  const struct {
    const char* stored;  // numbers of today already taken, as sqlite3 inserts them
    const char* expectedSuffix;
  } cases[] = {
      {"", "-001"},
      {"001,003", "-002"},
      {"001,002", "-003"},
      {"002", "-001"},
  };
  for (const auto& c : cases) {
    for (const char* table : {"TBLPatient", "TBLUser"}) {
      const std::string key = table == std::string("TBLPatient") ? "P_ID" : "M_ID";
      Sqlite3(std::string("DELETE FROM ") + table + ";");
      for (std::string numbers = c.stored; !numbers.empty();) {
        const std::string number = numbers.substr(0, 3);
        numbers.erase(0, std::min<std::size_t>(4, numbers.size()));
        Sqlite3(std::string("INSERT INTO ") + table + " (" + key + ") VALUES ('" + Today() + "-" + number + "');");
      }
    }
    EXPECT_EQ(Today() + c.expectedSuffix, TBLPatient::GetUniqueId(&m_db).GetString()) << c.stored;
    EXPECT_EQ(Today() + c.expectedSuffix, TBLUser::GetUniqueId(&m_db).GetString()) << c.stored;
  }
}

TEST_F(TablesTest, After999IdentifiersTheNumberTakesFourDigits) {
  StoreIdsOfToday("TBLPatient", "P_ID", 1, 999);
  EXPECT_EQ(Today() + "-1000", TBLPatient::GetUniqueId(&m_db).GetString());
}

TEST_F(TablesTest, NoIdentifierWithoutAConnectedDatabase) {
  QnAdo unconnected;
  EXPECT_STREQ("", TBLPatient::GetUniqueId(nullptr).GetString());
  EXPECT_STREQ("", TBLPatient::GetUniqueId(&unconnected).GetString());
  EXPECT_STREQ("", TBLUser::GetUniqueId(nullptr).GetString());
  EXPECT_STREQ("", TBLUser::GetUniqueId(&unconnected).GetString());
  EXPECT_STREQ("", TBLUser::GetUserNameStringInDatabase(nullptr, "20261204-001").GetString());
  EXPECT_TRUE(m_messages.Shown().empty());
}

TEST_F(TablesTest, AStudyIdIsItsStartSecond) {
  COleDateTime invalid;
  invalid.SetStatus(COleDateTime::invalid);
  const struct {
    COleDateTime time;
    int setStudyId;
    int result;
    const char* studyId;
    const char* startTime;
  } cases[] = {
      {COleDateTime(2026, 1, 4, 9, 5, 7), 1, 1, "20260104090507", "2026-01-04 09:05:07.000"},
      {COleDateTime(2026, 12, 31, 23, 59, 59), 1, 1, "20261231235959", "2026-12-31 23:59:59.000"},
      {COleDateTime(2026, 1, 4, 9, 5, 7), 0, 1, "kept", "2026-01-04 09:05:07.000"},
      {NullDate(), 1, 0, "kept", "2000-01-01 00:00:00.000"},
      {invalid, 1, 0, "kept", "2000-01-01 00:00:00.000"},
  };
  for (const auto& c : cases) {
    TBLStudy study;
    study.m_S_STUDY_ID = "kept";
    study.m_S_START_TIME = COleDateTime(2000, 1, 1, 0, 0, 0);
    study.m_S_STUDY_ID_OLD = "loaded";
    EXPECT_EQ(c.result, study.SetStartTime(c.time, c.setStudyId));
    EXPECT_STREQ(c.studyId, study.m_S_STUDY_ID.GetString());
    EXPECT_STREQ(c.startTime, study.m_S_START_TIME.FormatTimestamp().GetString());
    EXPECT_STREQ("loaded", study.m_S_STUDY_ID_OLD.GetString());
  }
}

TEST_F(TablesTest, ANewStartTimeMakesTheReadStudyUnwritable) {
  TBLStudy study(&m_db);
  study.m_S_ID = "P-1";
  ASSERT_EQ(1, study.SetStartTime(COleDateTime(2026, 1, 4, 9, 5, 7), 1));
  ASSERT_EQ(1, study.Add());
  ASSERT_EQ(1, study.SetStartTime(COleDateTime(2026, 1, 4, 9, 5, 8), 1));
  EXPECT_EQ(0, study.Update());
  TBLStudy twin(&m_db);
  twin.m_S_ID = "P-1";
  ASSERT_EQ(1, twin.SetStartTime(COleDateTime(2026, 1, 4, 9, 5, 7), 1));
  EXPECT_EQ(0, twin.Add());  // the same patient and second: the same key, refused by the table
  ASSERT_EQ(1u, m_messages.Shown().size());
  EXPECT_EQ("UNIQUE constraint failed: TBLStudy.S_ID, TBLStudy.S_STUDY_ID", m_messages.Shown()[0].first);
}

TEST_F(TablesTest, AUserIsShownAsNameWithIdInParentheses) {
  Sqlite3(
      "INSERT INTO TBLUser (M_ID, M_NAME) VALUES ('20261204-001', 'N'), ('20261204-002', 'Midwife'),"
      "('O''Hara-1', 'Nurse O''Hara');");
  const struct {
    const char* id;
    const char* shown;
  } cases[] = {
      {"20261204-001", "N(20261204-001)"},
      {"20261204-002", "Midwife(20261204-002)"},
      {"O'Hara-1", "Nurse O'Hara(O'Hara-1)"},
      {"20261204-00_", "N(20261204-001)"},  // the id is a LIKE pattern: _ and % are wildcards
      {"%-002", "Midwife(20261204-002)"},
      {"", ""},
      {"20261204-009", ""},
      {"x' OR '1'='1", ""},
  };
  for (const auto& c : cases) {
    EXPECT_STREQ(c.shown, TBLUser::GetUserNameStringInDatabase(&m_db, c.id).GetString()) << c.id;
  }
  EXPECT_TRUE(m_messages.Shown().empty());
}

class PatientStudyViewTest : public TablesTest {
 protected:
  void SetUp() override {
    TablesTest::SetUp();
    // Patients A and B; studies of B (two), of A, and of a patient who is not stored.
    Sqlite3(
        "INSERT INTO TBLPatient VALUES ('B', 'Beth', 'Brown', '2026-12-01 08:00:00.000', NULL, 165.5, 70.25, "
        "'twins', 'D-1', '2026-03-01 00:00:00.000', '2026-12-06 00:00:00.000', 2, 1, NULL);"
        "INSERT INTO TBLPatient (P_ID, P_LAST_NAME) VALUES ('A', 'Adams'), ('C', 'Clark');"
        "INSERT INTO TBLStudy VALUES ('B', '20261204090508', '2026-12-04 09:05:08.000', 1200, 3, 'D-1', 'N-1', "
        "'night', 0, '2026-12-04 10:00:00.125');"
        "INSERT INTO TBLStudy (S_ID, S_STUDY_ID) VALUES ('B', '20261204090507'), ('A', '20261205000000'),"
        "('Z', '20261204000000');");
  }

  std::string Listed(TBLPatientStudy& view, int count) {
    std::string listed;
    for (int index = 0; index < count; ++index) {
      EXPECT_EQ(1, view.CursorGet());
      EXPECT_EQ(view.m_P_ID, view.m_S_ID);
      listed += std::string(view.m_S_ID.GetString()) + "/" + view.m_S_STUDY_ID.GetString() + ";";
      view.CursorMove();
    }
    view.CursorClose();
    return listed;
  }
};

TEST_F(PatientStudyViewTest, ListsEveryStudyWithItsPatientSortedByPatientThenStudy) {
  TBLPatientStudy view(&m_db);
  const int count = view.CursorOpenCondition();
  ASSERT_EQ(3, count);
  EXPECT_EQ("A/20261205000000;B/20261204090507;B/20261204090508;", Listed(view, count));

  view.AddCondition("P_LAST_NAME = 'Brown'");
  view.AddCondition("S_LENGTH > 0");
  ASSERT_EQ(1, view.CursorOpenCondition());
  EXPECT_EQ("B/20261204090508;", Listed(view, 1));
}

TEST_F(PatientStudyViewTest, GetReadsAllTwentyFourColumnsOfOnePair) {
  TBLPatientStudy view(&m_db);
  StatementTrace trace(m_db);
  ASSERT_EQ(1, view.Get("B", "20261204090508"));
  EXPECT_EQ(std::vector<std::string>{"SELECT * FROM TBLStudy INNER JOIN TBLPatient ON TBLStudy.S_ID = "
                                     "TBLPatient.P_ID WHERE S_ID='B' AND S_STUDY_ID='20261204090508' AND "
                                     "P_ID=S_ID ORDER BY S_ID, S_STUDY_ID"},
            trace.Mentioning("TBLStudy"));
  EXPECT_EQ(
      "'B'|'Beth'|'Brown'|2026-12-01 08:00:00.000|null|165.500000|70.250000|'twins'|'D-1'|"
      "2026-03-01 00:00:00.000|2026-12-06 00:00:00.000|2|1|null|"
      "'B'|'20261204090508'|2026-12-04 09:05:08.000|1200|3|'D-1'|'N-1'|'night'|0|2026-12-04 10:00:00.125|",
      ShownAll(view.m_P_ID, view.m_P_FIRST_NAME, view.m_P_LAST_NAME, view.m_P_REG_DATE, view.m_P_BIRTHDAY,
               view.m_P_HEIGHT, view.m_P_WEIGHT, view.m_P_COMMENT, view.m_P_DOCTOR_ID, view.m_P_LMP, view.m_P_EDC,
               view.m_P_GR, view.m_P_PA, view.m_P_EDIT_DATE, view.m_S_ID, view.m_S_STUDY_ID, view.m_S_START_TIME,
               view.m_S_LENGTH, view.m_S_LOSS, view.m_S_DOCTOR_ID, view.m_S_NURSE_ID, view.m_S_COMMENT,
               view.m_S_MEMB_STATUS, view.m_S_EDIT_DATE));

  std::unique_ptr<TBLPatientStudy> clone(view.Clone());
  EXPECT_EQ(view.m_S_EDIT_DATE, clone->m_S_EDIT_DATE);
  EXPECT_EQ(view.m_P_COMMENT, clone->m_P_COMMENT);
  EXPECT_EQ(&m_db, clone->GetDataBase());

  // A pair that is not stored, or whose patient is not: 0, members as they were.
  for (const char* study : {"20261204000000", "19990101000000"}) {
    EXPECT_EQ(0, view.Get(study == std::string("20261204000000") ? "Z" : "B", study));
    EXPECT_STREQ("twins", view.m_P_COMMENT.GetString());
  }
}

TEST_F(PatientStudyViewTest, ADeletedPatientsStudiesStayButLeaveTheListing) {
  TBLPatient patient(&m_db);
  patient.m_P_ID = "B";
  ASSERT_EQ(1, patient.Delete());
  TBLStudy studies(&m_db);
  studies.AddCondition("S_ID = 'B'");
  EXPECT_EQ(2, studies.CursorOpenCondition());
  TBLPatientStudy view(&m_db);
  const int count = view.CursorOpenCondition();
  ASSERT_EQ(1, count);
  EXPECT_EQ("A/20261205000000;", Listed(view, count));
}

TEST_F(PatientStudyViewTest, AHostileConditionCannotReachBeyondAListing) {
  TBLPatientStudy view(&m_db);
  for (const char* condition :
       {"WHERE 1=1; DELETE FROM TBLPatient", "WHERE 1=1; DROP TABLE TBLStudy --", "WHERE P_ID = 'unterminated"}) {
    EXPECT_EQ(-1, view.CursorOpenEx(condition)) << condition;
  }
  EXPECT_EQ(3, view.CursorOpenCondition());
}

}  // namespace
