#pragma once

#include <functional>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/AfxExport.h"
#include "qnutilex/DbRows.h"
#include "qnutilex/DbValue.h"

// One open connection to a database engine: the little that the database component needs of
// an SQL engine. Statements, names and texts are UTF-8.
// Every operation returns false on failure and leaves the engine's own message in LastError().
// An engine is used by one thread at a time.
class AFX_EXT_CLASS DbEngine {
 public:
  // A table's columns in their order and the columns of its primary key.
  struct TableInfo {
    std::vector<std::string> columns;
    std::vector<std::string> keyColumns;
  };

  DbEngine() = default;
  DbEngine(const DbEngine&) = delete;
  DbEngine& operator=(const DbEngine&) = delete;
  virtual ~DbEngine() = default;

  // Opens the engine that `uri` names: "sqlite:PATH" (an existing database file, or
  // ":memory:"), or a PostgreSQL server by libpq's connection string (a postgresql:// URI or
  // key=value pairs). Null with `error` set, never showing a password, when the URI names no
  // engine or the open fails.
  static std::unique_ptr<DbEngine> Open(std::string_view uri, std::string& error);

  // Runs one statement that only reads and puts all its rows into `rows`, with the result's
  // column names and, when every column comes from one table, that table's name. More than one
  // statement, or one that would write, is refused. On failure `rows` is left empty.
  virtual bool Query(std::string_view sql, DbRows& rows) = 0;
  // Runs the statements of `sql` in order up to the first failure; `changed` is the number of
  // rows that they wrote.
  virtual bool Execute(std::string_view sql, long& changed) = 0;
  // Inserts one row into `table`: `values[i]` into column `columns[i]`, the other columns
  // take their defaults.
  virtual bool InsertRow(std::string_view table, std::span<const std::string> columns,
                         std::span<const DbValue> values) = 0;
  // Sets `columns` to `values` in the rows of `table` whose `matchColumns` hold exactly
  // `matchValues` (NULL matching NULL); `changed` is how many rows that was.
  virtual bool UpdateRows(std::string_view table, std::span<const std::string> columns,
                          std::span<const DbValue> values, std::span<const std::string> matchColumns,
                          std::span<const DbValue> matchValues, long& changed) = 0;
  // The columns and primary key of `table`; false when there is no such table.
  virtual bool DescribeTable(std::string_view table, TableInfo& info) = 0;
  // Whether a transaction is open: begun and not yet committed or rolled back (by a statement,
  // or by the engine itself after a fault).
  virtual bool InTransaction() const = 0;

  // Calls `observer` with the text of every statement as it starts to run (null stops it):
  // what a host logs to see the SQL that the tables send.
  virtual void SetTrace(std::function<void(std::string_view sql)> observer) = 0;

  // `name` as a standard SQL identifier: between double quotes, each double quote doubled.
  static std::string QuoteIdentifier(std::string_view name);

  // The message of the last failure, in the engine's own words.
  virtual const std::string& LastError() const = 0;
};
