// `vudoda db` as a user runs it on a scratch database: creating it, adding through the row
// classes, listing, and the faults it reports.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "platform/COleDateTime.h"
#include "tools/ToolMain.h"

namespace {

struct DbRun {
  int exitCode;
  std::string out;
  std::string err;
};

class DbCommandTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (std::filesystem::temp_directory_path() / "vudoda-tool-XXXXXX").string();
    ASSERT_TRUE(mkdtemp(pattern.data()));
    m_folder = pattern;
    m_uri = "sqlite:" + (m_folder / "station.db").string();
  }
  void TearDown() override { std::filesystem::remove_all(m_folder); }

  DbRun Db(std::vector<std::string> args) {
    args.insert(args.begin(), "db");
    if (args[1] != "init") args.insert(args.end(), {"--database", m_uri});
    std::istringstream in;
    std::ostringstream out, err;
    ToolIo io{in, out, err};
    const int exitCode = RunTool(args, io);
    return DbRun{exitCode, out.str(), err.str()};
  }

  std::filesystem::path m_folder;
  std::string m_uri;
};

TEST_F(DbCommandTest, AdmitsAPatientStartsAStudyAndListsItWithThePatient) {
  ASSERT_EQ(0, Db({"init", m_uri}).exitCode);
  struct stat info {};
  ASSERT_EQ(0, ::stat((m_folder / "station.db").c_str(), &info));
  EXPECT_EQ(0600u, info.st_mode & 0777u);  // patient data: the owner's alone
  EXPECT_EQ("the patient database is ready: " + (m_folder / "station.db").string() + "\n",
            Db({"init", m_uri}).out);

  const std::string today = COleDateTime::GetCurrentTime().Format("%Y%m%d").GetString();
  EXPECT_EQ("added patient " + today + "-001\n",
            Db({"add-patient", "--first", "Anna", "--last", "Lindqvist", "--birthday", "1992-03-14"}).out);
  EXPECT_EQ("added study 20261204090507 of patient " + today + "-001\n",
            Db({"add-study", "--patient", today + "-001", "--start", "2026-12-04 09:05:07", "--nurse", "N-2"}).out);
  EXPECT_EQ(
      "PATIENT       NAME             STUDY           START                LENGTH  DOCTOR  NURSE  COMMENT\n" + today +
          "-001  Lindqvist, Anna  20261204090507  2026-12-04 09:05:07  0               N-2\n1 row\n",
      Db({"studies"}).out);
  EXPECT_EQ("ID  NAME  BIRTHDAY  DOCTOR  REGISTERED  COMMENT\n0 rows\n",
            Db({"patients", "--where", "P_LAST_NAME = 'O''Brien'"}).out);
}

TEST_F(DbCommandTest, ReportsWhatItCannotDo) {
  const struct {
    std::vector<std::string> args;
    int exitCode;
    std::string errPart;
  } cases[] = {
      {{"patients"}, 1, "(create it with 'vudoda db init')"},
      {{"frobnicate", "x"}, 2, "unknown action 'frobnicate'"},
      {{"init", "postgresql://station"}, 2, "init creates SQLite databases"},
  };
  for (const auto& c : cases) {
    const DbRun run = Db(c.args);
    EXPECT_EQ(c.exitCode, run.exitCode) << c.args[0];
    EXPECT_NE(std::string::npos, run.err.find(c.errPart)) << run.err;
  }
  ASSERT_EQ(0, Db({"init", m_uri}).exitCode);
  const struct {
    std::vector<std::string> args;
    int exitCode;
    std::string errPart;
  } refused[] = {
      {{"add-patient", "--first", "A"}, 2, "--last is required"},
      {{"add-patient", "--first", "A", "--last", "B", "--birthday", "soon"}, 2, "--birthday takes a date"},
      {{"add-study", "--patient", "P", "--length", "-1"}, 2, "--length takes a whole number"},
      {{"studies", "--where", "1=1; DELETE FROM TBLPatient"}, 1, "the listing failed: a query runs one statement"},
  };
  for (const auto& c : refused) {
    const DbRun run = Db(c.args);
    EXPECT_EQ(c.exitCode, run.exitCode) << c.args[0];
    EXPECT_NE(std::string::npos, run.err.find(c.errPart)) << run.err;
  }
  ASSERT_EQ(0, Db({"add-user", "--id", "U-1", "--name", "Nurse"}).exitCode);
  const DbRun twice = Db({"add-user", "--id", "U-1", "--name", "Nurse"});
  EXPECT_EQ(1, twice.exitCode);
  EXPECT_EQ("vudoda db: UNIQUE constraint failed: TBLUser.M_ID\nvudoda db: user U-1 was not added\n", twice.err);
}

}  // namespace
