// Faults on real files: another process holding the database's write lock, and a writer killed
// in the middle of its work.

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "database/RowTraits.h"
#include "database/ScratchDatabase.h"

namespace {

using Clock = std::chrono::steady_clock;

class FaultsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    m_file = m_folder.Path() / "station.db";
    m_uri = CreateDatabase(m_file);
    ASSERT_EQ(1, m_db.Connect(m_uri.c_str()));
  }

  std::string Sqlite3(const std::string& script) { return RunSqlite3(m_file, script).output; }

  int Patients() {
    TBLPatient listing(&m_db);
    const int count = listing.CursorOpenCondition();
    listing.CursorClose();
    return count < 0 ? 0 : count;
  }

  ScratchFolder m_folder;
  std::filesystem::path m_file;
  std::string m_uri;
  QnAdo m_db;
  MessageCapture m_messages;
};

// Waits up to `limit` for `done`; whether it came.
template <class Condition>
bool WaitFor(Condition done, std::chrono::seconds limit) {
  for (const auto end = Clock::now() + limit; Clock::now() < end;) {
    if (done()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return done();
}

TEST_F(FaultsTest, AnAddWaitsForAnotherProcesssLockThenFailsAndWritesNothing) {
  const std::filesystem::path marker = m_folder.Path() / "locked";
  FILE* holder = popen(("sqlite3 -batch '" + m_file.string() + "' > /dev/null").c_str(), "w");
  ASSERT_TRUE(holder);
  std::fprintf(holder, "BEGIN EXCLUSIVE;\nINSERT INTO TBLUser (M_ID) VALUES ('holder');\n.shell touch '%s'\n",
               marker.c_str());
  std::fflush(holder);
  ASSERT_TRUE(WaitFor([&] { return std::filesystem::exists(marker); }, std::chrono::seconds(10)));

  TBLPatient patient(&m_db);
  PatientTraits::Fill(patient, 1);
  const auto start = Clock::now();
  EXPECT_EQ(0, patient.Add());
  const auto waited = Clock::now() - start;
  EXPECT_GE(waited, std::chrono::milliseconds(4500));
  EXPECT_LT(waited, std::chrono::seconds(15));
  ASSERT_EQ(1u, m_messages.Shown().size());
  EXPECT_EQ("database is locked", m_messages.Shown()[0].first);
  EXPECT_EQ(static_cast<UINT>(MB_ICONERROR), m_messages.Shown()[0].second);
  EXPECT_EQ(0, m_db.IsRecordsetOpened());
  EXPECT_TRUE(patient.m_P_ID_OLD.IsEmpty());

  std::fprintf(holder, "ROLLBACK;\n");
  pclose(holder);
  EXPECT_EQ("0|0\n", Sqlite3("SELECT (SELECT count(*) FROM TBLPatient), (SELECT count(*) FROM TBLUser);"));
  // The connection is usable again: its transaction was rolled back.
  EXPECT_EQ(1, patient.Add());
  EXPECT_EQ(1, Patients());
}

// Every column of patient `n` at `version` carries both numbers, so a row written in part
// cannot pass for a whole one.
void FillWhole(TBLPatient& patient, int n, int version) {
  patient.m_P_ID.Format("K-%05d", n);
  patient.m_P_FIRST_NAME.Format("F%d.%d", n, version);
  patient.m_P_LAST_NAME.Format("L%d.%d", n, version);
  patient.m_P_COMMENT = CString('a' + version, 200) + patient.m_P_FIRST_NAME;
  patient.m_P_REG_DATE = COleDateTime(2026, 1, 1, 0, 0, 0) + static_cast<DATE>(n);
  patient.m_P_HEIGHT = n + version / 10.0;
  patient.m_P_GR = n;
  patient.m_P_PA = version;
}

[[noreturn]] void WriteUntilKilled(const std::string& uri) {
  QnAdo db;
  if (!db.Connect(uri.c_str())) _exit(2);
  for (int n = 0; n < 1000000; ++n) {
    TBLPatient added(&db);
    FillWhole(added, n, 0);
    if (!added.Add()) _exit(3);
    if (n == 0) continue;
    TBLPatient edited(&db);
    edited.m_P_ID.Format("K-%05d", n - 1);
    if (!edited.Get()) _exit(4);
    FillWhole(edited, n - 1, 1);
    if (!edited.Update()) _exit(5);
  }
  _exit(0);
}

TEST_F(FaultsTest, AWriterKilledMidwayLeavesAnIntactFileOfWholeRows) {
  const pid_t writer = fork();
  ASSERT_NE(-1, writer);
  if (writer == 0) WriteUntilKilled(m_uri);

  const bool progressed = WaitFor([&] { return Patients() >= 40; }, std::chrono::seconds(30));
  kill(writer, SIGKILL);
  int status = 0;
  waitpid(writer, &status, 0);
  ASSERT_TRUE(progressed);
  ASSERT_TRUE(WIFSIGNALED(status)) << "the writer stopped by itself: " << WEXITSTATUS(status);

  EXPECT_EQ("ok\n", Sqlite3("PRAGMA integrity_check;"));
  TBLPatient listing(&m_db);
  const int count = listing.CursorOpenCondition();
  ASSERT_GE(count, 40);
  for (int index = 0; index < count; ++index) {
    ASSERT_EQ(1, listing.CursorGet());
    const int n = static_cast<int>(listing.m_P_GR);
    TBLPatient whole;
    FillWhole(whole, n, static_cast<int>(listing.m_P_PA));
    EXPECT_EQ(PatientTraits::Values(whole), PatientTraits::Values(listing));
    // Every row but the last one or two was edited once.
    if (n < count - 2) {
      EXPECT_EQ(1, listing.m_P_PA) << n;
    }
    listing.CursorMove();
  }
}

}  // namespace
