#pragma once

#include <initializer_list>
#include <span>
#include <string_view>

#include "platform/AdoEnums.h"
#include "platform/AfxExport.h"
#include "platform/CString.h"
#include "platform/CStringArray.h"
#include "database/TableField.h"
#include "qnutilex/QnAdo.h"

// The base of every row class: the host's connection (not owned, never closed here) and the
// list of condition texts that a listing is filtered by. The cursor operations work on the
// connection's one current recordset and require the connection to be set.
//
// The row classes share one contract: an object is one row, with a public member per column;
// Get, Add, Update and Delete work on the row of its key; a listing is AddCondition for each
// condition, CursorOpenCondition (or CursorOpenEx) giving the row count n, n times CursorGet
// and CursorMove, then CursorClose. The only message shown is the connection's last error, in
// an error-icon message box, when a row cannot be read or a transaction fails.
class AFX_EXT_CLASS TBLBase {
 public:
  TBLBase(QnAdo* pDataBase = nullptr);  // NOLINT: implicit, as the row classes' own
  // The same connection, no conditions: conditions belong to the object, not to its row.
  TBLBase(const TBLBase& other);
  // Copies nothing: the connection and the conditions stay the object's own.
  TBLBase& operator=(const TBLBase& other);
  virtual ~TBLBase();

  void SetDataBase(QnAdo* pDataBase) { m_pDataBase = pDataBase; }
  QnAdo* GetDataBase() const { return m_pDataBase; }
  // 1 when a connection is set and connected.
  int IsConnected() const;

  // Opens `sql` as the current recordset: its row count, or -1 when it failed or gave no row.
  int CursorOpen(const char* sql, CursorTypeEnum cursorType, LockTypeEnum lockType);
  int CursorCount();
  int CursorMove();
  void CursorClose();

  void AddCondition(const char* condition);
  void ClearCondition();
  // "" without conditions, else "WHERE " (having 0) or "HAVING " followed by the conditions
  // joined with " AND ", unbracketed.
  CString GetConditionString(int having);

  QnAdo* m_pDataBase;
  CStringArray m_arrCondition;

 protected:
  // `value` ready to stand between single quotes in a statement: each quote doubled. 0 for a
  // value with a zero byte, which a statement would cut short, so that it named another key.
  static int QuoteText(const CString& value, CString& quoted);
  // One of the tables' statement texts with each "%s" in turn replaced by the next of `values`
  // (without printf: a text is built for every row that a host reads or writes).
  static CString Filled(const char* format, std::initializer_list<std::string_view> values);
  // The connection's last error in an error-icon message box.
  void ShowLastError();

  // CursorOpenEx: `plainSelect` for a null condition, else `clauseSelect` with it.
  int OpenSelect(const char* plainSelect, const char* clauseSelect, const char* condition);
  // CursorOpenCondition: the condition list as a WHERE clause, or the plain SELECT without one.
  int OpenSelectOfConditions(const char* plainSelect, const char* clauseSelect);
  // CursorGet's reading: each field in order; at the first failure the message and 0.
  int ReadFields(std::span<const TableField> fields);
  // Add from OpenTable on: inserts `fields` into `table` in a transaction; 1 or 0.
  int InsertFields(const char* table, std::span<const TableField> fields);
  // Update from the key SELECT on: writes `fields` over the row that `keySelect` reads, found
  // by the table's `keyColumns` whether or not the database declares them. `keyQuoted` false
  // (the key cannot stand in a statement) gives 0 at once. The recordset is closed on every path.
  int WriteFields(bool keyQuoted, const CString& keySelect, std::span<const TableField> fields,
                  std::span<const char* const> keyColumns);

  // GetUniqueId: the first "YYYYMMDD-NNN" of today (n from 1, "%03d") that `probeSelect`,
  // filled with it, finds no row for; "" without a connected database.
  static CString FirstFreeIdOfToday(QnAdo* db, const char* probeSelect);

  // Get: opens `row`'s SELECT with `keyClause`; with a row, reads it and closes.
  template <class Row>
  static int ReadRowOfKey(Row& row, const CString& keyClause) {
    if (row.CursorOpenEx(keyClause) <= 0) return 0;
    const int result = row.CursorGet();
    row.CursorClose();
    return result;
  }

 private:
  int SetFields(std::span<const TableField> fields);
  // The failure inside a transaction: the message, then Rollback.
  int AbandonTransaction();
};
