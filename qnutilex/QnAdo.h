#pragma once

#include <memory>

#include "platform/AdoEnums.h"
#include "platform/AfxExport.h"
#include "platform/COleDateTime.h"
#include "platform/CString.h"
#include "platform/_variant_t.h"

class DbConnection;
class DbCommand;
class DbRecordset;

// A database connection in ADO's shape: a connection, a command and at most one current
// recordset (a client-side cursor: every row read at the open, the count known at once), plus
// the text of the last failure. The host connects it and hands it to the table objects, which
// share its one recordset. A copy shares the three objects and copies the error text.
//
// Engines: Connect("sqlite:PATH") opens an existing SQLite database file (write-ahead log,
// durable commits, a few seconds' wait for another process's lock). Texts are stored as UTF-8,
// converted from and to the process code page; dates as "YYYY-MM-DD HH:MM:SS.SSS", a null date
// as NULL (qnutilex/DbFieldValue.h has every rule). Column names match with ASCII case ignored.
//
// Results: 1 for success and 0 for failure, which leaves the reason in GetLastErrorString().
class AFX_EXT_CLASS QnAdo {
 public:
  QnAdo();
  QnAdo(const QnAdo& other);
  QnAdo& operator=(const QnAdo& other);
  virtual ~QnAdo();

  // Closes the connection (for every copy), then opens the database that `uri` names.
  int Connect(const char* uri);
  // Closes the recordset and the connection; harmless when not connected.
  void Disconnect();

  int IsConnected() const;
  int IsRecordsetOpened() const;
  int IsCommandCreated() const;
  // Past the last row (or no row, or no recordset).
  int IsEOF() const;
  // Before the first row: only when there is no row (or no recordset).
  int IsBOF() const;
  CString GetLastErrorString() const { return m_strLastError; }
  DbConnection* GetConnection() const { return m_pConnection.get(); }
  DbCommand* GetCommand() const { return m_pCommand.get(); }
  DbRecordset* GetRecordset() const { return m_pRecordset.get(); }

  // Makes the whole `table` the current recordset, ready for AddNew (its rows are read only
  // when asked for). The cursor and lock types are accepted and change nothing.
  int OpenTable(const char* table, CursorTypeEnum cursorType = adOpenDynamic,
                LockTypeEnum lockType = adLockOptimistic);
  // Makes the result of one reading statement the current recordset; 1 only when it ran and
  // gave at least one row. An open replaces the recordset that was open.
  int OpenRecordset(const char* sql, CursorTypeEnum cursorType = adOpenUnspecified,
                    LockTypeEnum lockType = adLockUnspecified);
  // Rows of the current recordset; -1 without one.
  long GetRecordCount();
  int MoveFirst();
  int MoveNext();
  // Closes the current recordset, dropping an unstored edit; 1 also when none was open.
  int CloseRecordset();

  // Transactions nest, as ADO's do where the provider allows it. BeginTrans with none open
  // starts one; inside an open one (the host's, or another row operation's) it starts one nested
  // in it. A nested transaction's CommitTrans keeps its work within the enclosing one, stored
  // when the outermost commits; its Rollback undoes its own work only and leaves the enclosing
  // one open. So a row class's Add or Update inside a host's transaction joins it: the host's
  // Rollback undoes that row too, and a row that fails undoes only itself. CommitTrans and
  // Rollback fail when no transaction is open; a server's transaction in which a statement
  // failed cannot be committed, only rolled back. The copies of a connection share them.
  int BeginTrans();
  int CommitTrans();
  int Rollback();

  // Starts a new row in the current recordset. Field and value lists are not supported:
  // both arguments must be vtMissing.
  int AddNew(const _variant_t& fields = vtMissing, const _variant_t& values = vtMissing);
  // Stores the new row (an insert into the recordset's table) or the edited current row
  // (written back by the table's key only if nobody changed the row since it was read).
  int Update(const _variant_t& fields = vtMissing, const _variant_t& values = vtMissing);

  // Sets a column of the new or current row; 0 when the value cannot be stored (a text
  // invalid in the process code page, an invalid date, a number that is not finite).
  int SetFieldValue(const char* name, long value);
  int SetFieldValue(const char* name, double value);
  int SetFieldValue(const char* name, const COleDateTime& value);
  int SetFieldValue(const char* name, const CString& value);
  // Reads a column of the current row; on failure `value` is unchanged.
  int GetFieldValue(const char* name, long& value);
  int GetFieldValue(const char* name, double& value);
  int GetFieldValue(const char* name, COleDateTime& value);
  int GetFieldValue(const char* name, CString& value);

  // Runs statements that give no rows (several, separated by semicolons, run in order).
  int ExecuteSQL(const char* sql);

  // Lost updates between stations. By default an edited row is written back only while it
  // still holds what the edit's own open read, a moment before the write: a change that
  // another station made between the host's Get and its Update is overwritten without a word.
  // With the check on (for stations that share a database), the connection remembers every row
  // of a table with a declared key as a reading open (adLockUnspecified, adLockReadOnly) read
  // it, and Update of an edit open (adLockOptimistic) fails with "the row was changed by another
  // connection since this connection read it; it was not written" when the stored row differs
  // from that. A row not read before, or forgotten (beyond DbConnection::kRowsRemembered rows,
  // or after this connection's own write), is written as by default. Shared by every copy;
  // turning it off forgets the rows.
  void SetCheckSinceRead(int on);
  int IsCheckingSinceRead() const;

  // The value that `date` reads back as once stored: dates are kept to the millisecond, so a
  // finer fraction is rounded. Null and invalid dates are returned as they are. A row class
  // settles its date members on this when it writes them, so that what it holds is what the
  // database holds.
  static COleDateTime StoredDate(const COleDateTime& date);

 private:
  template <typename Value>
  int SetField(const char* name, const Value& value);
  template <typename Value>
  int GetField(const char* name, Value& value);
  // Begins, commits or rolls back on the connection: 1, or 0 with the reason.
  int Transaction(bool (DbConnection::*step)(std::string& error));
  // 1 when connected; otherwise 0 with the reason as the last error.
  int RequireConnection();
  int RequireRecordset();
  int Fail(const std::string& utf8Message);
  int FailAt(std::string_view column, const std::string& error);  // "column: error"
  int Succeed(bool done);  // 1, or 0 with the recordset's reason

  std::shared_ptr<DbConnection> m_pConnection;
  std::shared_ptr<DbCommand> m_pCommand;
  std::shared_ptr<DbRecordset> m_pRecordset;
  CString m_strLastError;
};
