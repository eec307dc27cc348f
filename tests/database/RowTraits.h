#pragma once

// What the row-class contract tests need of each table: a row filled with values that differ
// per column and per row n, its key set from one text (the study's second key column gets
// "S" before it), one text with its byte limit, row 2 as sqlite3 shows it, its statements
// for the key K'1, and for each column a literal that another connection may write in its place
// (in row 1 a null date becomes a date).

#include <string>

#include "database/TBLPatient.h"
#include "database/TBLStudy.h"
#include "database/TBLUser.h"

inline std::string Shown(const CString& text) { return std::string("'") + text.GetString() + "'"; }
inline std::string Shown(double value) { return std::to_string(value); }
inline std::string Shown(long value) { return std::to_string(value); }
inline std::string Shown(const COleDateTime& date) {
  return date.GetStatus() == COleDateTime::null ? "null" : date.FormatTimestamp().GetString();
}
template <class... Members>
std::string ShownAll(const Members&... members) {
  return ((Shown(members) + "|") + ...);
}

inline COleDateTime NullDate() {
  COleDateTime date;
  date.SetStatus(COleDateTime::null);
  return date;
}

struct PatientTraits {
  using Row = TBLPatient;
  static constexpr const char *kTable = "TBLPatient", *kKeyColumn = "P_ID", *kLimitedColumn = "P_COMMENT";
  static constexpr int kLimit = 255;
  static constexpr const char* kCleared = "''|''|''|null|null|0.000000|0.000000|''|''|null|null|0|0|null|''|";
  static constexpr const char* kStored = "K-2|First2|Last2|2026-12-04 09:05:02.000|1990-01-02 00:00:00.000|162.5|62.25|"
                                        "Comment 2|D-2|2026-03-01 00:00:00.000||2|-2|2026-12-04 10:00:00.125\n";
  static constexpr const char* kStatements[] = {
      "SELECT * FROM TBLPatient WHERE P_ID='K''1'", "SELECT * FROM TBLPatient WHERE P_ID='K''1'",
      "SELECT * FROM TBLPatient", "SELECT * FROM TBLPatient ", "DELETE FROM TBLPatient WHERE P_ID='K''1'"};
  static constexpr const char* kOtherValues[][2] = {
      {"P_ID", "'K-9'"}, {"P_FIRST_NAME", "'X'"}, {"P_LAST_NAME", "'X'"}, {"P_REG_DATE", "'2027-01-01 00:00:00.000'"},
      {"P_BIRTHDAY", "'1990-01-01 00:00:00.001'"}, {"P_HEIGHT", "161.25"}, {"P_WEIGHT", "0"}, {"P_COMMENT", "''"},
      {"P_DOCTOR_ID", "'X'"}, {"P_LMP", "NULL"}, {"P_EDC", "'2026-12-06 00:00:00.000'"}, {"P_GR", "2"}, {"P_PA", "1"},
      {"P_EDIT_DATE", "'2026-12-04 10:00:00.126'"}};

  static bool IsKey(const std::string& column) { return column == "P_ID"; }
  static void SetKey(Row& r, const CString& key) { r.m_P_ID = key; }
  static void BindKey(Row& r) { r.m_P_ID_OLD = r.m_P_ID; }
  static void Fill(Row& r, int n) {
    r.m_P_FIRST_NAME.Format("First%d", n);
    r.m_P_LAST_NAME.Format("Last%d", n);
    r.m_P_REG_DATE = COleDateTime(2026, 12, 4, 9, 5, n);
    r.m_P_BIRTHDAY = COleDateTime(1990, 1, n, 0, 0, 0);
    r.m_P_HEIGHT = 160.5 + n;
    r.m_P_WEIGHT = 60.25 + n;
    r.m_P_COMMENT.Format("Comment %d", n);
    r.m_P_DOCTOR_ID.Format("D-%d", n);
    r.m_P_LMP = COleDateTime(2026, 3, 1, 0, 0, 0);
    r.m_P_EDC = NullDate();
    r.m_P_GR = n;
    r.m_P_PA = -n;
    r.m_P_EDIT_DATE = COleDateTime(2026, 12, 4, 10, 0, 0) + 0.125 / 86400;
  }
  static std::string Values(const Row& r) {
    return ShownAll(r.m_P_ID, r.m_P_FIRST_NAME, r.m_P_LAST_NAME, r.m_P_REG_DATE, r.m_P_BIRTHDAY, r.m_P_HEIGHT,
                    r.m_P_WEIGHT, r.m_P_COMMENT, r.m_P_DOCTOR_ID, r.m_P_LMP, r.m_P_EDC, r.m_P_GR, r.m_P_PA,
                    r.m_P_EDIT_DATE, r.m_P_ID_OLD);
  }
  static CString& Limited(Row& r) { return r.m_P_COMMENT; }
};

struct StudyTraits {
  using Row = TBLStudy;
  static constexpr const char *kTable = "TBLStudy", *kKeyColumn = "S_ID", *kLimitedColumn = "S_COMMENT";
  static constexpr int kLimit = 255;
  static constexpr const char* kCleared = "''|''|null|0|0|''|''|''|0|null|''|''|";
  static constexpr const char* kStored = "K-2|SK-2|2026-12-04 09:05:02.000|3602|2|D-2|N-2|Study 2|-2|\n";
  static constexpr const char* kStatements[] = {
      "SELECT * FROM TBLStudy WHERE S_ID='K''1' AND S_STUDY_ID='SK''1'",
      "SELECT * FROM TBLStudy WHERE S_ID='K''1' AND S_STUDY_ID='SK''1'", "SELECT * FROM TBLStudy",
      "SELECT * FROM TBLStudy ", "DELETE FROM TBLStudy WHERE S_ID='K''1' AND S_STUDY_ID='SK''1'"};
  static constexpr const char* kOtherValues[][2] = {
      {"S_ID", "'K-9'"}, {"S_STUDY_ID", "'SK-9'"}, {"S_START_TIME", "'2026-12-04 09:05:01.999'"}, {"S_LENGTH", "0"},
      {"S_LOSS", "-1"}, {"S_DOCTOR_ID", "'X'"}, {"S_NURSE_ID", "'X'"}, {"S_COMMENT", "'Study 1 '"},
      {"S_MEMB_STATUS", "1"}, {"S_EDIT_DATE", "'2026-12-04 10:00:00.000'"}};

  static bool IsKey(const std::string& column) { return column == "S_ID" || column == "S_STUDY_ID"; }
  static void SetKey(Row& r, const CString& key) {
    r.m_S_ID = key;
    r.m_S_STUDY_ID = "S" + key;
  }
  static void BindKey(Row& r) {
    r.m_S_ID_OLD = r.m_S_ID;
    r.m_S_STUDY_ID_OLD = r.m_S_STUDY_ID;
  }
  static void Fill(Row& r, int n) {
    r.m_S_START_TIME = COleDateTime(2026, 12, 4, 9, 5, n);
    r.m_S_LENGTH = 3600 + n;
    r.m_S_LOSS = n;
    r.m_S_DOCTOR_ID.Format("D-%d", n);
    r.m_S_NURSE_ID.Format("N-%d", n);
    r.m_S_COMMENT.Format("Study %d", n);
    r.m_S_MEMB_STATUS = -n;
    r.m_S_EDIT_DATE = NullDate();
  }
  static std::string Values(const Row& r) {
    return ShownAll(r.m_S_ID, r.m_S_STUDY_ID, r.m_S_START_TIME, r.m_S_LENGTH, r.m_S_LOSS, r.m_S_DOCTOR_ID,
                    r.m_S_NURSE_ID, r.m_S_COMMENT, r.m_S_MEMB_STATUS, r.m_S_EDIT_DATE, r.m_S_ID_OLD,
                    r.m_S_STUDY_ID_OLD);
  }
  static CString& Limited(Row& r) { return r.m_S_COMMENT; }
};

struct UserTraits {
  using Row = TBLUser;
  static constexpr const char *kTable = "TBLUser", *kKeyColumn = "M_ID", *kLimitedColumn = "M_PASSWORD";
  static constexpr int kLimit = 50;
  static constexpr const char* kCleared = "''|''|''|0|null|null|''|";
  static constexpr const char* kStored = "K-2|Nurse 2|secret2|2|2026-01-02 08:00:00.000|\n";
  static constexpr const char* kStatements[] = {
      "SELECT * FROM TBLUser WHERE M_ID='K''1'", "SELECT * FROM TBLUser WHERE M_ID='K''1'", "SELECT * FROM TBLUser",
      "SELECT * FROM TBLUser ", "DELETE FROM TBLUser WHERE M_ID='K''1'"};
  static constexpr const char* kOtherValues[][2] = {
      {"M_ID", "'K-9'"}, {"M_NAME", "'Nurse 1 '"}, {"M_PASSWORD", "'Secret1'"}, {"M_LEVEL", "NULL"},
      {"M_REG_DATE", "'2026-01-01 08:00:01.000'"}, {"M_EDIT_DATE", "'2026-01-01 08:00:00.000'"}};

  static bool IsKey(const std::string& column) { return column == "M_ID"; }
  static void SetKey(Row& r, const CString& key) { r.m_M_ID = key; }
  static void BindKey(Row& r) { r.m_M_ID_OLD = r.m_M_ID; }
  static void Fill(Row& r, int n) {
    r.m_M_NAME.Format("Nurse %d", n);
    r.m_M_PASSWORD.Format("secret%d", n);
    r.m_M_LEVEL = n;
    r.m_M_REG_DATE = COleDateTime(2026, 1, n, 8, 0, 0);
    r.m_M_EDIT_DATE = NullDate();
  }
  static std::string Values(const Row& r) {
    return ShownAll(r.m_M_ID, r.m_M_NAME, r.m_M_PASSWORD, r.m_M_LEVEL, r.m_M_REG_DATE, r.m_M_EDIT_DATE, r.m_M_ID_OLD);
  }
  static CString& Limited(Row& r) { return r.m_M_PASSWORD; }
};
