#include "qnutilex/DbConnection.h"

bool DbConnection::Open(std::string_view uri, std::string& error) {
  m_engine.reset();
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
