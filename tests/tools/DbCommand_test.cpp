// `vudoda db` end to end, as a user runs it on a scratch database: creating it, adding through
// the row classes, listing.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "database/ScratchDatabase.h"
#include "platform/COleDateTime.h"
#include "tools/ToolMain.h"

namespace {

TEST(DbCommand, AdmitsAPatientStartsAStudyAndListsItWithThePatient) {
  char pattern[] = "/tmp/vudoda-tool-XXXXXX";
  ASSERT_TRUE(mkdtemp(pattern));
  const std::filesystem::path file = std::filesystem::path(pattern) / "station.db";
  const std::string uri = "sqlite:" + file.string();
  // Runs `vudoda db args... [--database uri]`, which must succeed; its output and errors.
  const auto db = [&](std::vector<std::string> args) {
    args.insert(args.begin(), "db");
    if (args[1] != "init") args.insert(args.end(), {"--database", uri});
    std::istringstream in;
    std::ostringstream out;
    ToolIo io{in, out, out};
    EXPECT_EQ(0, RunTool(args, io)) << args[1] << ": " << out.str();
    return out.str();
  };
  EXPECT_EQ("created the patient database " + file.string() + "\n", db({"init", uri}));
  EXPECT_EQ(std::filesystem::perms::owner_read | std::filesystem::perms::owner_write,  // patient data
            std::filesystem::status(file).permissions());

  const std::string today = COleDateTime::GetCurrentTime().Format("%Y%m%d").GetString();
  EXPECT_EQ("added patient " + today + "-001\n",
            db({"add-patient", "--first", "Anna", "--last", "Lindqvist", "--birthday", "1992-03-14"}));
  EXPECT_EQ("added study 20261204090507 of patient " + today + "-001\n",
            db({"add-study", "--patient", today + "-001", "--start", "2026-12-04 09:05:07", "--nurse", "N-2"}));
  EXPECT_EQ("PATIENT       NAME             STUDY           START                LENGTH  DOCTOR  NURSE  COMMENT\n" +
                today + "-001  Lindqvist, Anna  20261204090507  2026-12-04 09:05:07  0               N-2\n1 row\n",
            db({"studies"}));

  std::filesystem::remove_all(pattern);
}

// Two stations admitting at the same moment draw the same free identifier; the second Add
// fails on the key and the tool draws again, so that every admission lands once.
class DbCommandOnEngine : public EngineTest {};
VUDODA_ON_BOTH_ENGINES(DbCommandOnEngine);

TEST_P(DbCommandOnEngine, TwoStationsAdmittingAtOnceAllLandWithDistinctIdentifiers) {
  constexpr int kEach = 40;
  std::istringstream in;
  std::ostringstream out;
  ToolIo io{in, out, out};
  ASSERT_EQ(0, RunTool(std::vector<std::string>{"db", "init", m_uri}, io)) << out.str();
  EXPECT_EQ(std::string::npos, out.str().find("options=")) << out.str();  // a server's string is not shown
  m_db.Disconnect();  // the stations' own connections only
  pid_t stations[2];
  for (pid_t& station : stations) {
    station = fork();
    ASSERT_NE(-1, station);
    if (station == 0) {
      int failed = 0;
      for (int n = 0; n < kEach; ++n) {
        std::ostringstream quiet;
        ToolIo stationIo{in, quiet, quiet};
        failed += RunTool(std::vector<std::string>{"db", "add-patient", "--first", "Anna", "--last", "Made-Up",
                                                   "--database", m_uri},
                          stationIo) != 0;
      }
      _exit(failed);
    }
  }
  for (const pid_t station : stations) {
    int status = 0;
    waitpid(station, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "failed admissions: " << WEXITSTATUS(status);
  }
  EXPECT_EQ(std::to_string(2 * kEach) + "|" + std::to_string(2 * kEach) + "\n",
            Outside("SELECT count(*), count(DISTINCT P_ID) FROM TBLPatient;"));
}

}  // namespace
