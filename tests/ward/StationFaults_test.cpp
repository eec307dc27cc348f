// The station through faults that used to freeze or stop it: a database another connection
// keeps locked for twenty seconds (on both engines), and no descriptors left to accept with.
#include <sys/resource.h>
#include <unistd.h>

#include <filesystem>

#include "database/ScratchDatabase.h"
#include "ward/AddressedMonitor.h"
#include "ward/StationFixture.h"

namespace {

using namespace std::chrono_literals;

// How long the other connection holds its lock.
constexpr auto kStall = 20s;

// A station whose database is a SQLite file or a schema of its own on the test server; another
// connection to the same database can lock it.
class StationStallTest : public StationFixture, public ::testing::WithParamInterface<Engine> {
 protected:
  void SetUp() override {
    StationFixture::SetUp();
    if (GetParam() == Engine::kSqlite) {
      m_uri = "sqlite:" + DatabaseFile();
      return;
    }
    m_schema = "ward_" + std::to_string(::getpid());
    ASSERT_EQ(1, m_admin.Connect(TestServer().c_str())) << m_admin.GetLastErrorString().GetString();
    ASSERT_EQ(1, m_admin.ExecuteSQL(("DROP SCHEMA IF EXISTS " + m_schema + " CASCADE; CREATE SCHEMA " + m_schema).c_str()));
    m_uri = TestServer() + " options='-csearch_path=" + m_schema + "'";
    QnAdo tables;
    ASSERT_EQ(1, tables.Connect(m_uri.c_str()));
    ASSERT_EQ(1, tables.ExecuteSQL(SchemaFor(m_uri.c_str())));
  }
  void TearDown() override {
    StationFixture::TearDown();
    if (!m_schema.empty()) m_admin.ExecuteSQL(("DROP SCHEMA IF EXISTS " + m_schema + " CASCADE").c_str());
  }

  // Another connection takes a lock that makes every write of the station wait (and on the
  // server, every look at a study too).
  void Lock() {
    ASSERT_EQ(1, m_locker.Connect(m_uri.c_str())) << m_locker.GetLastErrorString().GetString();
    if (GetParam() == Engine::kSqlite) {
      ASSERT_EQ(1, m_locker.ExecuteSQL("BEGIN IMMEDIATE"));
    } else {
      ASSERT_EQ(1, m_locker.ExecuteSQL("BEGIN"));
      ASSERT_EQ(1, m_locker.ExecuteSQL("LOCK TABLE TBLStudy IN ACCESS EXCLUSIVE MODE"));
    }
  }
  void Unlock() { ASSERT_EQ(1, m_locker.ExecuteSQL("ROLLBACK")); }

  // Waits up to `limit` for the recording of the bed's one study to hold `size` bytes.
  bool WaitForRecorded(const std::string& patientId, std::size_t size, std::chrono::milliseconds limit) {
    const std::filesystem::path folder = m_folder / "Studies" / patientId;
    const auto until = std::chrono::steady_clock::now() + limit;
    do {
      std::error_code error;
      for (const auto& entry : std::filesystem::directory_iterator(folder, error)) {
        if (entry.path().extension() == ".link" && entry.file_size() >= size) return true;
      }
      std::this_thread::sleep_for(20ms);
    } while (std::chrono::steady_clock::now() < until);
    return false;
  }

  std::string m_uri;
  std::string m_schema;
  QnAdo m_admin;
  QnAdo m_locker;
};

// A row lock held for twenty seconds on the server used to freeze every bed's reading, silence
// detection and new connections: admissions and figures ran on the event loop.
TEST_P(StationStallTest, AStalledDatabaseDelaysNoBedsRecordingNoSilenceReportAndNoConnection) {
  StationOptions options = Options(8, 1s);
  options.databaseUri = m_uri;
  options.statementTimeout = 5s;
  StartStation(options);
  const Bytes first = StationBedside::Link(31, 20000, "TEST-31");
  const std::size_t third = StationBedside::PacketBoundary(first, first.size() / 3);
  const std::size_t twoThirds = StationBedside::PacketBoundary(first, 2 * first.size() / 3);
  LinkConnection bedOne;
  ASSERT_EQ(bedOne.Connect(m_address), std::nullopt);
  ASSERT_TRUE(bedOne.Send(std::span(first).first(third)));
  ASSERT_TRUE(WaitForEvent("bed 1: patient TEST-31, new study", 10s)) << Events();

  Lock();
  const auto stalled = std::chrono::steady_clock::now();
  std::this_thread::sleep_for(1s);  // the figures of bed 1 wait for the database now

  const Bytes second = StationBedside::Link(32, 5000, "TEST-32");
  LinkConnection bedTwo;
  ASSERT_EQ(bedTwo.Connect(m_address), std::nullopt);
  ASSERT_TRUE(bedTwo.Send(second));
  EXPECT_TRUE(WaitForEvent("bed 2: monitor connected from", 1s)) << Events();

  ASSERT_TRUE(bedOne.Send(std::span(first).subspan(third, twoThirds - third)));
  EXPECT_TRUE(WaitForRecorded("TEST-31", twoThirds, 2s));
  EXPECT_TRUE(WaitForEvent("bed 1: communication failure: no data for 1 s", 3s)) << Events();
  ASSERT_TRUE(bedOne.Send(std::span(first).subspan(twoThirds)));
  EXPECT_TRUE(WaitForRecorded("TEST-31", first.size(), 2s));
  EXPECT_TRUE(WaitForEvent("bed 1: link restored", 2s));
  EXPECT_EQ(EventsWith("bed 2: patient TEST-32"), 0u) << "the lock let the admission through";
  ASSERT_LT(std::chrono::steady_clock::now() - stalled, kStall) << "all of the above while the database stalled";

  std::this_thread::sleep_until(stalled + kStall);
  Unlock();
  EXPECT_TRUE(WaitForEvent("bed 2: patient TEST-32, new study", 15s)) << Events();
  bedOne.Close();
  bedTwo.Close();
  ASSERT_TRUE(WaitForEvents("communication failure", 3, 5s)) << Events();
  StopStation();
  EXPECT_EQ(ReadFile(StudyRecording::LinkPath(m_folder.string(), "TEST-31", StudyIdTold("bed 1: patient TEST-31"))),
            Text(first));
  EXPECT_EQ(ReadFile(StudyRecording::LinkPath(m_folder.string(), "TEST-32", StudyIdTold("bed 2: patient TEST-32"))),
            Text(second));
  EXPECT_GE(EventsWith("the admission is tried again, its link waits"), 1u) << Events();
}

VUDODA_ON_BOTH_ENGINES(StationStallTest);

using StationDescriptorTest = StationFixture;

// The descriptors this process has open.
int OpenDescriptors() {
  int count = 0;
  for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator("/proc/self/fd")) ++count;
  return count;
}

double CpuSeconds() {
  rusage usage{};
  ::getrusage(RUSAGE_SELF, &usage);
  return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
         static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// Accept used to be re-armed at once after an error: with no descriptor left, the loop spun
// through tens of thousands of failing accepts a second.
TEST_F(StationDescriptorTest, WithNoDescriptorLeftTheStationWaitsToAcceptTellsItOnceAndRecovers) {
  StartStation();
  // Settled: the station wrote its list of open studies (none), as it does when it starts, and
  // opens no file until a monitor connects.
  for (int tries = 0; tries < 200 && !std::filesystem::exists(m_folder / "Studies" / "open-studies"); ++tries) {
    std::this_thread::sleep_for(10ms);
  }
  std::this_thread::sleep_for(300ms);
  AddressedMonitor monitor;
  ASSERT_TRUE(monitor.Open("127.0.0.1"));
  rlimit saved{};
  ::getrlimit(RLIMIT_NOFILE, &saved);
  const rlimit low{static_cast<rlim_t>(OpenDescriptors() + 16), saved.rlim_max};
  ASSERT_EQ(::setrlimit(RLIMIT_NOFILE, &low), 0);
  std::vector<int> fillers;
  for (int fd; (fd = ::dup(STDERR_FILENO)) >= 0;) fillers.push_back(fd);
  ASSERT_TRUE(monitor.Connect(m_port));  // the connection waits for a descriptor of the station's

  ASSERT_TRUE(WaitForEvent("cannot accept monitors (Too many open files): trying again", 2s)) << Events();
  const double cpuBefore = CpuSeconds();
  std::this_thread::sleep_for(1s);
  const double cpuUsed = CpuSeconds() - cpuBefore;
  EXPECT_EQ(EventsWith("cannot accept monitors"), 1u) << Events();
  EXPECT_LT(cpuUsed, 0.3) << "the loop spins on the failing accept";

  for (const int fd : fillers) ::close(fd);
  ::setrlimit(RLIMIT_NOFILE, &saved);
  EXPECT_TRUE(WaitForEvent("accepting monitors again", 3s)) << Events();
  EXPECT_TRUE(WaitForEvent("bed 1: monitor connected from 127.0.0.1:", 1s)) << Events();
}

}  // namespace
