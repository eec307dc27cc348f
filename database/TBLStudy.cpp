#include "database/TBLStudy.h"

#include <new>

#include "database/CheckFieldLength.h"
#include "database/StudyColumns.h"

namespace {

constexpr const char* kTable = "TBLStudy";
constexpr const char* kSelect = "SELECT * FROM TBLStudy";
constexpr const char* kSelectWithClause = "SELECT * FROM TBLStudy %s";
constexpr const char* kKeyClause = "WHERE S_ID='%s' AND S_STUDY_ID='%s'";
// The columns that name one row, whether or not the database declares them as its key.
constexpr const char* kKeyColumns[] = {"S_ID", "S_STUDY_ID"};
constexpr const char* kKeySelect = "SELECT * FROM TBLStudy WHERE S_ID='%s' AND S_STUDY_ID='%s'";
constexpr const char* kDelete = "DELETE FROM TBLStudy WHERE S_ID='%s' AND S_STUDY_ID='%s'";

}  // namespace

TBLStudy::TBLStudy(QnAdo* pDataBase) : TBLBase(pDataBase), m_S_LENGTH(0), m_S_LOSS(0), m_S_MEMB_STATUS(0) {
  Clear();
}

TBLStudy::TBLStudy(const TBLStudy& other) : TBLStudy(other.GetDataBase()) { *this = other; }

TBLStudy::~TBLStudy() = default;

TBLStudy& TBLStudy::operator=(const TBLStudy& other) {
  StudyColumns::Copy(*this, other);
  m_S_ID_OLD = other.m_S_ID_OLD;
  m_S_STUDY_ID_OLD = other.m_S_STUDY_ID_OLD;
  return *this;
}

TBLStudy* TBLStudy::Clone() {
  auto* clone = new (std::nothrow) TBLStudy(GetDataBase());
  if (clone) *clone = *this;
  return clone;
}

std::array<TableField, 10> TBLStudy::Fields() { return StudyColumns::Fields(*this); }

void TBLStudy::BindLoadedKey() {
  m_S_ID_OLD = m_S_ID;
  m_S_STUDY_ID_OLD = m_S_STUDY_ID;
}

void TBLStudy::Clear() {
  StudyColumns::Clear(*this);
  BindLoadedKey();
  ClearCondition();
}

void TBLStudy::FieldCheck() {
  CheckFieldLength(m_S_ID, StudyColumns::kTextLimit, 1);
  CheckFieldLength(m_S_STUDY_ID, StudyColumns::kTextLimit, 1);
  CheckFieldLength(m_S_DOCTOR_ID, StudyColumns::kTextLimit, 1);
  CheckFieldLength(m_S_NURSE_ID, StudyColumns::kTextLimit, 1);
  CheckFieldLength(m_S_COMMENT, StudyColumns::kCommentLimit, 1);
}

int TBLStudy::FormatWithKey(const char* format, CString& sql) const {
  CString id, studyId;
  if (!QuoteText(m_S_ID, id) || !QuoteText(m_S_STUDY_ID, studyId)) return 0;
  sql = Filled(format, {id.GetString(), studyId.GetString()});
  return 1;
}

int TBLStudy::Get() {
  CString clause;
  return FormatWithKey(kKeyClause, clause) ? ReadRowOfKey(*this, clause) : 0;
}

int TBLStudy::Add() {
  FieldCheck();
  if (!InsertFields(kTable, Fields())) return 0;
  BindLoadedKey();
  return 1;
}

int TBLStudy::Update() {
  if (m_S_ID != m_S_ID_OLD || m_S_STUDY_ID != m_S_STUDY_ID_OLD) return 0;
  FieldCheck();
  CString sql;
  const bool keyQuoted = FormatWithKey(kKeySelect, sql);
  return WriteFields(keyQuoted, sql, Fields(), kKeyColumns);
}

int TBLStudy::Delete() {
  CString sql;
  return FormatWithKey(kDelete, sql) && m_pDataBase->ExecuteSQL(sql) ? 1 : 0;
}

int TBLStudy::CursorOpenCondition() { return OpenSelectOfConditions(kSelect, kSelectWithClause); }

int TBLStudy::CursorOpenEx(const char* condition) { return OpenSelect(kSelect, kSelectWithClause, condition); }

int TBLStudy::CursorGet() {
  Clear();
  if (!ReadFields(Fields())) {
    Clear();
    return 0;
  }
  BindLoadedKey();
  return 1;
}

int TBLStudy::SetStartTime(COleDateTime time, int bSetStudyId) {
  if (time.GetStatus() != COleDateTime::valid) return 0;
  m_S_START_TIME = time;
  // "%Y%m%d%H%M%S" as the station's Format prints it: the year always with four digits, which
  // the C library's %Y does not pad to before the year 1000.
  if (bSetStudyId) {
    m_S_STUDY_ID.Format("%04d%02d%02d%02d%02d%02d", time.GetYear(), time.GetMonth(), time.GetDay(), time.GetHour(),
                        time.GetMinute(), time.GetSecond());
  }
  return 1;
}
