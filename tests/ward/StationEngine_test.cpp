#include "ward/StationEngine.h"

#include <boost/asio.hpp>
#include <atomic>
#include <random>
#include <thread>

#include "database/TBLPatient.h"
#include "qnutilex/QnAdo.h"
#include "ward/StationFixture.h"

namespace asio = boost::asio;

namespace {

using namespace std::chrono_literals;

using StationEngineTest = StationFixture;

// The defaults are what a ward is promised without a word of configuration: when a silent link
// is called lost, how long a returning mother's study waits for her, how stale the disk and the
// database may be, how long an admission waits for a lock.
TEST(StationOptionsTest, TheDefaultsAreAWardsPromises) {
  const StationOptions options;
  EXPECT_EQ(options.listenAddress, "0.0.0.0");
  EXPECT_EQ(options.port, 4500);
  EXPECT_EQ(options.beds, 64);
  EXPECT_EQ(options.monitorCodePage, 1252u);
  EXPECT_EQ(options.silence, 5s);
  EXPECT_EQ(options.reconnectWindow, 600s);
  EXPECT_EQ(options.syncInterval, 5s);
  EXPECT_EQ(options.statementTimeout, 10s);
  EXPECT_EQ(options.refreshInterval, 1s);
  EXPECT_TRUE(options.monitorsFile.empty()) << "a station without a ward file is open to any monitor";
  EXPECT_FALSE(options.stopOnSignals);
}

constexpr int kWardBeds = 64;
constexpr std::uint64_t kWardLinkMilliseconds = 10'000;

// A flood of seeded random bytes on its own connection until `done`, at most 16 MiB.
void SpewGarbage(const std::string& address, const std::atomic<bool>& done, LinkConnection& connection) {
  if (connection.Connect(address)) return;
  std::mt19937 random(13);
  std::vector<unsigned char> chunk(64 * 1024);
  for (int sent = 0; sent < 256 && !done; ++sent) {
    for (unsigned char& byte : chunk) byte = static_cast<unsigned char>(random());
    if (!connection.Send(chunk)) return;
  }
}

TEST_F(StationEngineTest, SixtyFourBedsAreRecordedByteForByteBesideAGarbageFlood) {
  StartStation(kWardBeds + 1);
  std::vector<std::vector<unsigned char>> links;
  std::vector<LinkConnection> bedsides(kWardBeds);
  for (std::uint32_t seed = 1; seed <= kWardBeds; ++seed) {
    links.push_back(StationBedside::Link(seed, kWardLinkMilliseconds, StationBedside::PatientId(seed)));
    ASSERT_EQ(bedsides[seed - 1].Connect(m_address), std::nullopt);
  }
  std::atomic<bool> done = false;
  LinkConnection garbage;
  std::thread spewer([&] { SpewGarbage(m_address, done, garbage); });
  // Ten seconds of link in twenty pieces, five times faster than real.
  constexpr std::size_t kPieces = 20;
  for (std::size_t piece = 0; piece < kPieces; ++piece) {
    for (int bed = 0; bed < kWardBeds; ++bed) {
      const std::vector<unsigned char>& link = links[static_cast<std::size_t>(bed)];
      const std::size_t size = (link.size() + kPieces - 1) / kPieces;
      const std::size_t offset = std::min(link.size(), piece * size);
      ASSERT_TRUE(bedsides[static_cast<std::size_t>(bed)].Send(
          std::span(link).subspan(offset, std::min(size, link.size() - offset))));
    }
    std::this_thread::sleep_for(100ms);
  }
  for (LinkConnection& bedside : bedsides) bedside.Close();
  ASSERT_TRUE(WaitForEvents("the monitor closed the link", kWardBeds, 30s));
  done = true;
  spewer.join();
  StopStation();

  for (std::uint32_t seed = 1; seed <= kWardBeds; ++seed) {
    const std::string patientId = StationBedside::PatientId(seed);
    EXPECT_EQ(RecordingOf(patientId), Text(links[seed - 1])) << patientId;
    EXPECT_EQ(StudyOf(patientId).m_S_LENGTH, 10) << patientId;
  }
  const std::vector<BedRow> rows = LastRows();
  const auto flooded = std::count_if(rows.begin(), rows.end(), [](const BedRow& row) { return row.badBytes > 0; });
  EXPECT_EQ(flooded, 1);
}

TEST_F(StationEngineTest, UnknownBytesAndAWrongKeyAreCountedAndRecordedAsSent) {
  StartStation();
  std::vector<unsigned char> link = StationBedside::Link(3, 2500, "TEST-3");
  // Ten bytes that begin no packet after the first packet, and the last numerics packet (108
  // bytes, the link's end) with its key byte changed.
  link.insert(link.begin() + 4, {0x00, 0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08, 0x09});
  ASSERT_EQ(link[link.size() - 108], 0xC1);
  link.back() = 0x5A;
  LinkConnection bedside;
  ASSERT_EQ(bedside.Connect(m_address), std::nullopt);
  ASSERT_TRUE(StationBedside::Send(bedside, link, 4, 10ms));
  bedside.Close();
  ASSERT_TRUE(WaitForEvent("bed 1: communication failure: the monitor closed the link", 10s));
  StopStation();

  EXPECT_EQ(RecordingOf("TEST-3"), Text(link));
  EXPECT_EQ(StudyOf("TEST-3").m_S_LENGTH, 1);  // two numerics packets sent, one with a wrong key
  EXPECT_EQ(LastRows().front().badBytes, 10u + 108u);
}

TEST_F(StationEngineTest, AKilledBedIsReportedAtOnceAndItsStudyGoesOnWhenItComesBack) {
  StartStation();
  const std::vector<unsigned char> first = StationBedside::Link(7, 5000, "TEST-7");
  const std::vector<unsigned char> second = StationBedside::Link(8, 5000, "TEST-7");
  {
    LinkConnection bedside;
    ASSERT_EQ(bedside.Connect(m_address), std::nullopt);
    ASSERT_TRUE(StationBedside::Send(bedside, first, 5, 10ms));
    ASSERT_TRUE(WaitForEvent("bed 1: patient TEST-7, new study", 10s));
    const auto killed = std::chrono::steady_clock::now();
    bedside.Close();
    ASSERT_TRUE(WaitForEvent("bed 1: communication failure", 6s));
    EXPECT_LT(std::chrono::steady_clock::now() - killed, 6s);
  }
  VisitBed(second, "goes on", 2);
  StopStation();

  EXPECT_EQ(RecordingOf("TEST-7"), Text(first) + Text(second));
  EXPECT_EQ(StudyOf("TEST-7").m_S_LENGTH, 10);
}

// While the links go on, what came is in each bed's file within the write interval (a second)
// and the figures in the database within a sync interval after it; nothing waits for the link
// to end.
TEST_F(StationEngineTest, WhileBedsGoOnTheirLinksReachTheFilesAndTheirFiguresTheDatabaseWithinTheIntervals) {
  StartStation();
  constexpr std::uint32_t kBeds = 3;
  std::vector<LinkConnection> bedsides(kBeds);
  std::vector<std::vector<unsigned char>> links;
  for (std::uint32_t bed = 0; bed < kBeds; ++bed) {
    links.push_back(StationBedside::Link(20 + bed, 5000, StationBedside::PatientId(20 + bed)));
    ASSERT_EQ(bedsides[bed].Connect(m_address), std::nullopt);
    ASSERT_TRUE(bedsides[bed].Send(links[bed]));
  }
  ASSERT_TRUE(WaitForEvents("new study", kBeds, 10s)) << Events();
  const auto arrived = [&] {
    for (std::uint32_t bed = 0; bed < kBeds; ++bed) {
      const std::string patient = StationBedside::PatientId(20 + bed);
      if (RecordingOf(patient) != Text(links[bed]) || StudyOf(patient).m_S_LENGTH != 5) return false;
    }
    return true;
  };
  bool inTime = false;
  for (int tries = 0; tries < 30 && !inTime; ++tries) {
    std::this_thread::sleep_for(100ms);
    inTime = arrived();
  }
  EXPECT_TRUE(inTime) << "not in the files and the database within 3 s";
  EXPECT_EQ(EventsWith("closed"), 0u);
  for (LinkConnection& bedside : bedsides) bedside.Close();
  StopStation();
}

TEST_F(StationEngineTest, ASilentBedHasACommunicationFailureUntilItSpeaksAgain) {
  StartStation(8, 1s);
  const std::vector<unsigned char> link = StationBedside::Link(5, 5000, "TEST-5");
  const std::size_t half = link.size() / 2;
  LinkConnection bedside;
  ASSERT_EQ(bedside.Connect(m_address), std::nullopt);
  ASSERT_TRUE(bedside.Send(std::span(link).first(half)));
  const auto silentFrom = std::chrono::steady_clock::now();
  ASSERT_TRUE(WaitForEvent("bed 1: communication failure: no data for 1 s", 3s));
  EXPECT_GE(std::chrono::steady_clock::now() - silentFrom, 900ms);
  ASSERT_TRUE(bedside.Send(std::span(link).subspan(half)));
  ASSERT_TRUE(WaitForEvent("bed 1: link restored", 3s));
  bedside.Close();
  ASSERT_TRUE(WaitForEvents("bed 1: communication failure", 2, 3s));
  StopStation();
  EXPECT_EQ(RecordingOf("TEST-5"), Text(link));
}

TEST_F(StationEngineTest, AMonitorBeyondTheWardIsToldWhyAndTheRestartedStationContinues) {
  StartStation(1);
  const std::vector<unsigned char> first = StationBedside::Link(9, 2500, "TEST-9");
  LinkConnection bedside;
  ASSERT_EQ(bedside.Connect(m_address), std::nullopt);
  ASSERT_TRUE(bedside.Send(first));
  ASSERT_TRUE(WaitForEvent("bed 1: patient TEST-9", 10s));

  asio::io_context context;
  asio::ip::tcp::socket extra(context);
  extra.connect(asio::ip::tcp::endpoint(asio::ip::make_address("127.0.0.1"),
                                        static_cast<unsigned short>(m_station->Port())));
  std::string reason(256, '\0');
  boost::system::error_code error;
  reason.resize(asio::read(extra, asio::buffer(reason), error));
  EXPECT_EQ(reason, "the station refused the link: all 1 beds are taken\n");
  EXPECT_TRUE(WaitForEvent("refused the monitor at 127.0.0.1:", 5s));

  bedside.Close();
  ASSERT_TRUE(WaitForEvent("communication failure", 5s));
  StopStation();
  EXPECT_EQ(StudyOf("TEST-9").m_S_LENGTH, 2);  // whole seconds of ten samples

  StartStation(1);
  const std::vector<unsigned char> second = StationBedside::Link(10, 2500, "TEST-9");
  VisitBed(second, "goes on", 2);
  StopStation();
  EXPECT_EQ(RecordingOf("TEST-9"), Text(first) + Text(second));
  EXPECT_EQ(StudyOf("TEST-9").m_S_LENGTH, 5);  // ten samples from each link: 2.5 s twice
}

TEST_F(StationEngineTest, APatientWithoutIdentifierIsAdmittedUnderTodaysFirstFreeOne) {
  StartStation();
  VisitBed(StationBedside::Link(4, 1250, ""), "new study", 1);
  StopStation();
  QnAdo db;
  ASSERT_TRUE(db.Connect(("sqlite:" + File("ward.db")).c_str()));
  TBLPatient patient(&db);
  ASSERT_EQ(patient.CursorOpenCondition(), 1);
  ASSERT_TRUE(patient.CursorGet());
  patient.CursorClose();
  const COleDateTime today = COleDateTime::GetCurrentTime();
  EXPECT_EQ(std::string(patient.m_P_ID.GetString()), std::string(today.Format("%Y%m%d").GetString()) + "-001");
  EXPECT_EQ(std::string(patient.m_P_LAST_NAME.GetString()), "Testmother");
  EXPECT_EQ(std::string(patient.m_P_FIRST_NAME.GetString()), "Bed4");
  EXPECT_EQ(patient.m_P_BIRTHDAY.Format("%Y-%m-%d"), "1990-05-05");
}

}  // namespace
