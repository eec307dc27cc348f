#include "registry/DatabaseCopy.h"

#include "database/PatientColumns.h"
#include "database/StudyColumns.h"
#include "database/TBLPatient.h"
#include "database/TBLStudy.h"
#include "database/TBLUser.h"
#include "database/UserColumns.h"

namespace {

// Each table's column list and the key that names a row in the list of refused ones.
auto Fields(TBLPatient& row) { return PatientColumns::Fields(row); }
auto Fields(TBLStudy& row) { return StudyColumns::Fields(row); }
auto Fields(TBLUser& row) { return UserColumns::Fields(row); }

std::string Key(const TBLPatient& row) { return row.m_P_ID.GetString(); }
std::string Key(const TBLStudy& row) { return std::string(row.m_S_ID.GetString()) + " " + row.m_S_STUDY_ID.GetString(); }
std::string Key(const TBLUser& row) { return row.m_M_ID.GetString(); }

template <class Row>
bool SameContent(Row& a, Row& b) {
  const auto mine = Fields(a), theirs = Fields(b);
  for (std::size_t column = 0; column < mine.size(); ++column) {
    if (!mine[column].SameValue(theirs[column])) return false;
  }
  return true;
}

}  // namespace

bool DatabaseCopy::Fail(const std::string& what, QnAdo& db) {
  m_error = what + ": " + db.GetLastErrorString().GetString();
  return false;
}

template <class Row>
bool DatabaseCopy::ReadAll(std::vector<Row>& rows) {
  Row source(&m_from);
  const int count = source.CursorOpenCondition();
  // -1 is also an empty table; only a failed query leaves no recordset open.
  if (count < 0 && !m_from.IsRecordsetOpened()) return Fail("the rows could not be read", m_from);
  for (int index = 0; index < count; ++index) {
    if (!source.CursorGet()) return Fail("a row could not be read", m_from);
    rows.push_back(source);
    source.CursorMove();
  }
  source.CursorClose();
  return true;
}

template <class Row>
bool DatabaseCopy::Insert(const char* table, Row& row) {
  if (!m_to.OpenTable(table, adOpenDynamic, adLockOptimistic) || !m_to.AddNew()) return false;
  for (const TableField& field : Fields(row)) {
    if (!field.Write(m_to)) return false;
  }
  const bool stored = m_to.Update();
  m_to.CloseRecordset();
  return stored;
}

template <class Row>
bool DatabaseCopy::CopyTable(const char* table) {
  std::vector<Row> rows;
  if (!ReadAll(rows)) return false;
  for (Row& row : rows) {
    Row stored(&m_to);
    stored = row;
    if (!stored.Get()) {
      if (!Insert(table, row)) return Fail(std::string("cannot add ") + table + " " + Key(row), m_to);
      ++m_added;
    } else if (SameContent(row, stored)) {
      ++m_skipped;
    } else {
      m_conflicts.push_back(std::string(table) + " " + Key(row));
    }
  }
  return true;
}

bool DatabaseCopy::Run() {
  m_added = m_skipped = 0;
  m_conflicts.clear();
  m_error.clear();
  if (!m_to.BeginTrans()) return Fail("cannot start the transaction", m_to);
  const bool copied = CopyTable<TBLPatient>("TBLPatient") && CopyTable<TBLStudy>("TBLStudy") &&
                      CopyTable<TBLUser>("TBLUser");
  if (!copied || !m_conflicts.empty()) {
    m_to.Rollback();
    m_added = 0;
    return false;
  }
  if (!m_to.CommitTrans()) return Fail("cannot commit the copy", m_to);
  return true;
}
