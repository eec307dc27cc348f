#include "qnutilex/DbConnection.h"

bool DbConnection::Open(std::string_view uri, std::string& error) {
  m_engine.reset();
  m_savepoints = 0;
  m_rowsRead.clear();
  m_engine = DbEngine::Open(uri, error);
  return m_engine != nullptr;
}

void DbConnection::SetCheckSinceRead(bool on) {
  m_checkSinceRead = on;
  if (!on) m_rowsRead.clear();
}

void DbConnection::RememberRow(const std::string& rowKey, std::vector<DbValue> values) {
  if (m_rowsRead.size() >= kRowsRemembered && !m_rowsRead.contains(rowKey)) m_rowsRead.clear();
  m_rowsRead[rowKey] = std::move(values);
}

const std::vector<DbValue>* DbConnection::RowAsRead(const std::string& rowKey) const {
  const auto found = m_rowsRead.find(rowKey);
  return found == m_rowsRead.end() ? nullptr : &found->second;
}

bool DbConnection::Run(const std::string& sql, std::string& error) {
  long changed;
  if (m_engine->Execute(sql, changed)) return true;
  error = m_engine->LastError();
  return false;
}

bool DbConnection::TransactionOpen() {
  const bool open = m_engine->InTransaction();
  if (!open) m_savepoints = 0;
  return open;
}

std::string DbConnection::SavepointName() const { return "vudoda_nested_" + std::to_string(m_savepoints); }

bool DbConnection::BeginTransaction(std::string& error) {
  if (!TransactionOpen()) return Run("BEGIN", error);
  ++m_savepoints;
  if (Run("SAVEPOINT " + SavepointName(), error)) return true;
  --m_savepoints;
  return false;
}

bool DbConnection::CommitTransaction(std::string& error) {
  if (!TransactionOpen()) {
    error = "no transaction is open";
    return false;
  }
  if (m_savepoints == 0) return Run("COMMIT", error);
  if (!Run("RELEASE SAVEPOINT " + SavepointName(), error)) return false;
  --m_savepoints;
  return true;
}

bool DbConnection::RollbackTransaction(std::string& error) {
  if (!TransactionOpen()) {
    error = "no transaction is open";
    return false;
  }
  if (m_savepoints == 0) return Run("ROLLBACK", error);
  const std::string name = SavepointName();
  if (!Run("ROLLBACK TO SAVEPOINT " + name + "; RELEASE SAVEPOINT " + name, error)) return false;
  --m_savepoints;
  return true;
}
