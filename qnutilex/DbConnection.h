#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "platform/AfxExport.h"
#include "qnutilex/DbEngine.h"

// The connection object that copies of one QnAdo share: an engine that is open or closed.
// Closing it closes it for every copy. It keeps the nesting of transactions (QnAdo::BeginTrans),
// and the rows as the host last read them, for the opt-in check of QnAdo::SetCheckSinceRead.
class AFX_EXT_CLASS DbConnection {
 public:
  DbConnection() = default;
  DbConnection(const DbConnection&) = delete;
  DbConnection& operator=(const DbConnection&) = delete;
  virtual ~DbConnection() = default;

  // Closes what was open, then opens the engine that `uri` names (DbEngine::Open). False
  // with `error` set, and closed, when that fails.
  bool Open(std::string_view uri, std::string& error);
  void Close() { m_engine.reset(); }
  bool IsOpen() const { return m_engine != nullptr; }
  // The open engine, or null.
  DbEngine* Engine() const { return m_engine.get(); }

  // A transaction, or one nested in the open one (a savepoint). False with the engine's reason
  // in `error`; committing or rolling back when none is open fails too. Require an open engine.
  bool BeginTransaction(std::string& error);
  bool CommitTransaction(std::string& error);
  bool RollbackTransaction(std::string& error);

  // Whether edited rows are checked against the rows as last read (off: not remembered).
  void SetCheckSinceRead(bool on);
  bool IsCheckingSinceRead() const { return m_checkSinceRead; }
  // Remembers `values` as the row of `rowKey` (a table and its key values) as last read. At most
  // kRowsRemembered rows are kept; one more forgets all that were kept (they go unchecked).
  void RememberRow(const std::string& rowKey, std::vector<DbValue> values);
  void ForgetRow(const std::string& rowKey) { m_rowsRead.erase(rowKey); }
  // The row of `rowKey` as last read, or null when it was not read (or forgotten).
  const std::vector<DbValue>* RowAsRead(const std::string& rowKey) const;

  static constexpr std::size_t kRowsRemembered = 100000;

 private:
  // Runs `sql` on the engine; false with its reason in `error`.
  bool Run(const std::string& sql, std::string& error);
  // Whether the engine's transaction is open; when it is not (ended by the engine, or by a
  // statement of the host's own), no savepoint is either.
  bool TransactionOpen();
  std::string SavepointName() const;

  std::unique_ptr<DbEngine> m_engine;
  std::size_t m_savepoints = 0;  // transactions nested in the engine's open one
  bool m_checkSinceRead = false;
  std::unordered_map<std::string, std::vector<DbValue>> m_rowsRead;
};
