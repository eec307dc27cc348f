// `vudoda db` end to end, as a user runs it on a scratch database: creating it, adding through
// the row classes, listing, checking passwords; and `db copy` between a station's file and the
// other engine's database, both ways.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "database/ScratchDatabase.h"
#include "database/TBLPatient.h"
#include "database/TBLStudy.h"
#include "database/TBLUser.h"
#include "platform/COleDateTime.h"
#include "qnutilex/QnAdo.h"
#include "tools/ToolRun.h"

namespace {

// A scratch folder for a station file that the tool creates.
class DbCommand : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/vudoda-tool-XXXXXX";
    ASSERT_TRUE(mkdtemp(pattern));
    m_folder = pattern;
    m_uri = "sqlite:" + (m_folder / "station.db").string();
  }
  void TearDown() override { std::filesystem::remove_all(m_folder); }

  // Runs `vudoda db args... --database <the file>`, `input` as its standard input.
  ToolRun Db(std::vector<std::string> args, const std::string& input = "") {
    args.insert(args.begin(), "db");
    args.insert(args.end(), {"--database", m_uri});
    return RunVudoda(args, input);
  }

  std::filesystem::path m_folder;
  std::string m_uri;
};

TEST_F(DbCommand, AdmitsAPatientStartsAStudyAndListsItWithThePatient) {
  const std::string file = (m_folder / "station.db").string();
  EXPECT_EQ("created the patient database " + file + "\n", RunVudoda({"db", "init", m_uri}).out);
  EXPECT_EQ(std::filesystem::perms::owner_read | std::filesystem::perms::owner_write,  // patient data
            std::filesystem::status(file).permissions());

  const std::string today = COleDateTime::GetCurrentTime().Format("%Y%m%d").GetString();
  EXPECT_EQ("added patient " + today + "-001\n",
            Db({"add-patient", "--first", "Anna", "--last", "Lindqvist", "--birthday", "1992-03-14"}).out);
  EXPECT_EQ("added study 20261204090507 of patient " + today + "-001\n",
            Db({"add-study", "--patient", today + "-001", "--start", "2026-12-04 09:05:07", "--nurse", "N-2"}).out);
  EXPECT_EQ("PATIENT       NAME             STUDY           START                LENGTH  DOCTOR  NURSE  COMMENT\n" +
                today + "-001  Lindqvist, Anna  20261204090507  2026-12-04 09:05:07  0               N-2\n1 row\n",
            Db({"studies"}).out);
}

// A user's password is stored as a salted slow hash, never as typed; check-user reads a
// password and says whether it is the user's.
TEST_F(DbCommand, PasswordsAreStoredHashedAndCheckedAgainstTheHash) {
  ASSERT_EQ(Db({"init"}).exitCode, 0);
  ASSERT_EQ(Db({"add-user", "--id", "U-1", "--name", "N. One", "--password", "Geheim 1"}).exitCode, 0);
  ASSERT_EQ(Db({"add-user", "--id", "U-2", "--name", "N. Two", "--password", "-"}, "Geheim 1\r\n").exitCode, 0);
  ASSERT_EQ(Db({"add-user", "--id", "U-3", "--name", "N. Three"}).exitCode, 0);

  QnAdo db;
  ASSERT_TRUE(db.Connect(m_uri.c_str()));
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
    const ToolRun run = Db({"check-user", c.id}, c.typed);
    EXPECT_EQ(run.exitCode, c.exitCode) << c.id << " " << c.typed;
    EXPECT_EQ(run.out + run.err, c.says) << c.id << " " << c.typed;
  }
}

class DbCommandOnEngine : public EngineTest {
 protected:
  // `vudoda db copy from to`: its exit code, then its output and errors.
  std::pair<int, std::string> Copy(const std::string& from, const std::string& to) {
    const ToolRun run = RunVudoda({"db", "copy", from, to});
    return {run.exitCode, run.out + run.err};
  }

  // A new station file with the tables; its URI.
  std::string StationFile(const char* name) {
    const std::string uri = "sqlite:" + (m_folder / name).string();
    EXPECT_EQ(0, RunVudoda({"db", "init", uri}).exitCode);
    return uri;
  }

  std::string Shown(const std::string& uri) const { return IsSqlite() ? uri : "the server"; }
};
VUDODA_ON_BOTH_ENGINES(DbCommandOnEngine);

// Two stations admitting at the same moment draw the same free identifier; the second Add
// fails on the key and the tool draws again, so that every admission lands once.
TEST_P(DbCommandOnEngine, TwoStationsAdmittingAtOnceAllLandWithDistinctIdentifiers) {
  constexpr int kEach = 40;
  const ToolRun init = RunVudoda({"db", "init", m_uri});
  ASSERT_EQ(0, init.exitCode) << init.err;
  EXPECT_EQ(std::string::npos, init.out.find("options=")) << init.out;  // a server's string is not shown
  m_db.Disconnect();  // the stations' own connections only
  pid_t stations[2];
  for (pid_t& station : stations) {
    station = fork();
    ASSERT_NE(-1, station);
    if (station == 0) {
      int failed = 0;
      for (int n = 0; n < kEach; ++n) {
        failed += RunVudoda({"db", "add-patient", "--first", "Anna", "--last", "Made-Up", "--database", m_uri})
                      .exitCode != 0;
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


// `vudoda db copy`: what it adds, that a second run changes nothing, and that a row held with
// other content stops the whole copy and is named.
TEST_P(DbCommandOnEngine, CopiesOnceSkipsWhatIsThereAndRefusesOtherContentWhole) {
  const std::string station = StationFile("source.db");
  QnAdo file;
  ASSERT_EQ(1, file.Connect(station.c_str()));
  TBLPatient anna(&file);
  anna.m_P_ID = "P-1";
  anna.m_P_LAST_NAME = "Lindqvist";
  anna.m_P_REG_DATE = COleDateTime(2026, 12, 4, 9, 5, 7);
  anna.m_P_REG_DATE.m_dt += 0.25 / 86400;  // a quarter second: the fraction crosses too
  anna.m_P_HEIGHT = 168.5;
  ASSERT_EQ(1, anna.Add());
  TBLStudy study(&file);
  study.m_S_ID = "P-1";
  study.m_S_STUDY_ID = "20261204090507";
  study.m_S_LENGTH = 1800;
  ASSERT_EQ(1, study.Add());
  TBLUser user(&file);
  user.m_M_ID = "U-1";
  user.m_M_NAME = "N. Example";
  ASSERT_EQ(1, user.Add());

  EXPECT_EQ(std::make_pair(0, "copied 3 rows to " + Shown(m_uri) + ", skipped 0 identical ones\n"),
            Copy(station, m_uri));
  EXPECT_EQ("P-1|Lindqvist|2026-12-04 09:05:07.250|168.5\n",
            Outside("SELECT P_ID, P_LAST_NAME, P_REG_DATE, P_HEIGHT FROM TBLPatient;"));
  EXPECT_EQ("P-1|20261204090507|1800\nU-1|N. Example\n",
            Outside("SELECT S_ID, S_STUDY_ID, S_LENGTH FROM TBLStudy; SELECT M_ID, M_NAME FROM TBLUser;"));
  EXPECT_EQ(std::make_pair(0, "copied 0 rows to " + Shown(m_uri) + ", skipped 3 identical ones\n"),
            Copy(station, m_uri));

  // And back into a new file: the same rows, so copying that file again changes nothing.
  const std::string back = StationFile("back.db");
  EXPECT_EQ(std::make_pair(0, "copied 3 rows to " + back + ", skipped 0 identical ones\n"), Copy(m_uri, back));
  EXPECT_EQ(std::make_pair(0, "copied 0 rows to " + Shown(m_uri) + ", skipped 3 identical ones\n"),
            Copy(back, m_uri));

  // Another patient, and rows that differ from the target's only in their last column (the
  // study's and the user's edit dates): all refused and named, and the new patient not written.
  TBLPatient maria(&file);
  maria.m_P_ID = "P-2";
  ASSERT_EQ(1, maria.Add());
  ASSERT_TRUE(file.ExecuteSQL("UPDATE TBLStudy SET S_EDIT_DATE = '2026-12-05 10:00:00.000'"));
  ASSERT_TRUE(file.ExecuteSQL("UPDATE TBLUser SET M_EDIT_DATE = '2026-12-05 10:00:00.000'"));
  const char* const editDates = "SELECT S_EDIT_DATE, M_EDIT_DATE FROM TBLStudy, TBLUser;";
  const std::string editDatesBefore = Outside(editDates);
  EXPECT_EQ(std::make_pair(1, "vudoda db: nothing was copied: " + Shown(m_uri) +
                                  " holds other content under these keys:\n  TBLStudy P-1 20261204090507\n"
                                  "  TBLUser U-1\n"),
            Copy(station, m_uri));
  EXPECT_EQ(editDatesBefore, Outside(editDates));
  EXPECT_EQ("1\n", Outside("SELECT count(*) FROM TBLPatient;"));
}

}  // namespace
