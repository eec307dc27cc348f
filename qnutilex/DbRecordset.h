#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/AfxExport.h"
#include "qnutilex/DbCell.h"
#include "qnutilex/DbConnection.h"
#include "qnutilex/DbEngine.h"
#include "qnutilex/DbRows.h"
#include "qnutilex/DbValue.h"

// The recordset of a QnAdo, kept on the client as ADO's client-side cursor: an open reads
// every row of the result, so the count is known at once and the rows no longer depend on the
// database. A new row (AddNew, Update) is inserted into the table the rows come from; an edited
// row (Update without AddNew) is written back by the table's key with optimistic concurrency:
// only while the stored row still holds every value that was read, so a row changed or deleted
// meanwhile by another connection is never overwritten. The key is the one that the caller
// names (SetKeyColumns), else the table's declared primary key.
//
// Every operation that can fail returns false and leaves the reason in LastError(). The
// engine given to an open must stay open until Close().
class AFX_EXT_CLASS DbRecordset {
 public:
  DbRecordset() = default;
  DbRecordset(const DbRecordset&) = delete;
  DbRecordset& operator=(const DbRecordset&) = delete;
  // Defined in its own library, so that the class's type information lives there alone: a
  // module that includes this header must not carry a copy that the library then binds to
  // (it would keep that module loaded after it is unloaded).
  virtual ~DbRecordset();

  // Closes what was open, then reads the rows of `sql`; positioned on the first row. With
  // `sinceRead` (the connection, when it checks rows since they were read) a reading open
  // remembers the rows of a whole table row by row; an open `forEditing` instead refuses to
  // write back a row whose stored values differ from the ones remembered.
  bool Open(DbEngine& engine, std::string_view sql, DbConnection* sinceRead = nullptr, bool forEditing = false);
  // Closes what was open, then opens the whole of `table`, whose rows are read when first
  // needed: a recordset opened only to add rows never reads the table. Read after an add, they
  // are the table's rows then, the added ones among them, the first current.
  bool OpenTable(DbEngine& engine, std::string_view table);
  // Drops the rows and any edit in progress; harmless when closed.
  void Close();

  bool IsOpen() const { return m_engine != nullptr; }
  // Before the first row, or past the last (both when there is no row); true when closed.
  bool IsBOF();
  bool IsEOF();
  // The number of rows, or -1 when closed or the rows cannot be read.
  long GetRecordCount();
  bool MoveFirst();
  bool MoveNext();

  // The value of the current row at column `name` (ASCII case ignored), or null with the
  // reason; it and what it views stay valid until the recordset is read or changed again.
  // `dates` as for DbRows::Cell.
  const DbCell* Field(std::string_view name, DbRows::DateForm dates = DbRows::DateForm::kText) {
    if (!m_rowsRead && !EnsureRows()) return nullptr;
    const int column = Column(name);
    if (column < 0) return nullptr;
    if (!HasCurrentRow()) return NoCurrentRow();
    return &m_rows.CellAt(m_position, static_cast<std::size_t>(column), dates);
  }

  // Starts a new row; SetField and Update fill and store it.
  bool AddNew();
  // Sets column `name` of the new row, or of the current row (which starts editing it).
  bool SetField(std::string_view name, DbValue value);
  // Stores the new or edited row. The recordset then holds it as stored, current (unless the
  // rows of an OpenTable were not read yet: see there).
  bool Update();
  // Names the columns that identify a row of the recordset's table, for a table whose database
  // declares no primary key (or another one). Write-back then requires these columns in the
  // rows and fails when more than one stored row matches, so the caller's transaction can undo
  // it. Kept until the recordset is closed or opened again.
  void SetKeyColumns(std::vector<std::string> keyColumns) { m_keyColumns = std::move(keyColumns); }

  const std::string& LastError() const { return m_lastError; }

 private:
  enum class EditMode { kNone, kAdding, kEditing };

  bool Fail(std::string message);
  bool FailFromEngine();
  // Reads the rows of a table opened by OpenTable, once.
  bool EnsureRows();
  bool HasCurrentRow() const { return m_position < m_rows.RowCount(); }
  // The index of column `name`, or -1 with the reason.
  int Column(std::string_view name) {
    const int column = m_rows.FindColumn(name);
    return column >= 0 ? column : NoColumn(name);
  }
  int NoColumn(std::string_view name);
  const DbCell* NoCurrentRow();
  const std::string& TableToWrite() const;
  bool InsertNewRow();
  bool WriteBackEditedRow();
  // "table\x1f" and the row's values of `keyColumns`: the name of a row among those remembered.
  std::string RowKey(const std::string& table, const std::vector<std::string>& keyColumns, std::size_t row);
  void RememberRows();
  // False when the check is on and the current row differs from the row as last read.
  bool IsAsLastRead(const std::string& rowKey);
  void EndEdit();

  DbEngine* m_engine = nullptr;
  DbRows m_rows;
  std::string m_table;        // the table of OpenTable
  bool m_rowsRead = false;    // false while a table's rows are not read yet
  std::size_t m_position = 0;
  EditMode m_editMode = EditMode::kNone;
  std::vector<DbValue> m_edits;  // one per column
  std::vector<bool> m_edited;    // which columns were set
  std::vector<std::string> m_keyColumns;  // from SetKeyColumns; empty: the declared key
  DbConnection* m_checkSinceRead = nullptr;  // set on an open for editing under the check
  std::string m_lastError;
};
