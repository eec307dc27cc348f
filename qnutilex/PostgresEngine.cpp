#include "qnutilex/PostgresEngine.h"

#include <libpq-fe.h>

#include <charconv>
#include <cstdlib>

namespace {

// Catalog type ids of the columns that arrive as numbers rather than texts.
constexpr Oid kInt8 = 20, kInt2 = 21, kInt4 = 23, kFloat4 = 700, kFloat8 = 701, kNumeric = 1700;

// Statements prepared on one connection: the tables' inserts and updates and the guards.
// Beyond this a new text runs unnamed.
constexpr std::size_t kPreparedStatements = 256;

constexpr const char* kSessionSettings =
    "SET DateStyle = 'ISO, YMD'; SET standard_conforming_strings = on; SET extra_float_digits = 1";

// A table's columns with their place in the primary key (0 outside it) and its quoted name.
constexpr const char* kDescribeTable =
    "SELECT a.attname, coalesce(array_position(i.indkey::int2[], a.attnum) + 1 - array_lower(i.indkey::int2[], 1), 0), "
    "format('%I.%I', n.nspname, c.relname) "
    "FROM pg_class c JOIN pg_namespace n ON n.oid = c.relnamespace "
    "JOIN pg_attribute a ON a.attrelid = c.oid AND a.attnum > 0 AND NOT a.attisdropped "
    "LEFT JOIN pg_index i ON i.indrelid = c.oid AND i.indisprimary "
    "WHERE c.oid = coalesce(to_regclass($1), to_regclass(quote_ident($1))) ORDER BY a.attnum";

std::string ParameterText(const DbValue& value) {
  switch (value.kind) {
    case DbKind::kInteger:
      return std::to_string(value.integer);
    case DbKind::kReal: {
      char text[32];
      const auto [end, fault] = std::to_chars(text, text + sizeof text, value.real);  // exact, shortest
      return std::string(text, end);
    }
    case DbKind::kText:
      return value.text;
    case DbKind::kNull:
      break;
  }
  return {};
}

// libpq's reason for refusing a connection string may quote a piece of it. The reason is taken
// for the string with its password masked where it stands, so that no piece holds the password;
// when that string reads, the fault was in the password itself.
std::string UnreadableStringReason(const std::string& conninfo) {
  const std::string masked = PasswordMask::MaskedConnectionString(conninfo);
  char* reason = nullptr;
  PQconninfoOption* options = PQconninfoParse(masked.c_str(), &reason);
  std::string text = reason ? reason : "at its password";
  PQconninfoFree(options);
  PQfreemem(reason);
  return "the connection string cannot be read: " + text;
}

// A value of a result as a cell: numbers of the numeric types as numbers, the rest as texts.
DbCell ValueCell(const PGresult* result, int row, int column) {
  if (PQgetisnull(result, row, column)) return DbCell{};
  const std::string_view text(PQgetvalue(result, row, column), static_cast<std::size_t>(PQgetlength(result, row, column)));
  const Oid type = PQftype(result, column);
  std::int64_t integer = 0;
  double real = 0.0;
  if ((type == kInt2 || type == kInt4 || type == kInt8) &&
      std::from_chars(text.data(), text.data() + text.size(), integer).ec == std::errc()) {
    return DbCell::Integer(integer);
  }
  if ((type == kFloat4 || type == kFloat8 || type == kNumeric) &&
      std::from_chars(text.data(), text.data() + text.size(), real).ec == std::errc()) {
    return DbCell::Real(real);
  }
  return DbCell::Text(text);
}

}  // namespace

PostgresEngine::~PostgresEngine() { PQfinish(m_conn); }

bool PostgresEngine::Claims(std::string_view uri) {
  if (uri.starts_with("sqlite:")) return false;  // a file's path may hold '=' too
  return uri.starts_with("postgresql://") || uri.starts_with("postgres://") || uri.find('=') != std::string_view::npos;
}

bool PostgresEngine::Fail(std::string message) {
  while (!message.empty() && (message.back() == '\n' || message.back() == ' ')) message.pop_back();
  m_lastError = m_passwordMask.Masked(std::move(message));
  return false;
}

bool PostgresEngine::FailFromConnection() { return Fail(m_conn ? PQerrorMessage(m_conn) : "not connected"); }

void PostgresEngine::Trace(std::string_view sql) const {
  if (m_trace) m_trace(sql);
}

bool PostgresEngine::Open(const std::string& conninfo) {
  // libpq's own reading of the string tells the password, so that no error text shows it.
  char* parseError = nullptr;
  PQconninfoOption* options = PQconninfoParse(conninfo.c_str(), &parseError);
  PQfreemem(parseError);
  if (!options) return Fail(UnreadableStringReason(conninfo));
  for (const PQconninfoOption* option = options; option->keyword; ++option) {
    if (std::string_view(option->keyword) == "password" && option->val) m_passwordMask.SetPassword(option->val);
  }
  PQconninfoFree(options);
  // The timeout comes before the string, which may set its own; the encoding after, so that
  // texts always cross as UTF-8.
  const std::string timeout = std::to_string(kConnectTimeoutSeconds);
  const char* keywords[] = {"connect_timeout", "dbname", "client_encoding", nullptr};
  const char* values[] = {timeout.c_str(), conninfo.c_str(), "UTF8", nullptr};
  m_conn = PQconnectdbParams(keywords, values, 1);
  if (!m_conn) return Fail("out of memory");
  if (PQstatus(m_conn) != CONNECTION_OK) return FailFromConnection();
  // The server's notices (a cascade, a table that already exists) are not the host's business.
  PQsetNoticeProcessor(m_conn, [](void*, const char*) {}, nullptr);
  long changed;
  return ExecuteNow(kSessionSettings, changed);
}

bool PostgresEngine::ServerInTransaction() const {
  const PGTransactionStatusType status = PQtransactionStatus(m_conn);
  return status == PQTRANS_INTRANS || status == PQTRANS_INERROR;
}

bool PostgresEngine::InTransaction() const { return m_beginHeld || ServerInTransaction(); }

bool PostgresEngine::ExecuteNow(const std::string& sql, long& changed) {
  changed = 0;
  Trace(sql);
  if (!PQsendQuery(m_conn, sql.c_str())) return FailFromConnection();
  bool failed = false;
  while (PGresult* result = PQgetResult(m_conn)) {
    const ExecStatusType status = PQresultStatus(result);
    if (status == PGRES_COMMAND_OK || status == PGRES_TUPLES_OK) {
      changed += std::atol(PQcmdTuples(result));
    } else if (!failed) {
      failed = true;
      Fail(PQresultErrorMessage(result));
    }
    PQclear(result);
    if (PQstatus(m_conn) == CONNECTION_BAD && !failed) failed = !FailFromConnection();
  }
  return !failed;
}

bool PostgresEngine::Execute(std::string_view sql, long& changed) {
  changed = 0;
  if (!m_conn) return Fail("not connected");
  // A BEGIN waits for the statement after it, which carries it to the server: one round trip
  // fewer for every transaction. A transaction ended before anything ran needs no trip at all.
  if (sql == "BEGIN") {
    if (InTransaction()) return Fail("a transaction is already open");
    m_beginHeld = true;
    return true;
  }
  if (m_beginHeld && (sql == "COMMIT" || sql == "ROLLBACK")) {
    m_beginHeld = false;
    return true;
  }
  // The server answers COMMIT of a transaction in which a statement failed by rolling it back,
  // as if it had committed. It is refused instead, and stays open for the caller's ROLLBACK.
  if (sql == "COMMIT" && PQtransactionStatus(m_conn) == PQTRANS_INERROR) {
    return Fail("the transaction cannot be committed: a statement in it failed; roll it back");
  }
  std::string script(sql);
  if (m_beginHeld) script = "BEGIN; " + script;
  m_beginHeld = false;
  return ExecuteNow(script, changed);
}

const std::string* PostgresEngine::PreparedName(const std::string& sql) const {
  const auto found = m_prepared.find(sql);
  return found == m_prepared.end() ? nullptr : &found->second;
}

std::string PostgresEngine::NewPreparedName() {
  return m_namesGiven < kPreparedStatements ? "vudoda_" + std::to_string(++m_namesGiven) : std::string();
}

bool PostgresEngine::SendStep(Step& step) {
  if (!step.own) Trace(step.sql);
  std::vector<std::string> texts;
  std::vector<const char*> values;
  texts.reserve(step.parameters.size());
  for (const DbValue& parameter : step.parameters) {
    // Parameters cross as C texts: a zero byte would silently cut the value short.
    if (parameter.kind == DbKind::kText && parameter.text.find('\0') != std::string::npos) {
      return Fail("a text with a zero byte cannot be stored on a PostgreSQL server");
    }
    texts.push_back(ParameterText(parameter));
    values.push_back(parameter.kind == DbKind::kNull ? nullptr : texts.back().c_str());
  }
  // A text that runs again and again is parsed and planned once: the server keeps it by name.
  const std::string* name = step.reused ? PreparedName(step.sql) : nullptr;
  if (step.reused && !name) {
    step.preparing = NewPreparedName();
    if (!step.preparing.empty()) {
      if (!PQsendPrepare(m_conn, step.preparing.c_str(), step.sql.c_str(), static_cast<int>(values.size()), nullptr)) {
        return FailFromConnection();
      }
      name = &step.preparing;
    }
  }
  const int sent = name ? PQsendQueryPrepared(m_conn, name->c_str(), static_cast<int>(values.size()), values.data(),
                                              nullptr, nullptr, 0)
                        : PQsendQueryParams(m_conn, step.sql.c_str(), static_cast<int>(values.size()), nullptr,
                                            values.data(), nullptr, nullptr, 0);
  return sent ? true : FailFromConnection();
}

bool PostgresEngine::ReceiveRow(PGresult* result, DbRows& rows) {
  const int columns = PQnfields(result);
  if (rows.ColumnCount() == 0 && columns > 0) {
    std::vector<std::string> names;
    for (int column = 0; column < columns; ++column) names.emplace_back(PQfname(result, column));
    rows.Reset(std::move(names), {});
  }
  m_rowCells.resize(static_cast<std::size_t>(columns));
  for (int row = 0; row < PQntuples(result); ++row) {
    for (int column = 0; column < columns; ++column) {
      m_rowCells[static_cast<std::size_t>(column)] = ValueCell(result, row, column);
    }
    rows.AppendRow(m_rowCells);
  }
  return true;
}

void PostgresEngine::NoteFailure(PGresult* result, bool& failed) {
  // A pipeline's first failure speaks for it: the steps after it only report that they were skipped.
  if (PQresultStatus(result) == PGRES_PIPELINE_ABORTED || failed) return;
  failed = true;
  Fail(PQresultErrorMessage(result));
}

bool PostgresEngine::Release(PGresult* result, bool& failed) {
  PQclear(result);
  if (PQstatus(m_conn) != CONNECTION_BAD) return true;
  if (!failed) FailFromConnection();
  failed = true;
  return false;
}

bool PostgresEngine::ReceivePrepared(const Step& step, bool& failed) {
  while (PGresult* result = PQgetResult(m_conn)) {
    const ExecStatusType status = PQresultStatus(result);
    if (status == PGRES_COMMAND_OK) {
      m_prepared.emplace(step.sql, step.preparing);
    } else {
      NoteFailure(result, failed);
    }
    if (!Release(result, failed)) return false;
  }
  return true;
}

bool PostgresEngine::ReceiveStep(const Step& step, long& changed, bool& failed) {
  if (!step.preparing.empty() && !ReceivePrepared(step, failed)) return false;
  Oid sourceTable = InvalidOid;
  bool oneTable = true, described = false;
  // Rows arrive one by one into the compact store instead of gathering in libpq's result first.
  if (step.rows) PQsetSingleRowMode(m_conn);
  while (PGresult* result = PQgetResult(m_conn)) {
    const ExecStatusType status = PQresultStatus(result);
    if (status == PGRES_SINGLE_TUPLE || status == PGRES_TUPLES_OK) {
      if (step.rows && !described) {
        for (int column = 0; column < PQnfields(result); ++column) {
          const Oid table = PQftable(result, column);
          if (column == 0) sourceTable = table;
          oneTable = oneTable && table != InvalidOid && table == sourceTable;
        }
        described = true;
      }
      if (step.rows) ReceiveRow(result, *step.rows);
      changed = std::atol(PQcmdTuples(result));
    } else if (status == PGRES_COMMAND_OK) {
      changed = std::atol(PQcmdTuples(result));
    } else {
      NoteFailure(result, failed);
    }
    if (!Release(result, failed)) return false;
  }
  if (step.rows && oneTable && sourceTable != InvalidOid && !failed) m_pendingSourceTable = sourceTable;
  return true;
}

bool PostgresEngine::RunPipeline(std::vector<Step> steps, long& changed) {
  changed = 0;
  if (!m_conn) return Fail("not connected");
  if (m_beginHeld) steps.insert(steps.begin(), Step{"BEGIN", {}, nullptr, false, true});
  m_beginHeld = false;
  m_pendingSourceTable = 0;
  if (!PQenterPipelineMode(m_conn)) return FailFromConnection();
  bool failed = false;
  std::size_t sent = 0;
  for (; sent < steps.size() && !failed; ++sent) failed = !SendStep(steps[sent]);
  if (!failed && !PQpipelineSync(m_conn)) failed = !FailFromConnection();
  if (!failed) {
    for (const Step& step : steps) {
      if (!ReceiveStep(step, changed, failed)) break;
    }
    // The pipeline ends with the result of its sync point.
    if (PQstatus(m_conn) != CONNECTION_BAD) {
      while (PGresult* result = PQgetResult(m_conn)) {
        const bool end = PQresultStatus(result) == PGRES_PIPELINE_SYNC;
        PQclear(result);
        if (end) break;
      }
    }
  }
  PQexitPipelineMode(m_conn);
  return !failed;
}

bool PostgresEngine::Query(std::string_view sql, DbRows& rows) {
  rows.Clear();
  if (!m_conn) return Fail("not connected");
  // A cursor only reads: the statement runs in a read-only transaction (a read-only savepoint
  // inside the caller's own), and the extended protocol takes one statement only, so a
  // condition text can never turn a listing into a change.
  const bool callerInTransaction = InTransaction();
  std::vector<Step> steps;
  if (callerInTransaction) {
    steps = {Guard("SAVEPOINT vudoda_read"), Guard("SET TRANSACTION READ ONLY"), {std::string(sql), {}, &rows},
             Guard("ROLLBACK TO SAVEPOINT vudoda_read"), Guard("RELEASE SAVEPOINT vudoda_read")};
  } else {
    steps = {Guard("BEGIN READ ONLY"), {std::string(sql), {}, &rows}, Guard("COMMIT")};
  }
  long changed;
  if (!RunPipeline(std::move(steps), changed)) {
    rows.Clear();
    const std::string reason = m_lastError;
    long ignored;
    if (callerInTransaction && PQtransactionStatus(m_conn) == PQTRANS_INERROR) {
      ExecuteNow("ROLLBACK TO SAVEPOINT vudoda_read; RELEASE SAVEPOINT vudoda_read", ignored);
    } else if (!callerInTransaction && ServerInTransaction()) {
      ExecuteNow("ROLLBACK", ignored);
    }
    return Fail(reason);
  }
  if (const Oid table = m_pendingSourceTable) rows.SetSourceTable(TableName(table));
  return true;
}

std::string PostgresEngine::TableName(unsigned oid) {
  if (const auto known = m_tableNames.find(oid); known != m_tableNames.end()) return known->second;
  DbRows rows;
  long changed;
  if (!RunPipeline({{"SELECT relname FROM pg_class WHERE oid = $1", {DbValue::Integer(oid)}, &rows, true}}, changed) ||
      rows.RowCount() != 1) {
    return {};
  }
  return m_tableNames.emplace(oid, std::string(rows.Cell(0, 0).text)).first->second;
}

const PostgresEngine::Described* PostgresEngine::Describe(std::string_view table) {
  if (const auto known = m_tables.find(table); known != m_tables.end()) return &known->second;
  DbRows rows;
  long changed;
  if (!RunPipeline({{kDescribeTable, {DbValue::Text(std::string(table))}, &rows, true}}, changed)) return nullptr;
  if (rows.RowCount() == 0) {
    Fail("no such table: " + std::string(table));
    return nullptr;
  }
  Described found;
  std::vector<std::pair<std::int64_t, std::string>> key;
  for (std::size_t row = 0; row < rows.RowCount(); ++row) {
    std::string name(rows.Cell(row, 0).text);
    if (const std::int64_t position = rows.Cell(row, 1).integer; position > 0) key.emplace_back(position, name);
    found.info.columns.push_back(std::move(name));
  }
  found.quotedName = rows.Cell(0, 2).text;
  std::sort(key.begin(), key.end());
  for (auto& [position, name] : key) found.info.keyColumns.push_back(std::move(name));
  return &m_tables.emplace(std::string(table), std::move(found)).first->second;
}

bool PostgresEngine::DescribeTable(std::string_view table, TableInfo& info) {
  const Described* described = Describe(table);
  if (!described) return false;
  info = described->info;
  return true;
}

bool PostgresEngine::InsertRow(std::string_view table, std::span<const std::string> columns,
                               std::span<const DbValue> values) {
  const Described* described = Describe(table);
  if (!described) return false;
  std::string sql = "INSERT INTO " + described->quotedName;
  if (columns.empty()) {
    sql += " DEFAULT VALUES";
  } else {
    std::string names, marks;
    for (std::size_t index = 0; index < columns.size(); ++index) {
      names += (index ? ", " : "") + QuoteIdentifier(columns[index]);
      marks += (index ? ", $" : "$") + std::to_string(index + 1);
    }
    sql += " (" + names + ") VALUES (" + marks + ")";
  }
  long changed;
  return RunPipeline({{sql, std::vector<DbValue>(values.begin(), values.end()), nullptr, false, true}}, changed);
}

bool PostgresEngine::UpdateRows(std::string_view table, std::span<const std::string> columns,
                                std::span<const DbValue> values, std::span<const std::string> matchColumns,
                                std::span<const DbValue> matchValues, long& changed) {
  const Described* described = Describe(table);
  if (!described) return false;
  std::string sql = "UPDATE " + described->quotedName + " SET ";
  int parameter = 0;
  for (std::size_t index = 0; index < columns.size(); ++index) {
    sql += (index ? ", " : "") + QuoteIdentifier(columns[index]) + " = $" + std::to_string(++parameter);
  }
  // A NULL is matched with IS NULL, which = never is. (IS NOT DISTINCT FROM would say both in
  // one, but the server then finds the row without the key's index: a scan of the table.)
  std::vector<DbValue> parameters(values.begin(), values.end());
  for (std::size_t index = 0; index < matchColumns.size(); ++index) {
    sql += (index ? " AND " : " WHERE ") + QuoteIdentifier(matchColumns[index]);
    if (matchValues[index].kind == DbKind::kNull) {
      sql += " IS NULL";
      continue;
    }
    sql += " = $" + std::to_string(++parameter);
    parameters.push_back(matchValues[index]);
  }
  return RunPipeline({{sql, std::move(parameters), nullptr, false, true}}, changed);
}
