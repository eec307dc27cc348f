#include "database/TBLPatient.h"

#include "database/CheckFieldLength.h"
#include "database/PatientColumns.h"

#include <new>

namespace {

constexpr const char* kTable = "TBLPatient";
constexpr const char* kSelect = "SELECT * FROM TBLPatient";
constexpr const char* kSelectWithClause = "SELECT * FROM TBLPatient %s";
constexpr const char* kKeyClause = "WHERE P_ID='%s'";
// The columns that name one row, whether or not the database declares them as its key.
constexpr const char* kKeyColumns[] = {"P_ID"};
constexpr const char* kKeySelect = "SELECT * FROM TBLPatient WHERE P_ID='%s'";
constexpr const char* kDelete = "DELETE FROM TBLPatient WHERE P_ID='%s'";
constexpr const char* kIdProbe = "SELECT P_ID FROM TBLPatient WHERE P_ID='%s'";

}  // namespace

TBLPatient::TBLPatient(QnAdo* pDataBase) : TBLBase(pDataBase), m_P_HEIGHT(0.0), m_P_WEIGHT(0.0), m_P_GR(0), m_P_PA(0) {
  Clear();
}

TBLPatient::TBLPatient(const TBLPatient& other) : TBLPatient(other.GetDataBase()) { *this = other; }

TBLPatient::~TBLPatient() = default;

TBLPatient& TBLPatient::operator=(const TBLPatient& other) {
  PatientColumns::Copy(*this, other);
  m_P_ID_OLD = other.m_P_ID_OLD;
  return *this;
}

TBLPatient* TBLPatient::Clone() {
  auto* clone = new (std::nothrow) TBLPatient(GetDataBase());
  if (clone) *clone = *this;
  return clone;
}

std::array<TableField, 14> TBLPatient::Fields() { return PatientColumns::Fields(*this); }

void TBLPatient::Clear() {
  PatientColumns::Clear(*this);
  m_P_ID_OLD = m_P_ID;
  ClearCondition();
}

void TBLPatient::FieldCheck() {
  CheckFieldLength(m_P_ID, PatientColumns::kTextLimit, 1);
  CheckFieldLength(m_P_FIRST_NAME, PatientColumns::kTextLimit, 1);
  CheckFieldLength(m_P_LAST_NAME, PatientColumns::kTextLimit, 1);
  CheckFieldLength(m_P_COMMENT, PatientColumns::kCommentLimit, 1);
  CheckFieldLength(m_P_DOCTOR_ID, PatientColumns::kTextLimit, 1);
}

int TBLPatient::FormatWithKey(const char* format, CString& sql) const {
  CString key;
  if (!QuoteText(m_P_ID, key)) return 0;
  sql = Filled(format, {key.GetString()});
  return 1;
}

int TBLPatient::Get() {
  CString clause;
  return FormatWithKey(kKeyClause, clause) ? ReadRowOfKey(*this, clause) : 0;
}

int TBLPatient::Add() {
  FieldCheck();
  if (!InsertFields(kTable, Fields())) return 0;
  m_P_ID_OLD = m_P_ID;
  return 1;
}

int TBLPatient::Update() {
  if (m_P_ID != m_P_ID_OLD) return 0;
  FieldCheck();
  CString sql;
  const bool keyQuoted = FormatWithKey(kKeySelect, sql);
  return WriteFields(keyQuoted, sql, Fields(), kKeyColumns);
}

int TBLPatient::Delete() {
  CString sql;
  return FormatWithKey(kDelete, sql) && m_pDataBase->ExecuteSQL(sql) ? 1 : 0;
}

int TBLPatient::CursorOpenCondition() { return OpenSelectOfConditions(kSelect, kSelectWithClause); }

int TBLPatient::CursorOpenEx(const char* condition) { return OpenSelect(kSelect, kSelectWithClause, condition); }

int TBLPatient::CursorGet() {
  Clear();
  if (!ReadFields(Fields())) {
    Clear();
    return 0;
  }
  m_P_ID_OLD = m_P_ID;
  return 1;
}

CString TBLPatient::GetUniqueId(QnAdo* pDataBase) { return FirstFreeIdOfToday(pDataBase, kIdProbe); }
