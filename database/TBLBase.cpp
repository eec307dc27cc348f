#include "database/TBLBase.h"

#include "platform/AfxMessageBox.h"
#include "platform/_variant_t.h"
#include "qnutilex/DbRecordset.h"

TBLBase::TBLBase(QnAdo* pDataBase) : m_pDataBase(pDataBase) {}

TBLBase::TBLBase(const TBLBase& other) : m_pDataBase(other.m_pDataBase) {}

TBLBase& TBLBase::operator=(const TBLBase& /*other*/) { return *this; }

TBLBase::~TBLBase() = default;

int TBLBase::IsConnected() const { return m_pDataBase && m_pDataBase->IsConnected() ? 1 : 0; }

int TBLBase::CursorOpen(const char* sql, CursorTypeEnum cursorType, LockTypeEnum lockType) {
  if (!m_pDataBase->OpenRecordset(sql, cursorType, lockType)) return -1;
  return static_cast<int>(m_pDataBase->GetRecordCount());
}

int TBLBase::CursorCount() { return static_cast<int>(m_pDataBase->GetRecordCount()); }

int TBLBase::CursorMove() { return m_pDataBase->MoveNext(); }

void TBLBase::CursorClose() { m_pDataBase->CloseRecordset(); }

void TBLBase::AddCondition(const char* condition) { m_arrCondition.Add(condition); }

void TBLBase::ClearCondition() { m_arrCondition.RemoveAll(); }

CString TBLBase::GetConditionString(int having) {
  CString clause;
  if (m_arrCondition.IsEmpty()) return clause;
  clause = having ? "HAVING " : "WHERE ";
  for (INT_PTR index = 0; index < m_arrCondition.GetSize(); ++index) {
    clause += m_arrCondition[index];
    clause += " AND ";
  }
  return clause.Left(clause.GetLength() - 5);
}

int TBLBase::QuoteText(const CString& value, CString& quoted) {
  if (value.str().find('\0') != std::string::npos) return 0;
  quoted = value;
  quoted.Replace("'", "''");
  return 1;
}

CString TBLBase::Filled(const char* format, std::initializer_list<std::string_view> values) {
  const std::string_view pattern(format);
  std::string text;
  auto value = values.begin();
  std::size_t at = 0;
  for (std::size_t mark; value != values.end() && (mark = pattern.find("%s", at)) != std::string_view::npos; at = mark + 2) {
    text.append(pattern.substr(at, mark - at)).append(*value++);
  }
  return CString(text.append(pattern.substr(at)));
}

void TBLBase::ShowLastError() { AfxMessageBox(m_pDataBase->GetLastErrorString(), MB_ICONERROR); }

int TBLBase::OpenSelect(const char* plainSelect, const char* clauseSelect, const char* condition) {
  return CursorOpen(condition ? Filled(clauseSelect, {condition}) : CString(plainSelect), adOpenUnspecified,
                    adLockUnspecified);
}

int TBLBase::OpenSelectOfConditions(const char* plainSelect, const char* clauseSelect) {
  const CString clause = GetConditionString(0);
  return OpenSelect(plainSelect, clauseSelect, clause.IsEmpty() ? nullptr : clause.GetString());
}

int TBLBase::ReadFields(std::span<const TableField> fields) {
  for (const TableField& field : fields) {
    if (!field.Read(*m_pDataBase)) {
      ShowLastError();
      return 0;
    }
  }
  return 1;
}

int TBLBase::SetFields(std::span<const TableField> fields) {
  for (const TableField& field : fields) {
    if (!field.Write(*m_pDataBase)) return 0;
  }
  return 1;
}

int TBLBase::AbandonTransaction() {
  ShowLastError();
  m_pDataBase->Rollback();
  m_pDataBase->CloseRecordset();
  return 0;
}

int TBLBase::InsertFields(const char* table, std::span<const TableField> fields) {
  if (!m_pDataBase->OpenTable(table, adOpenDynamic, adLockOptimistic) || !m_pDataBase->BeginTrans()) {
    m_pDataBase->CloseRecordset();
    return 0;
  }
  if (!m_pDataBase->AddNew(vtMissing, vtMissing) || !SetFields(fields) || !m_pDataBase->Update(vtMissing, vtMissing) ||
      !m_pDataBase->CommitTrans()) {
    return AbandonTransaction();
  }
  m_pDataBase->CloseRecordset();
  return 1;
}

int TBLBase::WriteFields(bool keyQuoted, const CString& keySelect, std::span<const TableField> fields,
                         std::span<const char* const> keyColumns) {
  if (!keyQuoted || !m_pDataBase->OpenRecordset(keySelect, adOpenDynamic, adLockOptimistic) ||
      !m_pDataBase->MoveFirst() || !m_pDataBase->BeginTrans()) {
    m_pDataBase->CloseRecordset();
    return 0;
  }
  m_pDataBase->GetRecordset()->SetKeyColumns(std::vector<std::string>(keyColumns.begin(), keyColumns.end()));
  if (!SetFields(fields) || !m_pDataBase->Update(vtMissing, vtMissing) || !m_pDataBase->CommitTrans()) {
    return AbandonTransaction();
  }
  m_pDataBase->CloseRecordset();
  return 1;
}

namespace {

// The n-th candidate of the day that `day` ("YYYYMMDD-") begins: "%03d" of n after it.
CString Candidate(const CString& day, int number) {
  std::string digits = std::to_string(number);
  if (digits.size() < 3) digits.insert(0, 3 - digits.size(), '0');
  return day + digits.c_str();
}

}  // namespace

CString TBLBase::FirstFreeIdOfToday(QnAdo* db, const char* probeSelect) {
  CString candidate;
  if (!db || !db->IsConnected()) return candidate;
  const COleDateTime today = COleDateTime::GetCurrentTime();
  CString day;
  day.Format("%04d%02d%02d-", today.GetYear(), today.GetMonth(), today.GetDay());
  // A probe that fails for any reason ends the search too: the candidate is proposed unchecked.
  for (int number = 1;; ++number) {
    candidate = Candidate(day, number);
    if (!db->OpenRecordset(Filled(probeSelect, {candidate.GetString()}), adOpenUnspecified, adLockUnspecified)) break;
    db->CloseRecordset();
  }
  return candidate;
}
