#include "qnutilex/DbRecordset.h"

DbRecordset::~DbRecordset() = default;

bool DbRecordset::Fail(std::string message) {
  m_lastError = std::move(message);
  return false;
}

bool DbRecordset::FailFromEngine() { return Fail(m_engine->LastError()); }

bool DbRecordset::Open(DbEngine& engine, std::string_view sql, DbConnection* sinceRead, bool forEditing) {
  Close();
  if (!engine.Query(sql, m_rows)) return Fail(engine.LastError());
  m_engine = &engine;
  m_rowsRead = true;
  if (sinceRead && forEditing) m_checkSinceRead = sinceRead;
  if (sinceRead && !forEditing) {
    m_checkSinceRead = sinceRead;
    RememberRows();
    m_checkSinceRead = nullptr;
  }
  return true;
}

std::string DbRecordset::RowKey(const std::string& table, const std::vector<std::string>& keyColumns,
                                std::size_t row) {
  std::string key = table;
  for (const std::string& column : keyColumns) {
    const DbValue value = m_rows.Value(row, static_cast<std::size_t>(m_rows.FindColumn(column)));
    key += '\x1f';
    key += static_cast<char>('0' + static_cast<int>(value.kind));
    key += value.kind == DbKind::kText ? value.text : std::to_string(value.integer) + "/" + std::to_string(value.real);
  }
  return key;
}

void DbRecordset::RememberRows() {
  // Only whole rows of one table with a declared key: a row is found again by its key, and
  // compared column for column with what an edit re-reads.
  const std::string& table = m_rows.SourceTable();
  DbEngine::TableInfo info;
  if (table.empty() || !m_engine->DescribeTable(table, info) || info.keyColumns.empty() ||
      info.columns.size() != m_rows.ColumnCount()) {
    return;
  }
  for (std::size_t row = 0; row < m_rows.RowCount(); ++row) {
    std::vector<DbValue> values;
    for (std::size_t column = 0; column < m_rows.ColumnCount(); ++column) values.push_back(m_rows.Value(row, column));
    m_checkSinceRead->RememberRow(RowKey(table, info.keyColumns, row), std::move(values));
  }
}

bool DbRecordset::IsAsLastRead(const std::string& rowKey) {
  const std::vector<DbValue>* asRead = m_checkSinceRead->RowAsRead(rowKey);
  if (!asRead || asRead->size() != m_rows.ColumnCount()) return true;  // not read before: nothing to compare
  for (std::size_t column = 0; column < m_rows.ColumnCount(); ++column) {
    if (!((*asRead)[column] == m_rows.Value(m_position, column))) return false;
  }
  return true;
}

bool DbRecordset::OpenTable(DbEngine& engine, std::string_view table) {
  Close();
  DbEngine::TableInfo info;
  if (!engine.DescribeTable(table, info)) return Fail(engine.LastError());
  m_rows.Reset(std::move(info.columns), std::string(table));
  m_table = table;
  m_engine = &engine;
  return true;
}

void DbRecordset::Close() {
  m_engine = nullptr;
  m_rows.Clear();
  m_table.clear();
  m_rowsRead = false;
  m_position = 0;
  m_keyColumns.clear();
  m_checkSinceRead = nullptr;
  EndEdit();
}

bool DbRecordset::EnsureRows() {
  if (!IsOpen()) return Fail("no recordset is open");
  if (m_rowsRead) return true;
  if (!m_engine->Query("SELECT * FROM " + DbEngine::QuoteIdentifier(m_table), m_rows)) return FailFromEngine();
  m_rowsRead = true;
  return true;
}

bool DbRecordset::IsBOF() { return !EnsureRows() || m_rows.RowCount() == 0; }

bool DbRecordset::IsEOF() { return !EnsureRows() || !HasCurrentRow(); }

long DbRecordset::GetRecordCount() { return EnsureRows() ? static_cast<long>(m_rows.RowCount()) : -1; }

bool DbRecordset::MoveFirst() {
  if (!EnsureRows()) return false;
  if (m_editMode != EditMode::kNone) return Fail("a row is being edited: store it with Update first");
  if (m_rows.RowCount() == 0) return Fail("the recordset has no rows");
  m_position = 0;
  return true;
}

bool DbRecordset::MoveNext() {
  if (!EnsureRows()) return false;
  if (m_editMode != EditMode::kNone) return Fail("a row is being edited: store it with Update first");
  if (!HasCurrentRow()) return Fail("there is no row after the last one");
  ++m_position;
  return true;
}

const DbCell* DbRecordset::NoCurrentRow() {
  Fail("there is no current row");
  return nullptr;
}

int DbRecordset::NoColumn(std::string_view name) {
  Fail("no column named " + std::string(name) + " in the recordset");
  return -1;
}

const std::string& DbRecordset::TableToWrite() const { return m_table.empty() ? m_rows.SourceTable() : m_table; }

bool DbRecordset::AddNew() {
  if (!IsOpen()) return Fail("no recordset is open");
  if (m_editMode != EditMode::kNone) return Fail("a row is being edited: store it with Update first");
  if (TableToWrite().empty()) return Fail("the rows do not come from one table, so none can be added");
  m_editMode = EditMode::kAdding;
  m_edits.assign(m_rows.ColumnCount(), DbValue::Null());
  m_edited.assign(m_rows.ColumnCount(), false);
  return true;
}

bool DbRecordset::SetField(std::string_view name, DbValue value) {
  if (!IsOpen()) return Fail("no recordset is open");
  const int column = Column(name);
  if (column < 0) return false;
  if (m_editMode == EditMode::kNone) {
    if (!EnsureRows()) return false;
    if (!HasCurrentRow()) return Fail("there is no current row");
    m_editMode = EditMode::kEditing;
    m_edits.assign(m_rows.ColumnCount(), DbValue::Null());
    m_edited.assign(m_rows.ColumnCount(), false);
  }
  m_edits[static_cast<std::size_t>(column)] = std::move(value);
  m_edited[static_cast<std::size_t>(column)] = true;
  return true;
}

bool DbRecordset::Update() {
  if (!IsOpen()) return Fail("no recordset is open");
  switch (m_editMode) {
    case EditMode::kAdding:
      return InsertNewRow();
    case EditMode::kEditing:
      return WriteBackEditedRow();
    case EditMode::kNone:
      break;
  }
  return true;  // nothing was changed, so nothing needs storing
}

bool DbRecordset::InsertNewRow() {
  std::vector<std::string> columns;
  std::vector<DbValue> values;
  for (std::size_t column = 0; column < m_edits.size(); ++column) {
    if (!m_edited[column]) continue;
    columns.push_back(m_rows.ColumnName(column));
    values.push_back(m_edits[column]);
  }
  if (!m_engine->InsertRow(TableToWrite(), columns, values)) return FailFromEngine();
  if (m_rowsRead) {
    m_rows.AppendRow(m_edits);
    m_position = m_rows.RowCount() - 1;
  }
  EndEdit();
  return true;
}

bool DbRecordset::WriteBackEditedRow() {
  const std::string& table = TableToWrite();
  DbEngine::TableInfo info;
  if (table.empty()) return Fail("the rows do not come from one table, so none can be written back");
  if (m_keyColumns.empty() && !m_engine->DescribeTable(table, info)) return FailFromEngine();
  const std::vector<std::string>& keyColumns = m_keyColumns.empty() ? info.keyColumns : m_keyColumns;
  if (keyColumns.empty()) return Fail("the table " + table + " has no primary key, so no row can be written back");
  for (const std::string& key : keyColumns) {
    if (m_rows.FindColumn(key) < 0) return Fail("the rows lack the key column " + key + " of " + table);
  }
  // Under the check since read, the row must still be what the host read before this edit.
  std::string rowKey;
  if (m_checkSinceRead) {
    DbEngine::TableInfo declared;
    if (m_engine->DescribeTable(table, declared) && !declared.keyColumns.empty()) {
      rowKey = RowKey(table, declared.keyColumns, m_position);
      if (!IsAsLastRead(rowKey)) {
        return Fail("the row was changed by another connection since this connection read it; it was not written");
      }
    }
  }
  // The row is found by every value read, the key among them: if another connection changed
  // or deleted it since, nothing matches and nothing is overwritten.
  std::vector<std::string> columns, matchColumns;
  std::vector<DbValue> values, matchValues, stored;
  for (std::size_t column = 0; column < m_rows.ColumnCount(); ++column) {
    matchColumns.push_back(m_rows.ColumnName(column));
    matchValues.push_back(m_rows.Value(m_position, column));
    stored.push_back(m_edited[column] ? m_edits[column] : matchValues.back());
    if (!m_edited[column]) continue;
    columns.push_back(m_rows.ColumnName(column));
    values.push_back(m_edits[column]);
  }
  long changed = 0;
  if (!m_engine->UpdateRows(table, columns, values, matchColumns, matchValues, changed)) return FailFromEngine();
  if (changed == 0) {
    return Fail("the row was changed or deleted by another connection since it was read; it was not written");
  }
  if (changed > 1) {
    return Fail("the key of the row matches " + std::to_string(changed) + " rows of " + table +
                ", so it does not name one row");
  }
  m_rows.ReplaceRow(m_position, stored);
  // What was written may read back in another form (a date's text): the row counts as unread
  // until the host reads it again.
  if (!rowKey.empty()) m_checkSinceRead->ForgetRow(rowKey);
  EndEdit();
  return true;
}

void DbRecordset::EndEdit() {
  m_editMode = EditMode::kNone;
  m_edits.clear();
  m_edited.clear();
}
