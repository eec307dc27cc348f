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
#include "database/TBLUser.h"
#include "platform/COleDateTime.h"
#include "qnutilex/QnAdo.h"
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

// A user's password is stored as a salted slow hash, never as typed; check-user reads a
// password and says whether it is the user's.
TEST(DbCommand, PasswordsAreStoredHashedAndCheckedAgainstTheHash) {
  char pattern[] = "/tmp/vudoda-tool-XXXXXX";
  ASSERT_TRUE(mkdtemp(pattern));
  const std::string uri = std::string("sqlite:") + pattern + "/station.db";
  const auto vudoda = [&](std::vector<std::string> args, const std::string& input = "") {
    args.insert(args.end(), {"--database", uri});
    std::istringstream in(input);
    std::ostringstream out, err;
    ToolIo io{in, out, err};
    const int exitCode = RunTool(args, io);
    return std::make_pair(exitCode, out.str() + err.str());
  };
  ASSERT_EQ(vudoda({"db", "init"}).first, 0);
  ASSERT_EQ(vudoda({"db", "add-user", "--id", "U-1", "--name", "N. One", "--password", "Geheim 1"}).first, 0);
  ASSERT_EQ(vudoda({"db", "add-user", "--id", "U-2", "--name", "N. Two", "--password", "-"}, "Geheim 1\r\n").first, 0);
  ASSERT_EQ(vudoda({"db", "add-user", "--id", "U-3", "--name", "N. Three"}).first, 0);

  QnAdo db;
  ASSERT_TRUE(db.Connect(uri.c_str()));
  std::vector<std::string> stored;
  for (const char* id : {"U-1", "U-2"}) {
    TBLUser user(&db);
    user.m_M_ID = id;
    ASSERT_TRUE(user.Get()) << id;
    stored.emplace_back(user.m_M_PASSWORD.GetString());
    EXPECT_EQ(stored.back().size(), 49u) << stored.back();
    EXPECT_TRUE(stored.back().starts_with("$a2$")) << stored.back();
    EXPECT_EQ(stored.back().find("Geheim"), std::string::npos);
  }
  EXPECT_NE(stored[0], stored[1]) << "the same password, salted twice";
  // A row written by another host with the password as typed.
  ASSERT_TRUE(db.ExecuteSQL("INSERT INTO TBLUser (M_ID, M_NAME, M_PASSWORD) VALUES ('U-4', 'N. Four', 'plain')"));

  const struct { const char* id; const char* typed; int exitCode; const char* says; } checks[] = {
      {"U-1", "Geheim 1\n", 0, "the password of user U-1 matches\n"},
      {"U-2", "Geheim 1", 0, "the password of user U-2 matches\n"},
      {"U-1", "geheim 1\n", 1, "vudoda db: the password of user U-1 does not match\n"},
      {"U-1", "", 1, "vudoda db: no password was given\n"},
      {"U-3", "\n", 1, "vudoda db: user U-3 has no password hash to check against\n"},
      {"U-4", "plain\n", 1, "vudoda db: user U-4 has no password hash to check against\n"},
      {"U-9", "Geheim 1\n", 1, "vudoda db: no user U-9\n"},
  };
  for (const auto& c : checks) {
    const auto [exitCode, said] = vudoda({"db", "check-user", c.id}, c.typed);
    EXPECT_EQ(exitCode, c.exitCode) << c.id << " " << c.typed;
    EXPECT_EQ(said, c.says) << c.id << " " << c.typed;
  }
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
