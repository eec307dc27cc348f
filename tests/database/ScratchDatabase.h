#pragma once

// Real SQLite databases for the database tests: a temporary folder removed afterwards, a file
// with the station's schema, the sqlite3 program run on it, and captures of the message box
// and of the statements that a connection runs.

#include <gtest/gtest.h>
#include <stdlib.h>

#include <cstdio>
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

// What the module shows in message boxes while the test runs.
inline std::vector<std::pair<std::string, UINT>>& ShownMessages() {
  static std::vector<std::pair<std::string, UINT>> shown;
  return shown;
}

// A connected database `station.db` with the schema in a folder of its own, message boxes
// captured, and every statement that the connection runs recorded; the code page is UTF-8 again
// afterwards.
class ScratchDatabaseTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/vudoda-db-XXXXXX";
    ASSERT_TRUE(mkdtemp(pattern));
    m_folder = pattern;
    m_file = m_folder / "station.db";
    m_uri = "sqlite:" + m_file.string();
    std::ofstream(m_file).close();
    ASSERT_EQ(1, m_db.Connect(m_uri.c_str())) << m_db.GetLastErrorString().GetString();
    ASSERT_EQ(1, m_db.ExecuteSQL(SqliteSchema()));
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
    std::filesystem::remove_all(m_folder);
  }

  // Runs the sqlite3 program on the database with `script` as its input; its output and errors.
  std::string Sqlite3(const std::string& script) {
    const std::filesystem::path input = m_folder / "script.sql";
    std::ofstream(input, std::ios::binary) << script;
    std::string output;
    if (FILE* pipe = popen(("sqlite3 -batch '" + m_file.string() + "' < '" + input.string() + "' 2>&1").c_str(), "r")) {
      char buffer[4096];
      for (size_t count; (count = fread(buffer, 1, sizeof buffer, pipe)) > 0;) output.append(buffer, count);
      pclose(pipe);
    }
    return output;
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

  std::filesystem::path m_folder, m_file;
  std::string m_uri;
  QnAdo m_db;
  std::vector<std::string> m_statements;
};
