#pragma once

#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include "qnutilex/DbEngine.h"
#include "qnutilex/PasswordMask.h"

struct pg_conn;
struct pg_result;

// The server engine: a PostgreSQL database that a ward's stations share, reached through libpq
// with libpq's own connection strings (URIs or key=value lists). A connect waits at most ten
// seconds unless the string sets connect_timeout; the session then speaks UTF-8, shows dates in
// ISO form and keeps backslashes in literals as they are (standard_conforming_strings).
//
// Round trips: a query is one (its read-only guard travels in the same pipeline), an insert or
// an update one, and BEGIN travels with the statement after it, so that adding a row in a
// transaction costs two and writing one back three. A table's columns and key are asked once;
// its insert and update statements, the guards and BEGIN are parsed and planned once on each
// connection and then run by name.
// A lost connection (a server stopped or killed) fails the operation at once with libpq's
// reason; Connect again to go on.
class PostgresEngine : public DbEngine {
 public:
  // How long a connect waits for a server that does not answer, unless the string says.
  static constexpr int kConnectTimeoutSeconds = 10;

  PostgresEngine() = default;
  ~PostgresEngine() override;

  // Connects with `conninfo`. False with LastError() set (never showing a password) on failure.
  bool Open(const std::string& conninfo);

  bool Query(std::string_view sql, DbRows& rows) override;
  bool Execute(std::string_view sql, long& changed) override;
  bool InsertRow(std::string_view table, std::span<const std::string> columns,
                 std::span<const DbValue> values) override;
  bool UpdateRows(std::string_view table, std::span<const std::string> columns, std::span<const DbValue> values,
                  std::span<const std::string> matchColumns, std::span<const DbValue> matchValues,
                  long& changed) override;
  bool DescribeTable(std::string_view table, TableInfo& info) override;
  // Also while the BEGIN waits to travel with the next statement.
  bool InTransaction() const override;
  void SetTrace(std::function<void(std::string_view sql)> observer) override { m_trace = std::move(observer); }
  const std::string& LastError() const override { return m_lastError; }

  // True when `uri` is for this engine: a postgresql:// or postgres:// URI, or key=value pairs
  // (never a sqlite: one, whose path may hold an equals sign).
  static bool Claims(std::string_view uri);

 private:
  // One statement of a pipeline: its text and parameters; rows go to `rows` when it has them.
  struct Step {
    std::string sql;
    std::vector<DbValue> parameters;
    DbRows* rows = nullptr;
    bool own = false;     // the engine's own (a guard, a catalog lookup): not traced
    bool reused = false;  // a text that runs again and again: prepared once, then run by name
    std::string preparing = {};  // set while sending: the name it is being prepared under
  };
  // A guard of the engine's own around a cursor's statement.
  static Step Guard(std::string sql) { return {std::move(sql), {}, nullptr, true, true}; }
  struct Described {
    TableInfo info;
    std::string quotedName;  // schema and table, each quoted
  };

  bool Fail(std::string message);
  bool FailFromConnection();
  void Trace(std::string_view sql) const;
  // Runs `steps` in one round trip, after a BEGIN held back; false at the first failure.
  // `changed` is the row count of the last step.
  bool RunPipeline(std::vector<Step> steps, long& changed);
  bool SendStep(Step& step);
  // The name `sql` is prepared under, or null; and a name to prepare a text under now, or empty
  // when the connection has given out all it may (the text then runs unnamed).
  const std::string* PreparedName(const std::string& sql) const;
  std::string NewPreparedName();
  // Reads the results of one step; false with the server's reason when it failed.
  bool ReceiveStep(const Step& step, long& changed, bool& failed);
  // Reads the result of preparing a step's statement, and keeps its name when it was prepared.
  bool ReceivePrepared(const Step& step, bool& failed);
  // Marks `failed` with the error of a result that failed (not one skipped after a failure).
  void NoteFailure(pg_result* result, bool& failed);
  // Frees `result`; false, with `failed` marked, once the connection is lost.
  bool Release(pg_result* result, bool& failed);
  bool ReceiveRow(pg_result* result, DbRows& rows);
  // A table's columns, key and quoted name, from the cache or the catalog.
  const Described* Describe(std::string_view table);
  // The name of the table with catalog id `oid`, or empty; cached.
  std::string TableName(unsigned oid);
  bool ExecuteNow(const std::string& sql, long& changed);
  // Whether the server has a transaction open (not counting a BEGIN held back).
  bool ServerInTransaction() const;

  pg_conn* m_conn = nullptr;
  bool m_beginHeld = false;  // a BEGIN not sent yet: it goes with the next statement
  std::map<std::string, Described, std::less<>> m_tables;
  std::map<unsigned, std::string> m_tableNames;
  std::map<std::string, std::string, std::less<>> m_prepared;  // statement text -> its name
  std::size_t m_namesGiven = 0;
  std::vector<DbCell> m_rowCells;  // the row being received, viewing libpq's result
  unsigned m_pendingSourceTable = 0;  // catalog id of the one table a query's rows came from
  std::string m_lastError;
  PasswordMask m_passwordMask;  // applied to every error text
  std::function<void(std::string_view sql)> m_trace;
};
