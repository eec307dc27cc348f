// `vudoda station` as a process through what a ward's station meets: killed ten times while
// eight beds stream, two patients whose identifiers differ only in punctuation admitted in the
// same second, a disk that fills and clears, a database another program keeps locked for twenty
// seconds, a restart after a kill. Afterwards every bed's recording is, byte for byte, what its
// monitor sent while the station was up, in her own study.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <random>
#include <thread>

#include "link/LinkConnection.h"
#include "link/RecordingScratch.h"
#include "qnutilex/QnAdo.h"
#include "tools/StationChild.h"
#include "ward/AddressedMonitor.h"
#include "ward/StationBedside.h"
#include "ward/StudyRecording.h"

namespace {

using namespace std::chrono_literals;

class StationEndurance : public RecordingScratch {
 protected:
  void SetUp() override {
    RecordingScratch::SetUp();
    Write("Maternis.ini", "[CENTRAL_DEFAULT]\r\nData Path=" + m_folder.string() + "\r\n");
    m_port = StationChild::FreePort();
  }

  // The identifier of the new study a station's log tells for `text` ("bed 1: patient X").
  static std::string StudyIdIn(const std::string& log, const std::string& text) {
    const std::size_t told = log.find(text + ", new study ");
    return told == std::string::npos ? "" : log.substr(told + text.size() + 12, 14);
  }
  std::string RecordingPath(const std::string& patientId, const std::string& studyId) const {
    return StudyRecording::LinkPath(m_folder.string(), patientId, studyId);
  }
  static std::size_t SizeOf(const std::string& path) {
    struct stat status {};
    return ::stat(path.c_str(), &status) == 0 ? static_cast<std::size_t>(status.st_size) : 0;
  }
  static bool WaitForSize(const std::string& path, std::size_t size, std::chrono::milliseconds limit = 5s) {
    const auto until = std::chrono::steady_clock::now() + limit;
    while (SizeOf(path) < size) {
      if (std::chrono::steady_clock::now() > until) return false;
      std::this_thread::sleep_for(10ms);
    }
    return true;
  }
  // The patient's one study as the database holds it.
  TBLStudy Stored(const std::string& patientId) const {
    return StationBedside::StoredStudy(File("ward.db"), patientId);
  }
  static std::string Text(std::span<const unsigned char> bytes) { return {bytes.begin(), bytes.end()}; }

  int m_port = 0;
};

// What went wrong when `recording` is not the links of `segments` one after another, each cut
// at a packet boundary no earlier than `confirmed` and the last one whole; "" when it is.
// `confirmed` is what the test saw in the file before it killed the station: the station holds
// a bed's link in memory for up to a second before it writes it, and counts a piece as recorded
// (in its figures, on its screen) only once it is in the file, which a kill cannot take back.
std::string Mismatch(const std::string& recording, const std::vector<Bytes>& segments,
                     const std::vector<std::size_t>& confirmed) {
  std::size_t pos = 0;
  for (std::size_t round = 0; round < segments.size(); ++round) {
    const Bytes& segment = segments[round];
    std::size_t common = 0;
    while (pos + common < recording.size() && common < segment.size() &&
           static_cast<unsigned char>(recording[pos + common]) == segment[common]) {
      ++common;
    }
    const bool last = round + 1 == segments.size();
    if (last ? common != segment.size()
             : common < confirmed[round] || StationBedside::PacketBoundary(segment, common) != common) {
      return "link " + std::to_string(round) + " holds " + std::to_string(common) + " of its " +
             std::to_string(segment.size()) + " bytes at offset " + std::to_string(pos) + ", at least " +
             std::to_string(last ? segment.size() : confirmed[round]) + " expected, ending with a packet";
    }
    pos += common;
  }
  return pos == recording.size() ? "" : std::to_string(recording.size() - pos) + " bytes more than were sent";
}

void SleepToNextSecond() {
  const auto now = std::chrono::system_clock::now();
  std::this_thread::sleep_until(std::chrono::ceil<std::chrono::seconds>(now) + 50ms);
}

constexpr int kBeds = 8;
constexpr int kKills = 10;

std::string PatientOf(int bed) {
  if (bed == 1) return "AB.1";
  if (bed == 2) return "AB/1";  // the same as bed 1's, but for the punctuation
  return "TEST-" + std::to_string(70 + bed);
}
std::string AddressOf(int bed) { return "127.0.0." + std::to_string(10 + bed); }

TEST_F(StationEndurance, EightBedsThroughTenKillsAreRecordedAsSentEachInItsOwnStudy) {
  std::string ward;
  for (int bed = 1; bed <= kBeds; ++bed) ward += std::to_string(bed) + " " + AddressOf(bed) + "\n";
  const std::vector<std::string> options = {"--monitors", Write("ward.txt", ward)};
  std::vector<std::vector<Bytes>> segments(kBeds + 1);
  std::vector<std::vector<std::size_t>> confirmed(kBeds + 1);
  std::vector<std::string> paths(kBeds + 1);
  std::mt19937 random(7);
  for (int round = 0; round <= kKills; ++round) {
    StationChild station(m_folder.string(), m_port, options);
    ASSERT_TRUE(station.WaitFor("station listening")) << station.Log();
    if (round == 0) SleepToNextSecond();
    std::vector<AddressedMonitor> monitors(kBeds + 1);
    std::vector<std::size_t> before(kBeds + 1), half(kBeds + 1);
    for (int bed = 1; bed <= kBeds; ++bed) {
      const Bytes& segment =
          segments[bed].emplace_back(StationBedside::Link(static_cast<std::uint32_t>(100 * round + bed), 2500, PatientOf(bed)));
      half[bed] = StationBedside::PacketBoundary(segment, segment.size() / 2);
      before[bed] = SizeOf(paths[bed]);
      ASSERT_TRUE(monitors[bed].Connect(AddressOf(bed), m_port));
      ASSERT_TRUE(monitors[bed].Send(std::span(segment).first(half[bed])));
    }
    if (round == 0) {
      ASSERT_TRUE(station.WaitFor(", new study ", kBeds)) << station.Log();
      for (int bed = 1; bed <= kBeds; ++bed) {
        const std::string studyId = StudyIdIn(station.Log(), "bed " + std::to_string(bed) + ": patient " + PatientOf(bed));
        paths[bed] = RecordingPath(PatientOf(bed), studyId);
      }
      EXPECT_EQ(StudyIdIn(station.Log(), "bed 1: patient AB.1"), StudyIdIn(station.Log(), "bed 2: patient AB/1"))
          << "the two were to be admitted in the same second";
    } else {
      ASSERT_TRUE(station.WaitFor(" goes on", kBeds)) << station.Log();
    }
    for (int bed = 1; bed <= kBeds; ++bed) {
      EXPECT_EQ(station.Count("bed " + std::to_string(bed) + ": monitor connected from " + AddressOf(bed) + ":"), 1u);
      ASSERT_TRUE(WaitForSize(paths[bed], before[bed] + half[bed])) << "bed " << bed << "\n" << station.Log();
      confirmed[bed].push_back(half[bed]);
      ASSERT_TRUE(monitors[bed].Send(std::span(segments[bed].back()).subspan(half[bed])));
    }
    if (round < kKills) {
      // Before, while or after the station writes what it holds of the second halves.
      std::this_thread::sleep_for(std::chrono::milliseconds(random() % 1500));
      EXPECT_EQ(station.Signal(SIGKILL), -1);
      for (int bed = 1; bed <= kBeds; ++bed) {
        const auto counted = StudyRecording::Count(m_folder.string(), PatientOf(bed), Stored(PatientOf(bed)).m_S_STUDY_ID.GetString());
        ASSERT_TRUE(counted) << "bed " << bed;
        EXPECT_LE(Stored(PatientOf(bed)).m_S_LENGTH, counted->lengthSeconds) << "bed " << bed << ": more stored than recorded";
      }
      continue;
    }
    for (int bed = 1; bed <= kBeds; ++bed) monitors[bed].Close();
    ASSERT_TRUE(station.WaitFor("communication failure", kBeds)) << station.Log();
    EXPECT_EQ(station.Signal(SIGTERM), 0) << station.Log();
  }

  EXPECT_NE(paths[1], paths[2]);
  for (int bed = 1; bed <= kBeds; ++bed) {
    EXPECT_EQ(Mismatch(ReadFile(paths[bed]), segments[bed], confirmed[bed]), "") << "bed " << bed;
    const TBLStudy study = Stored(PatientOf(bed));
    const auto figures = StudyRecording::Count(m_folder.string(), PatientOf(bed), study.m_S_STUDY_ID.GetString());
    ASSERT_TRUE(figures) << "bed " << bed;
    EXPECT_EQ(study.m_S_LENGTH, figures->lengthSeconds) << "bed " << bed;
  }
}

TEST_F(StationEndurance, ADiskThatFillsAndClearsLosesNothingOfTheBedsLinks) {
  constexpr int kDiskBeds = 4;
  constexpr std::size_t kParts = 8;
  StationChild station(m_folder.string(), m_port);
  ASSERT_TRUE(station.WaitFor("station listening")) << station.Log();
  std::vector<Bytes> links;
  std::vector<LinkConnection> monitors(kDiskBeds);
  for (int bed = 0; bed < kDiskBeds; ++bed) {
    links.push_back(StationBedside::Link(static_cast<std::uint32_t>(50 + bed), 16000, "TEST-" + std::to_string(50 + bed)));
    ASSERT_EQ(monitors[static_cast<std::size_t>(bed)].Connect("127.0.0.1:" + std::to_string(m_port)), std::nullopt);
  }
  const auto sendParts = [&](std::size_t from, std::size_t to) {
    for (int bed = 0; bed < kDiskBeds; ++bed) {
      const Bytes& link = links[static_cast<std::size_t>(bed)];
      const std::size_t begin = link.size() * from / kParts;
      const std::size_t end = link.size() * to / kParts;
      ASSERT_TRUE(monitors[static_cast<std::size_t>(bed)].Send(std::span(link).subspan(begin, end - begin)));
    }
  };
  sendParts(0, 2);
  ASSERT_TRUE(station.WaitFor(", new study ", kDiskBeds)) << station.Log();
  std::vector<std::string> paths;
  for (int bed = 0; bed < kDiskBeds; ++bed) {
    const std::string patient = "TEST-" + std::to_string(50 + bed);
    paths.push_back(RecordingPath(patient, StudyIdIn(station.Log(), "bed " + std::to_string(bed + 1) + ": patient " + patient)));
    const Bytes& link = links[static_cast<std::size_t>(bed)];
    ASSERT_TRUE(WaitForSize(paths.back(), StationBedside::PacketBoundary(link, link.size() * 2 / kParts)));
  }

  ASSERT_TRUE(station.LimitFileSize(2048));  // smaller than every recording: the disk is full
  sendParts(2, 5);
  ASSERT_TRUE(station.WaitFor("the recording cannot be written (File too large)", kDiskBeds)) << station.Log();
  std::this_thread::sleep_for(1s);
  ASSERT_TRUE(station.LimitFileSize(RLIM_INFINITY));
  ASSERT_TRUE(station.WaitFor("the recording is written again", kDiskBeds)) << station.Log();
  sendParts(5, kParts);
  for (LinkConnection& monitor : monitors) monitor.Close();
  ASSERT_TRUE(station.WaitFor("communication failure", kDiskBeds)) << station.Log();
  EXPECT_EQ(station.Signal(SIGTERM), 0) << station.Log();

  for (int bed = 0; bed < kDiskBeds; ++bed) {
    EXPECT_EQ(ReadFile(paths[static_cast<std::size_t>(bed)]), Text(links[static_cast<std::size_t>(bed)])) << bed;
    EXPECT_EQ(Stored("TEST-" + std::to_string(50 + bed)).m_S_LENGTH, 15) << bed;  // 12 numerics packets
  }
}

// S_LENGTH and S_LOSS reach the database at each sync; a killed station's may lag its
// recordings, and a study its patient never came back to used to keep the lagging figures.
TEST_F(StationEndurance, AfterAKillTheStudiesLeftOpenAreCountedFromTheirRecordings) {
  const Bytes link = StationBedside::Link(61, 10000, "TEST-61");
  std::string path;
  {
    StationChild station(m_folder.string(), m_port);
    ASSERT_TRUE(station.WaitFor("station listening")) << station.Log();
    LinkConnection monitor;
    ASSERT_EQ(monitor.Connect("127.0.0.1:" + std::to_string(m_port)), std::nullopt);
    ASSERT_TRUE(monitor.Send(link));
    ASSERT_TRUE(station.WaitFor("bed 1: patient TEST-61, new study")) << station.Log();
    path = RecordingPath("TEST-61", StudyIdIn(station.Log(), "bed 1: patient TEST-61"));
    ASSERT_TRUE(WaitForSize(path, link.size()));
    EXPECT_EQ(station.Signal(SIGKILL), -1);
  }
  QnAdo db;
  ASSERT_TRUE(db.Connect(("sqlite:" + File("ward.db")).c_str()));
  ASSERT_TRUE(db.ExecuteSQL("UPDATE TBLStudy SET S_LENGTH = 0"));  // as lagging as a sync interval allows
  db.Disconnect();

  StationChild restarted(m_folder.string(), m_port);
  const std::string studyId = Stored("TEST-61").m_S_STUDY_ID.GetString();
  ASSERT_TRUE(restarted.WaitFor("study " + studyId + " of patient TEST-61 was left open: 10 s recorded, counted from "
                                "its recording"))
      << restarted.Log();
  EXPECT_EQ(restarted.Signal(SIGTERM), 0);
  EXPECT_EQ(Stored("TEST-61").m_S_LENGTH, 10);
  EXPECT_EQ(ReadFile(path), Text(link));
}

// Another program holds the database's write lock for twenty seconds while beds stream.
TEST_F(StationEndurance, ADatabaseLockedForTwentySecondsDelaysNoRecordingAndNoSilenceReport) {
  constexpr int kStreaming = 3;
  StationChild station(m_folder.string(), m_port, {"--silence", "1"});
  ASSERT_TRUE(station.WaitFor("station listening")) << station.Log();
  std::vector<Bytes> links;
  std::vector<LinkConnection> monitors(kStreaming + 1);
  for (int bed = 0; bed <= kStreaming; ++bed) {
    links.push_back(StationBedside::Link(static_cast<std::uint32_t>(40 + bed), 12000, "TEST-" + std::to_string(40 + bed)));
  }
  const auto boundary = [&](int bed, std::size_t part) {
    const Bytes& link = links[static_cast<std::size_t>(bed)];
    return StationBedside::PacketBoundary(link, link.size() * part / 8);
  };
  const auto send = [&](int bed, std::size_t from, std::size_t to) {
    const Bytes& link = links[static_cast<std::size_t>(bed)];
    const std::size_t begin = from == 0 ? 0 : boundary(bed, from);
    const std::size_t end = to == 8 ? link.size() : boundary(bed, to);
    return monitors[static_cast<std::size_t>(bed)].Send(std::span(link).subspan(begin, end - begin));
  };
  for (int bed = 0; bed < kStreaming; ++bed) {
    ASSERT_EQ(monitors[static_cast<std::size_t>(bed)].Connect("127.0.0.1:" + std::to_string(m_port)), std::nullopt);
    ASSERT_TRUE(send(bed, 0, 1));
  }
  ASSERT_TRUE(station.WaitFor(", new study ", kStreaming)) << station.Log();
  std::vector<std::string> paths;
  for (int bed = 0; bed < kStreaming; ++bed) {
    const std::string patient = "TEST-" + std::to_string(40 + bed);
    paths.push_back(RecordingPath(patient, StudyIdIn(station.Log(), "bed " + std::to_string(bed + 1) + ": patient " + patient)));
  }

  QnAdo locker;
  ASSERT_TRUE(locker.Connect(("sqlite:" + File("ward.db")).c_str()));
  ASSERT_TRUE(locker.ExecuteSQL("BEGIN IMMEDIATE"));
  const auto locked = std::chrono::steady_clock::now();
  ASSERT_EQ(monitors[kStreaming].Connect("127.0.0.1:" + std::to_string(m_port)), std::nullopt);
  ASSERT_TRUE(send(kStreaming, 0, 8));  // a new patient, while her admission cannot be written
  EXPECT_TRUE(station.WaitFor("bed 4: monitor connected from", 1, 1s)) << station.Log();
  for (std::size_t part = 1; part < 7; ++part) {  // beds 1 and 2 stream, bed 3 falls silent
    for (int bed = 0; bed < 2; ++bed) {
      ASSERT_TRUE(send(bed, part, part + 1));
      EXPECT_TRUE(WaitForSize(paths[static_cast<std::size_t>(bed)], boundary(bed, part + 1), 2s)) << bed;
    }
    std::this_thread::sleep_for(500ms);
  }
  EXPECT_EQ(station.Count("bed 3: communication failure: no data for 1 s"), 1u) << station.Log();
  EXPECT_EQ(station.Count("bed 4: patient TEST-43"), 0u) << "the lock let the admission through";
  ASSERT_LT(std::chrono::steady_clock::now() - locked, 20s) << "all of the above while the database was locked";
  std::this_thread::sleep_until(locked + 20s);
  ASSERT_TRUE(locker.ExecuteSQL("ROLLBACK"));
  locker.Disconnect();

  ASSERT_TRUE(station.WaitFor("bed 4: patient TEST-43, new study", 1, 15s)) << station.Log();
  for (int bed = 0; bed < kStreaming; ++bed) ASSERT_TRUE(send(bed, bed == 2 ? 1 : 7, 8));
  for (LinkConnection& monitor : monitors) monitor.Close();
  ASSERT_TRUE(station.WaitFor("communication failure", kStreaming + 2)) << station.Log();
  EXPECT_EQ(station.Signal(SIGTERM), 0) << station.Log();
  paths.push_back(RecordingPath("TEST-43", StudyIdIn(station.Log(), "bed 4: patient TEST-43")));
  for (std::size_t bed = 0; bed < links.size(); ++bed) EXPECT_EQ(ReadFile(paths[bed]), Text(links[bed])) << bed;
}

}  // namespace
