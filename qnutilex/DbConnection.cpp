#include "qnutilex/DbConnection.h"

bool DbConnection::Open(std::string_view uri, std::string& error) {
  m_engine.reset();
  m_engine = DbEngine::Open(uri, error);
  return m_engine != nullptr;
}
