#pragma once

#include <string>
#include <string_view>

#include "platform/AfxExport.h"
#include "qnutilex/DbEngine.h"

// The command object of a QnAdo: runs statements that give no rows and remembers the last
// one's text and how many rows it wrote.
class AFX_EXT_CLASS DbCommand {
 public:
  DbCommand() = default;
  virtual ~DbCommand() = default;

  // Runs `sql` (UTF-8, one statement or several) on `engine`. False with the engine's message
  // in its LastError() when a statement fails; the statements before it stand.
  bool Execute(DbEngine& engine, std::string_view sql);
  const std::string& GetCommandText() const { return m_text; }
  long GetRecordsAffected() const { return m_recordsAffected; }

 private:
  std::string m_text;
  long m_recordsAffected = 0;
};
