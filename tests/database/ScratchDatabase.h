#pragma once

// Real SQLite databases for the database tests: a temporary folder that is removed afterwards,
// a database file with the station's schema, the sqlite3 program run on it, and captures of
// the message box and of the statements that a connection runs.

#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "database/schema/SqliteSchema.h"
#include "platform/AfxMessageBox.h"
#include "platform/CodePage.h"
#include "qnutilex/DbConnection.h"
#include "qnutilex/QnAdo.h"

class ScratchFolder {
 public:
  ScratchFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "vudoda-db-XXXXXX").string();
    m_path = mkdtemp(pattern.data()) ? pattern : std::string();
  }
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;
  ~ScratchFolder() {
    std::error_code ignored;
    if (!m_path.empty()) std::filesystem::remove_all(m_path, ignored);
  }
  const std::filesystem::path& Path() const { return m_path; }

 private:
  std::filesystem::path m_path;
};

// Creates `file` with the schema through a connection of its own; returns its URI.
inline std::string CreateDatabase(const std::filesystem::path& file) {
  std::ofstream(file).close();
  const std::string uri = "sqlite:" + file.string();
  QnAdo db;
  if (!db.Connect(uri.c_str()) || !db.ExecuteSQL(SqliteSchema())) return {};
  return uri;
}

struct Sqlite3Result {
  int status;
  std::string output;
};

// Runs the sqlite3 program on `database` with `script` as its input; its output and errors.
inline Sqlite3Result RunSqlite3(const std::filesystem::path& database, const std::string& script) {
  const std::filesystem::path input = database.string() + ".script";
  std::ofstream(input, std::ios::binary) << script;
  const std::string command = "sqlite3 -batch '" + database.string() + "' < '" + input.string() + "' 2>&1";
  Sqlite3Result result{-1, {}};
  if (FILE* pipe = popen(command.c_str(), "r")) {
    char buffer[4096];
    size_t count;
    while ((count = fread(buffer, 1, sizeof buffer, pipe)) > 0) result.output.append(buffer, count);
    const int status = pclose(pipe);
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }
  std::filesystem::remove(input);
  return result;
}

// Collects what the module shows in message boxes while it lives.
class MessageCapture {
 public:
  MessageCapture() : m_previous(AfxSetMessageBoxHandler(&Capture)) { Shown().clear(); }
  MessageCapture(const MessageCapture&) = delete;
  MessageCapture& operator=(const MessageCapture&) = delete;
  ~MessageCapture() { AfxSetMessageBoxHandler(m_previous); }

  static std::vector<std::pair<std::string, UINT>>& Shown() {
    static std::vector<std::pair<std::string, UINT>> shown;
    return shown;
  }

 private:
  static int Capture(const char* text, UINT type) {
    Shown().emplace_back(text, type);
    return IDOK;
  }
  AFX_MESSAGE_BOX_HANDLER m_previous;
};

// Records every statement that `db` runs while it lives.
class StatementTrace {
 public:
  explicit StatementTrace(QnAdo& db) : m_db(db) {
    m_db.GetConnection()->Engine()->SetTrace([this](std::string_view sql) { m_statements.emplace_back(sql); });
  }
  StatementTrace(const StatementTrace&) = delete;
  StatementTrace& operator=(const StatementTrace&) = delete;
  ~StatementTrace() { m_db.GetConnection()->Engine()->SetTrace(nullptr); }

  // The statements that mention `table`, in order (the connection's own pragmas and
  // transaction statements left out).
  std::vector<std::string> Mentioning(std::string_view table) const {
    std::vector<std::string> found;
    for (const std::string& sql : m_statements) {
      if (sql.find(table) != std::string::npos && !sql.starts_with("PRAGMA")) found.push_back(sql);
    }
    return found;
  }

 private:
  QnAdo& m_db;
  std::vector<std::string> m_statements;
};

// The process code page for one test.
class ScopedCodePage {
 public:
  explicit ScopedCodePage(UINT codePage) : m_previous(GetACP()) { SetACP(codePage); }
  ScopedCodePage(const ScopedCodePage&) = delete;
  ScopedCodePage& operator=(const ScopedCodePage&) = delete;
  ~ScopedCodePage() { SetACP(m_previous); }

 private:
  UINT m_previous;
};
