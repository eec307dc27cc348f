#include "database/TBLUser.h"

#include <new>

#include "database/CheckFieldLength.h"
#include "database/UserColumns.h"

namespace {

constexpr const char* kTable = "TBLUser";
constexpr const char* kSelect = "SELECT * FROM TBLUser";
constexpr const char* kSelectWithClause = "SELECT * FROM TBLUser %s";
constexpr const char* kKeyClause = "WHERE M_ID='%s'";
// The columns that name one row, whether or not the database declares them as its key.
constexpr const char* kKeyColumns[] = {"M_ID"};
constexpr const char* kKeySelect = "SELECT * FROM TBLUser WHERE M_ID='%s'";
constexpr const char* kDelete = "DELETE FROM TBLUser WHERE M_ID='%s'";
constexpr const char* kIdProbe = "SELECT M_ID FROM TBLUser WHERE M_ID='%s'";
constexpr const char* kIdPattern = "M_ID LIKE '%s'";
constexpr int kTextLimit = 50;

}  // namespace

TBLUser::TBLUser(QnAdo* pDataBase) : TBLBase(pDataBase), m_M_LEVEL(0) { Clear(); }

TBLUser::TBLUser(const TBLUser& other) : TBLUser(other.GetDataBase()) { *this = other; }

TBLUser::~TBLUser() = default;

TBLUser& TBLUser::operator=(const TBLUser& other) {
  m_M_NAME = other.m_M_NAME;
  m_M_ID = other.m_M_ID;
  m_M_PASSWORD = other.m_M_PASSWORD;
  m_M_LEVEL = other.m_M_LEVEL;
  m_M_REG_DATE = other.m_M_REG_DATE;
  m_M_EDIT_DATE = other.m_M_EDIT_DATE;
  m_M_ID_OLD = other.m_M_ID_OLD;
  return *this;
}

TBLUser* TBLUser::Clone() {
  auto* clone = new (std::nothrow) TBLUser(GetDataBase());
  if (clone) *clone = *this;
  return clone;
}

std::array<TableField, 6> TBLUser::Fields() { return UserColumns::Fields(*this); }

void TBLUser::Clear() {
  m_M_ID.Empty();
  m_M_NAME.Empty();
  m_M_PASSWORD.Empty();
  m_M_LEVEL = 0;
  m_M_REG_DATE.SetStatus(COleDateTime::null);
  m_M_EDIT_DATE.SetStatus(COleDateTime::null);
  m_M_ID_OLD = m_M_ID;
  ClearCondition();
}

void TBLUser::FieldCheck() {
  CheckFieldLength(m_M_ID, kTextLimit, 1);
  CheckFieldLength(m_M_NAME, kTextLimit, 1);
  CheckFieldLength(m_M_PASSWORD, kTextLimit, 1);
}

int TBLUser::FormatWithKey(const char* format, CString& sql) const {
  CString key;
  if (!QuoteText(m_M_ID, key)) return 0;
  sql = Filled(format, {key.GetString()});
  return 1;
}

int TBLUser::Get() {
  CString clause;
  return FormatWithKey(kKeyClause, clause) ? ReadRowOfKey(*this, clause) : 0;
}

int TBLUser::Add() {
  FieldCheck();
  if (!InsertFields(kTable, Fields())) return 0;
  m_M_ID_OLD = m_M_ID;
  return 1;
}

int TBLUser::Update() {
  if (m_M_ID != m_M_ID_OLD) return 0;
  FieldCheck();
  CString sql;
  const bool keyQuoted = FormatWithKey(kKeySelect, sql);
  return WriteFields(keyQuoted, sql, Fields(), kKeyColumns);
}

int TBLUser::Delete() {
  CString sql;
  return FormatWithKey(kDelete, sql) && m_pDataBase->ExecuteSQL(sql) ? 1 : 0;
}

int TBLUser::CursorOpenCondition() { return OpenSelectOfConditions(kSelect, kSelectWithClause); }

int TBLUser::CursorOpenEx(const char* condition) { return OpenSelect(kSelect, kSelectWithClause, condition); }

int TBLUser::CursorGet() {
  Clear();
  if (!ReadFields(Fields())) {
    Clear();
    return 0;
  }
  m_M_ID_OLD = m_M_ID;
  return 1;
}

CString TBLUser::GetUniqueId(QnAdo* pDataBase) { return FirstFreeIdOfToday(pDataBase, kIdProbe); }

CString TBLUser::GetUserNameStringInDatabase(QnAdo* pDataBase, CString id) {
  CString result, pattern, condition;
  if (id.IsEmpty() || !pDataBase || !QuoteText(id, pattern)) return result;
  TBLUser user(pDataBase);
  condition = Filled(kIdPattern, {pattern.GetString()});
  user.AddCondition(condition);
  if (user.CursorOpenCondition() > 0 && user.CursorGet()) result = user.m_M_NAME + "(" + user.m_M_ID + ")";
  return result;
}
