#pragma once

// What the row-class contract tests need to know of each table: how to fill a row with values
// that differ per row, its key members, one limited text, and its statements for the key
// K'1 (study: K'1 and S'2), written out as the tables define them.

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

inline COleDateTime Timestamp(const char* text) {
  COleDateTime date;
  date.ParseDateTime(text);
  return date;
}

inline COleDateTime NullDate() {
  COleDateTime date;
  date.SetStatus(COleDateTime::null);
  return date;
}

struct PatientTraits {
  using Row = TBLPatient;
  static constexpr const char* kTable = "TBLPatient";
  static constexpr const char* kKeyColumn = "P_ID";
  static constexpr int kLimitedTextLimit = 255;
  static constexpr const char* kKeyGet = "SELECT * FROM TBLPatient WHERE P_ID='K''1'";
  static constexpr const char* kKeyDelete = "DELETE FROM TBLPatient WHERE P_ID='K''1'";
  static constexpr const char* kPlainSelect = "SELECT * FROM TBLPatient";

  static void Fill(Row& row, int n) {
    row.m_P_ID.Format("P-%d", n);
    row.m_P_FIRST_NAME.Format("First%d", n);
    row.m_P_LAST_NAME.Format("Last%d", n);
    row.m_P_REG_DATE = COleDateTime(2026, 12, 4, 9, 5, n % 60);
    row.m_P_BIRTHDAY = COleDateTime(1990, 1, n % 28 + 1, 0, 0, 0);
    row.m_P_HEIGHT = 160.5 + n;
    row.m_P_WEIGHT = 60.25 + n;
    row.m_P_COMMENT.Format("Comment %d", n);
    row.m_P_DOCTOR_ID.Format("D-%d", n);
    row.m_P_LMP = COleDateTime(2026, 3, 1, 0, 0, 0);
    row.m_P_EDC = NullDate();
    row.m_P_GR = n;
    row.m_P_PA = -n;
    row.m_P_EDIT_DATE = Timestamp("2026-12-04 10:00:00.125");
  }
  static std::string Values(const Row& r) {
    return ShownAll(r.m_P_ID, r.m_P_FIRST_NAME, r.m_P_LAST_NAME, r.m_P_REG_DATE, r.m_P_BIRTHDAY, r.m_P_HEIGHT,
                    r.m_P_WEIGHT, r.m_P_COMMENT, r.m_P_DOCTOR_ID, r.m_P_LMP, r.m_P_EDC, r.m_P_GR, r.m_P_PA,
                    r.m_P_EDIT_DATE);
  }
  static std::string LoadedKey(const Row& r) { return r.m_P_ID_OLD.GetString(); }
  static std::string Key(const Row& r) { return r.m_P_ID.GetString(); }
  static void SetKey(Row& r, const char* key) { r.m_P_ID = key; }
  static CString& LimitedText(Row& r) { return r.m_P_COMMENT; }
  static CString& Text(Row& r) { return r.m_P_FIRST_NAME; }
  static COleDateTime& Date(Row& r) { return r.m_P_REG_DATE; }
};

struct StudyTraits {
  using Row = TBLStudy;
  static constexpr const char* kTable = "TBLStudy";
  static constexpr const char* kKeyColumn = "S_ID";
  static constexpr int kLimitedTextLimit = 255;
  static constexpr const char* kKeyGet = "SELECT * FROM TBLStudy WHERE S_ID='K''1' AND S_STUDY_ID='S''2'";
  static constexpr const char* kKeyDelete = "DELETE FROM TBLStudy WHERE S_ID='K''1' AND S_STUDY_ID='S''2'";
  static constexpr const char* kPlainSelect = "SELECT * FROM TBLStudy";

  static void Fill(Row& row, int n) {
    row.m_S_ID.Format("P-%d", n);
    row.m_S_STUDY_ID.Format("202612040905%02d", n % 60);
    row.m_S_START_TIME = COleDateTime(2026, 12, 4, 9, 5, n % 60);
    row.m_S_LENGTH = 3600 + n;
    row.m_S_LOSS = n;
    row.m_S_DOCTOR_ID.Format("D-%d", n);
    row.m_S_NURSE_ID.Format("N-%d", n);
    row.m_S_COMMENT.Format("Study %d", n);
    row.m_S_MEMB_STATUS = -n;
    row.m_S_EDIT_DATE = NullDate();
  }
  static std::string Values(const Row& r) {
    return ShownAll(r.m_S_ID, r.m_S_STUDY_ID, r.m_S_START_TIME, r.m_S_LENGTH, r.m_S_LOSS, r.m_S_DOCTOR_ID,
                    r.m_S_NURSE_ID, r.m_S_COMMENT, r.m_S_MEMB_STATUS, r.m_S_EDIT_DATE);
  }
  static std::string LoadedKey(const Row& r) {
    return std::string(r.m_S_ID_OLD.GetString()) + "/" + r.m_S_STUDY_ID_OLD.GetString();
  }
  static std::string Key(const Row& r) { return std::string(r.m_S_ID.GetString()) + "/" + r.m_S_STUDY_ID.GetString(); }
  static void SetKey(Row& r, const char* key) {
    r.m_S_ID = key;
    r.m_S_STUDY_ID = CString(key) == "K'1" ? "S'2" : key;
  }
  static CString& LimitedText(Row& r) { return r.m_S_COMMENT; }
  static CString& Text(Row& r) { return r.m_S_NURSE_ID; }
  static COleDateTime& Date(Row& r) { return r.m_S_START_TIME; }
};

struct UserTraits {
  using Row = TBLUser;
  static constexpr const char* kTable = "TBLUser";
  static constexpr const char* kKeyColumn = "M_ID";
  static constexpr int kLimitedTextLimit = 50;
  static constexpr const char* kKeyGet = "SELECT * FROM TBLUser WHERE M_ID='K''1'";
  static constexpr const char* kKeyDelete = "DELETE FROM TBLUser WHERE M_ID='K''1'";
  static constexpr const char* kPlainSelect = "SELECT * FROM TBLUser";

  static void Fill(Row& row, int n) {
    row.m_M_ID.Format("U-%d", n);
    row.m_M_NAME.Format("Nurse %d", n);
    row.m_M_PASSWORD.Format("secret%d", n);
    row.m_M_LEVEL = n % 3;
    row.m_M_REG_DATE = COleDateTime(2026, 1, n % 28 + 1, 8, 0, 0);
    row.m_M_EDIT_DATE = NullDate();
  }
  static std::string Values(const Row& r) {
    return ShownAll(r.m_M_ID, r.m_M_NAME, r.m_M_PASSWORD, r.m_M_LEVEL, r.m_M_REG_DATE, r.m_M_EDIT_DATE);
  }
  static std::string LoadedKey(const Row& r) { return r.m_M_ID_OLD.GetString(); }
  static std::string Key(const Row& r) { return r.m_M_ID.GetString(); }
  static void SetKey(Row& r, const char* key) { r.m_M_ID = key; }
  static CString& LimitedText(Row& r) { return r.m_M_PASSWORD; }
  static CString& Text(Row& r) { return r.m_M_NAME; }
  static COleDateTime& Date(Row& r) { return r.m_M_REG_DATE; }
};
