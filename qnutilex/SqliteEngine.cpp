#include "qnutilex/SqliteEngine.h"

#include <sqlite3.h>

#include <algorithm>

namespace {

// Statements of one connection kept prepared; beyond this the cache starts afresh.
constexpr std::size_t kStatementCacheSize = 64;


bool IsBlank(std::string_view text) {
  return std::all_of(text.begin(), text.end(), [](char ch) { return ch == ' ' || (ch >= '\t' && ch <= '\r'); });
}

}  // namespace

SqliteEngine::~SqliteEngine() {
  for (auto& [text, statement] : m_statements) sqlite3_finalize(statement);
  sqlite3_close_v2(m_db);
}

bool SqliteEngine::Open(const std::string& path) {
  // The caller keeps a connection to one thread at a time, so SQLite's own mutexes are not
  // needed. The file must exist: creating the database is the schema's job, not a connect's.
  if (sqlite3_open_v2(path.c_str(), &m_db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, nullptr) != SQLITE_OK) {
    return m_db ? Fail() : Fail("out of memory");
  }
  sqlite3_busy_timeout(m_db, kBusyTimeoutMs);
  DbRows mode;
  if (!FetchOne("PRAGMA journal_mode=WAL", mode)) return false;
  const std::string_view chosen = mode.RowCount() == 1 ? mode.Cell(0, 0).text : std::string_view();
  // A private in-memory database keeps its journal in memory; every file takes the log.
  if (chosen != "wal" && !(path == ":memory:" && chosen == "memory")) {
    return Fail("the database cannot use a write-ahead log (journal mode " + std::string(chosen) + ")");
  }
  return RunScript("PRAGMA synchronous=FULL");
}

bool SqliteEngine::Fail() { return Fail(sqlite3_errmsg(m_db)); }

bool SqliteEngine::Fail(std::string message) {
  m_lastError = std::move(message);
  return false;
}

sqlite3_stmt* SqliteEngine::Prepare(std::string_view sql, std::string_view& rest, bool& owned) {
  rest = {};
  owned = false;
  if (const auto cached = m_statements.find(sql); cached != m_statements.end()) return cached->second;
  sqlite3_stmt* statement = nullptr;
  const char* tail = nullptr;
  if (sqlite3_prepare_v3(m_db, sql.data(), static_cast<int>(sql.size()), 0, &statement, &tail) != SQLITE_OK) {
    Fail();
    return nullptr;
  }
  if (!statement) {
    Fail("the statement is empty");
    return nullptr;
  }
  rest = sql.substr(static_cast<std::size_t>(tail - sql.data()));
  if (!IsBlank(rest) || !SeenBefore(sql)) {
    // Part of a script, or a text not run before (a key in it, say): the caller's to finalize.
    // Kept, it would only crowd out the statements that the tables repeat.
    owned = true;
    if (IsBlank(rest)) rest = {};
    return statement;
  }
  rest = {};
  if (m_statements.size() >= kStatementCacheSize) {
    for (auto& [cachedText, cachedStatement] : m_statements) sqlite3_finalize(cachedStatement);
    m_statements.clear();
  }
  m_statements.emplace(std::string(sql), statement);
  return statement;
}

bool SqliteEngine::SeenBefore(std::string_view sql) {
  // One slot per hash value modulo the table's size: a text that another displaced is taken
  // for new, which costs a prepare, never a wrong statement.
  const std::size_t hash = TextHash{}(sql);
  std::size_t& slot = m_seenTexts[hash % m_seenTexts.size()];
  const bool seen = slot == hash;
  slot = hash;
  return seen;
}

DbCell SqliteEngine::ColumnCell(sqlite3_stmt* statement, int column) {
  switch (sqlite3_column_type(statement, column)) {
    case SQLITE_INTEGER:
      return DbCell::Integer(sqlite3_column_int64(statement, column));
    case SQLITE_FLOAT:
      return DbCell::Real(sqlite3_column_double(statement, column));
    case SQLITE_NULL:
      return DbCell{};
    default: {  // text, and binary values as their bytes
      const auto* bytes = static_cast<const char*>(sqlite3_column_blob(statement, column));
      return DbCell::Text(std::string_view(bytes ? bytes : "", static_cast<std::size_t>(sqlite3_column_bytes(statement, column))));
    }
  }
}

bool SqliteEngine::Query(std::string_view sql, DbRows& rows) {
  rows.Clear();
  std::string_view rest;
  bool owned;
  sqlite3_stmt* statement = Prepare(sql, rest, owned);
  if (!statement) return false;
  bool fetched;
  if (!rest.empty()) {
    fetched = Fail("a query runs one statement; more than one was given");
  } else if (!sqlite3_stmt_readonly(statement)) {  // a condition text can never turn a listing into a change
    fetched = Fail("a query may only read; the statement writes");
  } else {
    fetched = Fetch(statement, rows);
  }
  if (owned) sqlite3_finalize(statement);
  return fetched;
}

bool SqliteEngine::Fetch(sqlite3_stmt* statement, DbRows& rows) {
  const int columns = sqlite3_column_count(statement);
  std::vector<std::string> names;
  std::string sourceTable;
  for (int column = 0; column < columns; ++column) {
    names.emplace_back(sqlite3_column_name(statement, column));
    const char* table = sqlite3_column_table_name(statement, column);
    if (column == 0 && table) sourceTable = table;
    if (!table || sourceTable != table) sourceTable.clear();
  }
  rows.Reset(std::move(names), std::move(sourceTable));
  // The cells view the statement's own values until the next step; the row copies them.
  m_rowCells.resize(static_cast<std::size_t>(columns));
  int result;
  while ((result = sqlite3_step(statement)) == SQLITE_ROW) {
    for (int column = 0; column < columns; ++column) m_rowCells[static_cast<std::size_t>(column)] = ColumnCell(statement, column);
    rows.AppendRow(m_rowCells);
  }
  sqlite3_reset(statement);
  if (result == SQLITE_DONE) return true;
  rows.Clear();
  return Fail();
}

bool SqliteEngine::FetchOne(const std::string& sql, DbRows& rows) {
  std::string_view rest;
  bool owned;
  sqlite3_stmt* statement = Prepare(sql, rest, owned);
  if (!statement) return false;
  const bool fetched = Fetch(statement, rows);
  if (owned) sqlite3_finalize(statement);
  return fetched;
}

bool SqliteEngine::Bind(sqlite3_stmt* statement, std::span<const DbValue> parameters) {
  if (static_cast<int>(parameters.size()) != sqlite3_bind_parameter_count(statement)) {
    return Fail("the statement takes " + std::to_string(sqlite3_bind_parameter_count(statement)) +
                " parameters, " + std::to_string(parameters.size()) + " were given");
  }
  int index = 1;
  for (const DbValue& value : parameters) {
    int result = SQLITE_OK;
    switch (value.kind) {
      case DbKind::kNull:
        result = sqlite3_bind_null(statement, index);
        break;
      case DbKind::kInteger:
        result = sqlite3_bind_int64(statement, index, value.integer);
        break;
      case DbKind::kReal:
        result = sqlite3_bind_double(statement, index, value.real);
        break;
      case DbKind::kText:  // the values outlive the statement's run
        result = sqlite3_bind_text64(statement, index, value.text.data(), value.text.size(), SQLITE_STATIC,
                                     SQLITE_UTF8);
        break;
    }
    if (result != SQLITE_OK) return Fail();
    ++index;
  }
  return true;
}

bool SqliteEngine::StepToEnd(sqlite3_stmt* statement) {
  int result;
  while ((result = sqlite3_step(statement)) == SQLITE_ROW) {
  }
  // The message belongs to the failed step; reset would keep it, clear_bindings cannot fail.
  const bool done = result == SQLITE_DONE || Fail();
  sqlite3_reset(statement);
  sqlite3_clear_bindings(statement);
  return done;
}

bool SqliteEngine::RunScript(std::string_view sql) {
  while (!IsBlank(sql)) {
    std::string_view rest;
    bool owned;
    sqlite3_stmt* statement = Prepare(sql, rest, owned);
    if (!statement) return false;
    const bool done = StepToEnd(statement);
    if (owned) sqlite3_finalize(statement);
    if (!done) return false;
    sql = rest;
  }
  return true;
}

bool SqliteEngine::Execute(std::string_view sql, long& changed) {
  const sqlite3_int64 before = sqlite3_total_changes64(m_db);
  const bool done = RunScript(sql);
  changed = static_cast<long>(sqlite3_total_changes64(m_db) - before);
  return done;
}

bool SqliteEngine::RunBound(const std::string& sql, std::span<const DbValue> parameters, long& changed) {
  changed = 0;
  std::string_view rest;
  bool owned;
  sqlite3_stmt* statement = Prepare(sql, rest, owned);
  if (!statement) return false;
  bool done = false;
  if (Bind(statement, parameters)) {
    done = StepToEnd(statement);
    changed = static_cast<long>(sqlite3_changes64(m_db));
  } else {
    sqlite3_clear_bindings(statement);
  }
  if (owned) sqlite3_finalize(statement);
  return done;
}

bool SqliteEngine::InsertRow(std::string_view table, std::span<const std::string> columns,
                             std::span<const DbValue> values) {
  std::string sql = "INSERT INTO " + QuoteIdentifier(table);
  if (columns.empty()) {
    sql += " DEFAULT VALUES";
  } else {
    std::string names, marks;
    for (const std::string& column : columns) {
      names += (names.empty() ? "" : ", ") + QuoteIdentifier(column);
      marks += marks.empty() ? "?" : ", ?";
    }
    sql += " (" + names + ") VALUES (" + marks + ")";
  }
  long changed;
  return RunBound(sql, values, changed);
}

bool SqliteEngine::UpdateRows(std::string_view table, std::span<const std::string> columns,
                              std::span<const DbValue> values, std::span<const std::string> matchColumns,
                              std::span<const DbValue> matchValues, long& changed) {
  std::string sql = "UPDATE " + QuoteIdentifier(table) + " SET ";
  for (std::size_t index = 0; index < columns.size(); ++index) {
    sql += (index ? ", " : "") + QuoteIdentifier(columns[index]) + " = ?";
  }
  // IS compares NULL with NULL as equal, which = does not.
  for (std::size_t index = 0; index < matchColumns.size(); ++index) {
    sql += (index ? " AND " : " WHERE ") + QuoteIdentifier(matchColumns[index]) + " IS ?";
  }
  std::vector<DbValue> parameters(values.begin(), values.end());
  parameters.insert(parameters.end(), matchValues.begin(), matchValues.end());
  return RunBound(sql, parameters, changed);
}

bool SqliteEngine::DescribeTable(std::string_view table, TableInfo& info) {
  if (const auto known = m_tables.find(table); known != m_tables.end()) {
    info = known->second;
    return true;
  }
  DbRows rows;
  if (!FetchOne("PRAGMA table_info(" + QuoteIdentifier(table) + ")", rows)) return false;
  if (rows.RowCount() == 0) return Fail("no such table: " + std::string(table));
  // table_info: cid, name, type, notnull, dflt_value, pk (1-based position in the key, or 0).
  TableInfo found;
  std::vector<std::pair<std::int64_t, std::string>> key;
  for (std::size_t row = 0; row < rows.RowCount(); ++row) {
    std::string name(rows.Cell(row, 1).text);
    if (const std::int64_t position = rows.Cell(row, 5).integer; position > 0) key.emplace_back(position, name);
    found.columns.push_back(std::move(name));
  }
  std::sort(key.begin(), key.end());
  for (auto& [position, name] : key) found.keyColumns.push_back(std::move(name));
  info = m_tables.emplace(std::string(table), std::move(found)).first->second;
  return true;
}

bool SqliteEngine::InTransaction() const { return m_db && sqlite3_get_autocommit(m_db) == 0; }

void SqliteEngine::SetTrace(std::function<void(std::string_view sql)> observer) {
  m_trace = std::move(observer);
  if (!m_trace) {
    sqlite3_trace_v2(m_db, 0, nullptr, nullptr);
    return;
  }
  sqlite3_trace_v2(
      m_db, SQLITE_TRACE_STMT,
      [](unsigned /*event*/, void* context, void* statement, void* /*text*/) {
        // The statement's own text, not the trigger comments that the event may carry instead.
        static_cast<SqliteEngine*>(context)->m_trace(sqlite3_sql(static_cast<sqlite3_stmt*>(statement)));
        return 0;
      },
      this);
}
