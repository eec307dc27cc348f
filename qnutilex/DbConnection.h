#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "platform/AfxExport.h"
#include "qnutilex/DbEngine.h"

// The connection object that copies of one QnAdo share: an engine that is open or closed.
// Closing it closes it for every copy.
class AFX_EXT_CLASS DbConnection {
 public:
  DbConnection() = default;
  DbConnection(const DbConnection&) = delete;
  DbConnection& operator=(const DbConnection&) = delete;
  virtual ~DbConnection() = default;

  // Closes what was open, then opens the engine that `uri` names (DbEngine::Open). False
  // with `error` set, and closed, when that fails.
  bool Open(std::string_view uri, std::string& error);
  void Close() { m_engine.reset(); }
  bool IsOpen() const { return m_engine != nullptr; }
  // The open engine, or null.
  DbEngine* Engine() const { return m_engine.get(); }

 private:
  std::unique_ptr<DbEngine> m_engine;
};
