#pragma once

// Real databases for the database tests, on either engine: a SQLite file in a temporary folder,
// or a schema of its own on the throwaway PostgreSQL server that ctest starts for the tests
// (tests/database/postgres-server.sh; its socket folder in VUDODA_TEST_POSTGRES). Each gets the
// station's tables, a way to run SQL as another program would (sqlite3 or psql), and captures
// of the message box and of the statements that the connection runs.

#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <regex>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "database/schema/DatabaseSchema.h"
#include "platform/AfxMessageBox.h"
#include "platform/CodePage.h"
#include "qnutilex/DbConnection.h"
#include "qnutilex/QnAdo.h"

enum class Engine { kSqlite, kPostgres };

inline std::string EngineName(const ::testing::TestParamInfo<Engine>& info) {
  return info.param == Engine::kSqlite ? "Sqlite" : "Postgres";
}

// What the module shows in message boxes while the test runs.
inline std::vector<std::pair<std::string, UINT>>& ShownMessages() {
  static std::vector<std::pair<std::string, UINT>> shown;
  return shown;
}

// The connection string of the test server's administrator database; fails the test when ctest
// did not start the server (the tests never run without it).
inline std::string TestServer() {
  const char* folder = getenv("VUDODA_TEST_POSTGRES");
  if (!folder || !*folder) {
    ADD_FAILURE() << "VUDODA_TEST_POSTGRES is not set: run the tests through ctest, which starts the server";
    return "host=/nonexistent dbname=postgres user=vudoda";
  }
  return std::string("host=") + folder + " dbname=postgres user=vudoda";
}

// Runs `command` through the shell; its output and errors.
inline std::string RunCommand(const std::string& command) {
  std::string output;
  if (FILE* pipe = popen((command + " 2>&1").c_str(), "r")) {
    char buffer[4096];
    for (size_t count; (count = fread(buffer, 1, sizeof buffer, pipe)) > 0;) output.append(buffer, count);
    pclose(pipe);
  }
  return output;
}

// A connected database with the schema, message boxes captured, and every statement that the
// connection runs recorded; the code page is UTF-8 again afterwards. SQLite unless a test
// suite names the engine.
class ScratchDatabaseTest : public ::testing::Test {
 protected:
  virtual Engine EngineOfTest() const { return Engine::kSqlite; }

  void SetUp() override {
    m_engine = EngineOfTest();
    char pattern[] = "/tmp/vudoda-db-XXXXXX";
    ASSERT_TRUE(mkdtemp(pattern));
    m_folder = pattern;
    if (m_engine == Engine::kSqlite) {
      m_file = m_folder / "station.db";
      m_uri = "sqlite:" + m_file.string();
      std::ofstream(m_file).close();
    } else {
      // A schema of the test's own keeps tests that run at the same time apart.
      m_schema = "test_" + std::to_string(getpid());
      ASSERT_EQ(1, m_admin.Connect(TestServer().c_str())) << m_admin.GetLastErrorString().GetString();
      ASSERT_EQ(1, m_admin.ExecuteSQL(("DROP SCHEMA IF EXISTS " + m_schema + " CASCADE; CREATE SCHEMA " + m_schema).c_str()))
          << m_admin.GetLastErrorString().GetString();
      m_uri = TestServer() + " options='-csearch_path=" + m_schema + "'";
    }
    ASSERT_EQ(1, m_db.Connect(m_uri.c_str())) << m_db.GetLastErrorString().GetString();
    ASSERT_EQ(1, m_db.ExecuteSQL(SchemaFor(m_uri.c_str()))) << m_db.GetLastErrorString().GetString();
    AfxSetMessageBoxHandler([](const char* text, UINT type) {
      ShownMessages().emplace_back(text, type);
      return IDOK;
    });
    ShownMessages().clear();
    m_db.GetConnection()->Engine()->SetTrace([this](std::string_view sql) { m_statements.emplace_back(sql); });
  }
  void TearDown() override {
    SetACP(65001);
    m_db.Disconnect();
    if (!m_schema.empty()) m_admin.ExecuteSQL(("DROP SCHEMA IF EXISTS " + m_schema + " CASCADE").c_str());
    std::filesystem::remove_all(m_folder);
  }

  bool IsSqlite() const { return m_engine == Engine::kSqlite; }

  // Runs `script` as another program does (sqlite3, or psql), rows as "a|b" lines; its output
  // and errors. Dates show as SQLite keeps them, "YYYY-MM-DD HH:MM:SS.SSS", on both engines.
  std::string Outside(const std::string& script) {
    const std::filesystem::path input = m_folder / "script.sql";
    std::ofstream(input, std::ios::binary) << script;
    if (IsSqlite()) return RunCommand("sqlite3 -batch '" + m_file.string() + "' < '" + input.string() + "'");
    const std::string output = RunCommand("/usr/lib/postgresql/15/bin/psql -X -A -t -q -F '|' -v ON_ERROR_STOP=1 \"" +
                                          m_uri + "\" -f '" + input.string() + "'");
    return WithMilliseconds(output);
  }

  // The SELECT and DELETE statements run since the last call that contain `text`.
  std::vector<std::string> StatementsOn(std::string_view text) {
    std::vector<std::string> found;
    for (const std::string& sql : m_statements) {
      const bool readsOrDeletes = sql.starts_with("SELECT") || sql.starts_with("DELETE");
      if (readsOrDeletes && sql.find(text) != std::string::npos) found.push_back(sql);
    }
    m_statements.clear();
    return found;
  }

  Engine m_engine = Engine::kSqlite;
  std::filesystem::path m_folder, m_file;
  std::string m_uri, m_schema;
  QnAdo m_db, m_admin;
  std::vector<std::string> m_statements;

 private:
  // psql shows "2026-12-04 09:05:02.1" for what SQLite keeps as "2026-12-04 09:05:02.100".
  static std::string WithMilliseconds(const std::string& output) {
    static const std::regex timestamp(R"((\d{4}-\d\d-\d\d \d\d:\d\d:\d\d)(\.(\d{1,3}))?)");
    std::string result;
    auto last = output.cbegin();
    for (std::sregex_iterator it(output.begin(), output.end(), timestamp), end; it != end; ++it) {
      result.append(last, (*it)[0].first);
      result += (*it)[1].str() + "." + ((*it)[3].str() + "000").substr(0, 3);
      last = (*it)[0].second;
    }
    return result.append(last, output.cend());
  }
};

// The same tests on both engines: TEST_P(Suite, …) with INSTANTIATE_TEST_SUITE_P(Engines, Suite,
// ::testing::Values(Engine::kSqlite, Engine::kPostgres), EngineName).
class EngineTest : public ScratchDatabaseTest, public ::testing::WithParamInterface<Engine> {
 protected:
  Engine EngineOfTest() const override { return GetParam(); }
};

#define VUDODA_ON_BOTH_ENGINES(Suite) \
  INSTANTIATE_TEST_SUITE_P(Engines, Suite, ::testing::Values(Engine::kSqlite, Engine::kPostgres), EngineName)
