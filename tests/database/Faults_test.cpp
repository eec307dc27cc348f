// Faults on real files: another process holding the database's write lock, and a writer killed
// in the middle of its work. Faults of a database server, on a private throwaway server that the
// test crashes and starts again: a session cut off in the middle, a transaction cut off before
// its commit.

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>

#include "database/RowTraits.h"
#include "database/ScratchDatabase.h"

namespace {

using Clock = std::chrono::steady_clock;
using FaultsTest = ScratchDatabaseTest;

// Waits up to 30 seconds for `done`; whether it came.
template <class Condition>
bool WaitFor(Condition done) {
  const auto end = Clock::now() + std::chrono::seconds(30);
  while (!done() && Clock::now() < end) std::this_thread::sleep_for(std::chrono::milliseconds(20));
  return done();
}

TEST_F(FaultsTest, AnAddWaitsForAnotherProcesssLockThenFailsAndWritesNothing) {
  const std::filesystem::path marker = m_folder / "locked";
  FILE* holder = popen(("sqlite3 -batch '" + m_file.string() + "' > /dev/null").c_str(), "w");
  ASSERT_TRUE(holder);
  std::fprintf(holder, "BEGIN EXCLUSIVE;\nINSERT INTO TBLUser (M_ID) VALUES ('holder');\n.shell touch '%s'\n",
               marker.c_str());
  std::fflush(holder);
  ASSERT_TRUE(WaitFor([&] { return std::filesystem::exists(marker); }));

  TBLPatient patient(&m_db);
  patient.m_P_ID = "P-1";
  const auto start = Clock::now();
  EXPECT_EQ(0, patient.Add());
  EXPECT_GE(Clock::now() - start, std::chrono::milliseconds(4500));  // the busy timeout
  ASSERT_EQ(1u, ShownMessages().size());
  EXPECT_EQ("database is locked", ShownMessages()[0].first);
  EXPECT_EQ(static_cast<UINT>(MB_ICONERROR), ShownMessages()[0].second);
  EXPECT_EQ(0, m_db.IsRecordsetOpened());

  std::fprintf(holder, "ROLLBACK;\n");
  pclose(holder);
  EXPECT_EQ("0\n", Outside("SELECT count(*) FROM TBLPatient;"));
  // The connection's transaction was rolled back: it adds again.
  EXPECT_EQ(1, patient.Add());
  EXPECT_EQ("1\n", Outside("SELECT count(*) FROM TBLPatient;"));
}

// Every column of patient `n` at `version` carries both numbers, so a row written in part
// cannot pass for a whole one.
void FillWhole(TBLPatient& patient, int n, int version) {
  patient.m_P_ID.Format("K-%05d", n);
  patient.m_P_COMMENT = CString('a' + version, 200) + patient.m_P_ID;
  patient.m_P_REG_DATE = COleDateTime(2026, 1, 1, 0, 0, 0) + static_cast<DATE>(n);
  patient.m_P_HEIGHT = n + version / 10.0;
  patient.m_P_GR = n;
  patient.m_P_PA = version;
  patient.m_P_ID_OLD = patient.m_P_ID;
}

// Adds patient n and rewrites patient n - 1, on and on.
[[noreturn]] void WriteUntilKilled(const std::string& uri) {
  QnAdo db;
  if (!db.Connect(uri.c_str())) _exit(2);
  for (int n = 0;; ++n) {
    TBLPatient added(&db), edited(&db);
    FillWhole(added, n, 0);
    FillWhole(edited, n - 1, 1);
    if (!added.Add() || (n > 0 && !edited.Update())) _exit(3);
  }
}

TEST_F(FaultsTest, AWriterKilledMidwayLeavesAnIntactFileOfWholeRows) {
  const pid_t writer = fork();
  ASSERT_NE(-1, writer);
  if (writer == 0) WriteUntilKilled(m_uri);

  const bool progressed = WaitFor([&] { return Outside("SELECT count(*) >= 40 FROM TBLPatient;") == "1\n"; });
  kill(writer, SIGKILL);
  int status = 0;
  waitpid(writer, &status, 0);
  ASSERT_TRUE(progressed);
  ASSERT_TRUE(WIFSIGNALED(status)) << "the writer stopped by itself: " << WEXITSTATUS(status);

  EXPECT_EQ("ok\n", Outside("PRAGMA integrity_check;"));
  EXPECT_EQ("wal\n", Outside("PRAGMA journal_mode;"));
  TBLPatient listing(&m_db);
  const int count = listing.CursorOpenCondition();
  ASSERT_GE(count, 40);
  for (int index = 0; index < count; ++index, listing.CursorMove()) {
    ASSERT_EQ(1, listing.CursorGet());
    const int n = static_cast<int>(listing.m_P_GR);
    TBLPatient whole;
    FillWhole(whole, n, static_cast<int>(listing.m_P_PA));
    EXPECT_EQ(PatientTraits::Values(whole), PatientTraits::Values(listing));
    EXPECT_TRUE(n >= count - 2 || listing.m_P_PA == 1) << n;  // all but the last one or two were edited
  }
}

// A server of this test's own: crashing it must not cut other tests' sessions. Its script is run
// from a folder that only this test's user may enter, as from a checkout under /root: run as
// root, the server's programs run as postgres, and must neither fail nor complain there.
class ServerFaultsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    m_dir = "/tmp/vudoda-pgf-" + std::to_string(getpid());
    m_callerFolder = m_dir + "-caller";
    std::filesystem::create_directories(m_callerFolder);
    std::filesystem::permissions(m_callerFolder, std::filesystem::perms::owner_all);
    ASSERT_EQ("", Server("start"));
    m_uri = "host=" + m_dir + " dbname=postgres user=vudoda";
    QnAdo admin;
    ASSERT_EQ(1, admin.Connect(m_uri.c_str())) << admin.GetLastErrorString().GetString();
    ASSERT_EQ(1, admin.ExecuteSQL(PostgresqlSchema()));
  }
  void TearDown() override {
    EXPECT_EQ("", Server("stop"));
    std::filesystem::remove_all(m_callerFolder);
  }

  // The script's output and errors: none when it did its work.
  std::string Server(const char* command) {
    return RunCommand("cd '" + m_callerFolder + "' && " + VUDODA_POSTGRES_SERVER + " " + command + " " + m_dir);
  }

  std::string m_dir, m_callerFolder, m_uri;
};

TEST_F(ServerFaultsTest, ACrashedServerFailsTheNextOperationAtOnceAndConnectingAgainWorks) {
  QnAdo db;
  ASSERT_EQ(1, db.Connect(m_uri.c_str()));
  TBLPatient patient(&db);
  patient.m_P_ID = "P-1";
  patient.m_P_COMMENT = "old";
  ASSERT_EQ(1, patient.Add());

  // A transaction cut off before its commit leaves the old row.
  ASSERT_EQ(1, db.BeginTrans());
  ASSERT_EQ(1, db.ExecuteSQL("UPDATE TBLPatient SET P_COMMENT = 'new' WHERE P_ID = 'P-1'"));
  ASSERT_EQ("", Server("crash"));
  const auto start = Clock::now();
  EXPECT_EQ(0, db.CommitTrans());
  EXPECT_LT(Clock::now() - start, std::chrono::seconds(5));
  EXPECT_NE(-1, db.GetLastErrorString().Find("server closed the connection")) << db.GetLastErrorString().GetString();
  TBLPatient read(&db);
  read.m_P_ID = "P-1";
  EXPECT_EQ(0, read.Get());  // the connection stays down, every operation says so

  ASSERT_EQ("", Server("resume"));
  ASSERT_EQ(1, db.Connect(m_uri.c_str())) << db.GetLastErrorString().GetString();
  ASSERT_EQ(1, read.Get());
  EXPECT_STREQ("old", read.m_P_COMMENT.GetString());
  read.m_P_COMMENT = "after";
  EXPECT_EQ(1, read.Update());
}

}  // namespace
