#include "qnutilex/DbEngine.h"

#include "qnutilex/PostgresEngine.h"
#include "qnutilex/SqliteEngine.h"

std::unique_ptr<DbEngine> DbEngine::Open(std::string_view uri, std::string& error) {
  constexpr std::string_view kSqlite = "sqlite:";
  if (PostgresEngine::Claims(uri)) {
    auto engine = std::make_unique<PostgresEngine>();
    if (engine->Open(std::string(uri))) return engine;
    error = engine->LastError();
    return nullptr;
  }
  // The text is not echoed: a mistyped server string may carry a password.
  if (!uri.starts_with(kSqlite)) {
    error = "unknown database URI: expected sqlite:PATH, a postgresql:// URI or key=value pairs";
    return nullptr;
  }
  const std::string path(uri.substr(kSqlite.size()));
  if (path.empty()) {
    error = "the database URI '" + std::string(uri) + "' names no file";
    return nullptr;
  }
  auto engine = std::make_unique<SqliteEngine>();
  if (!engine->Open(path)) {
    error = engine->LastError();
    return nullptr;
  }
  return engine;
}

std::string DbEngine::QuoteIdentifier(std::string_view name) {
  std::string quoted = "\"";
  for (char ch : name) {
    quoted += ch;
    if (ch == '"') quoted += '"';
  }
  return quoted + '"';
}
