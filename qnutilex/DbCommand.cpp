#include "qnutilex/DbCommand.h"

bool DbCommand::Execute(DbEngine& engine, std::string_view sql) {
  m_text.assign(sql);
  return engine.Execute(sql, m_recordsAffected);
}
