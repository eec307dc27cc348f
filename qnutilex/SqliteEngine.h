#pragma once

#include <array>
#include <map>
#include <string>
#include <unordered_map>

#include "qnutilex/DbEngine.h"

struct sqlite3;
struct sqlite3_stmt;

// The embedded engine: one database file, opened with a write-ahead log (readers never wait
// for a writer), durable commits (synchronous=FULL: a committed transaction survives a power
// cut) and a busy timeout, so that a writer waits for another process's lock before it fails.
// Statements are prepared once per text and kept, since the tables repeat theirs.
class SqliteEngine : public DbEngine {
 public:
  // How long a statement waits for another connection's lock before it fails.
  static constexpr int kBusyTimeoutMs = 5000;

  SqliteEngine() = default;
  ~SqliteEngine() override;

  // Opens the existing database at `path` (":memory:" for a private one) and applies the
  // settings above. False with LastError() set when it cannot be opened or set up.
  bool Open(const std::string& path);

  bool Query(std::string_view sql, DbRows& rows) override;
  bool Execute(std::string_view sql, long& changed) override;
  bool InsertRow(std::string_view table, std::span<const std::string> columns,
                 std::span<const DbValue> values) override;
  bool UpdateRows(std::string_view table, std::span<const std::string> columns, std::span<const DbValue> values,
                  std::span<const std::string> matchColumns, std::span<const DbValue> matchValues,
                  long& changed) override;
  bool DescribeTable(std::string_view table, TableInfo& info) override;
  bool InTransaction() const override;
  void SetTrace(std::function<void(std::string_view sql)> observer) override;
  const std::string& LastError() const override { return m_lastError; }

 private:
  // A prepared statement for the first statement of `sql`, `rest` set to what follows it; null
  // on failure. The cache keeps a lone statement from the second time its text is prepared;
  // any other is `owned` by the caller, who finalizes it.
  sqlite3_stmt* Prepare(std::string_view sql, std::string_view& rest, bool& owned);
  // Whether `sql` was prepared before (and remembered); remembers it.
  bool SeenBefore(std::string_view sql);
  bool Fail();  // takes the connection's message; returns false
  bool Fail(std::string message);
  bool RunScript(std::string_view sql);
  // All rows of a prepared statement; the statement is reset after.
  bool Fetch(sqlite3_stmt* statement, DbRows& rows);
  // All rows of one statement of the engine's own (a pragma), read-only or not.
  bool FetchOne(const std::string& sql, DbRows& rows);
  // Runs one statement whose `?` parameters take `parameters` in order.
  bool RunBound(const std::string& sql, std::span<const DbValue> parameters, long& changed);
  bool Bind(sqlite3_stmt* statement, std::span<const DbValue> parameters);
  bool StepToEnd(sqlite3_stmt* statement);
  static DbCell ColumnCell(sqlite3_stmt* statement, int column);

  sqlite3* m_db = nullptr;
  struct TextHash {
    using is_transparent = void;
    std::size_t operator()(std::string_view text) const { return std::hash<std::string_view>{}(text); }
  };
  std::unordered_map<std::string, sqlite3_stmt*, TextHash, std::equal_to<>> m_statements;
  std::array<std::size_t, 1024> m_seenTexts{};  // hashes of texts prepared once
  std::vector<DbCell> m_rowCells;  // the row being fetched, viewing the statement's values
  std::map<std::string, TableInfo, std::less<>> m_tables;
  std::string m_lastError;
  std::function<void(std::string_view sql)> m_trace;
};
