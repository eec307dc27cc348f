// The station tool as a process of its own (killed, restarted), simulate --replay, --realtime,
// --connect and export, as a user runs them.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

#include "LoopbackListener.h"
#include "link/RecordingScratch.h"
#include "link/StreamFramer.h"
#include "tools/ToolProcess.h"
#include "tools/ToolRun.h"
#include "ward/StationBedside.h"
#include "ward/StudyRecording.h"

namespace {

using namespace std::chrono_literals;

// The arguments of a station on a port of the loopback address, with its database and its
// configuration in `folder`.
std::vector<std::string> StationArguments(const std::string& folder, int port) {
  return {"station", "--listen", "127.0.0.1:" + std::to_string(port), "--database", "sqlite:" + folder + "/ward.db",
          "--config", folder + "/Maternis.ini"};
}

// `vudoda station` as a process of its own, on a port of the loopback address that was free a
// moment ago, its output in a file.
class StationProcess {
 public:
  StationProcess(const std::string& folder, int port, const std::string& logName)
      : m_log(folder + "/" + logName),
        m_logFile(::open(m_log.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600)),
        m_process(StationArguments(folder, port), m_noInput, m_logFile, m_logFile) {}
  ~StationProcess() {
    ::close(m_logFile);
    ::close(m_noInput);
  }

  // Sends `signal` and waits for the end: "exit N" or "signal N".
  std::string Signal(int signal) { return m_process.Signal(signal); }

  std::string Log() const {
    std::ifstream in(m_log, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  }

  // Waits up to 10 s for `text` in the output.
  bool WaitFor(const std::string& text) const {
    for (int tries = 0; tries < 200; ++tries) {
      if (Log().find(text) != std::string::npos) return true;
      std::this_thread::sleep_for(50ms);
    }
    return false;
  }

 private:
  std::string m_log;
  int m_noInput = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
  int m_logFile;
  ToolProcess m_process;
};

// The text of the one study file of `patient` with `extension` under the data folder; empty
// until there is one.
std::string StudyFile(const std::filesystem::path& folder, const std::string& patient, const std::string& extension) {
  std::error_code none;
  for (const auto& entry : std::filesystem::directory_iterator(folder / "Studies" / patient, none)) {
    if (entry.path().extension() != extension) continue;
    std::ifstream in(entry.path(), std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  }
  return "";
}

// Waits up to 5 s for the patient's one recording to hold `size` bytes.
bool WaitForRecorded(const std::filesystem::path& folder, const std::string& patient, std::size_t size) {
  for (int tries = 0; tries < 100; ++tries) {
    if (StudyFile(folder, patient, ".link").size() >= size) return true;
    std::this_thread::sleep_for(50ms);
  }
  return false;
}

// A scratch folder per test with a Maternis.ini whose data folder it is.
class StationCommands : public RecordingScratch {
 protected:
  void SetUp() override {
    RecordingScratch::SetUp();
    Write("Maternis.ini", "[CENTRAL_DEFAULT]\r\nData Path=" + m_folder.string() + "\r\n");
  }
};

TEST_F(StationCommands, AKilledStationLeavesAReadableRecordingAndARestartContinuesTheStudy) {
  const int port = LoopbackListener().Port();  // free a moment ago
  const std::string address = "127.0.0.1:" + std::to_string(port);
  const std::vector<unsigned char> first = StationBedside::Link(21, 5000, "TEST-21");
  const std::vector<unsigned char> second = StationBedside::Link(22, 5000, "TEST-21");
  {
    StationProcess station(m_folder.string(), port, "killed.log");
    ASSERT_TRUE(station.WaitFor("station listening")) << station.Log();
    LinkConnection bedside;
    ASSERT_EQ(bedside.Connect(address), std::nullopt);
    ASSERT_TRUE(bedside.Send(first));
    ASSERT_TRUE(station.WaitFor("new study")) << station.Log();
    // A bed's link is written within a second of its coming, and only then counted as recorded.
    ASSERT_TRUE(WaitForRecorded(m_folder, "TEST-21", first.size()));
    EXPECT_EQ(station.Signal(SIGKILL), "signal 9");
  }
  // What the killed station wrote is the link as sent, and it frames without a stray byte.
  const TBLStudy killed = StationBedside::StoredStudy(File("ward.db"), "TEST-21");
  EXPECT_EQ(std::string(killed.m_S_ID.GetString()), "TEST-21");
  const std::string studyId = killed.m_S_STUDY_ID.GetString();
  const std::string path = StudyRecording::LinkPath(m_folder.string(), "TEST-21", studyId);
  const std::string recorded = ReadFile(path);
  EXPECT_EQ(recorded, std::string(first.begin(), first.end()));
  int strays = 0;
  StreamFramer framer([&](const FrameEvent& event) { strays += event.type != FrameEvent::Type::Packet; });
  framer.Feed(std::span(reinterpret_cast<const unsigned char*>(recorded.data()), recorded.size()));
  framer.Finish();
  EXPECT_EQ(strays, 0);

  StationProcess restarted(m_folder.string(), port, "restarted.log");
  ASSERT_TRUE(restarted.WaitFor("station listening")) << restarted.Log();
  LinkConnection back;
  ASSERT_EQ(back.Connect(address), std::nullopt);
  ASSERT_TRUE(back.Send(second));
  ASSERT_TRUE(restarted.WaitFor("study " + studyId + " goes on")) << restarted.Log();
  back.Close();
  ASSERT_TRUE(restarted.WaitFor("communication failure")) << restarted.Log();
  EXPECT_EQ(restarted.Signal(SIGTERM), "exit 0");
  EXPECT_NE(restarted.Log().find("closed (the station stopped)"), std::string::npos) << restarted.Log();
  EXPECT_EQ(ReadFile(path), std::string(first.begin(), first.end()) + std::string(second.begin(), second.end()));
  const TBLStudy closed = StationBedside::StoredStudy(File("ward.db"), "TEST-21");
  EXPECT_EQ(std::string(closed.m_S_STUDY_ID.GetString()), studyId);
  EXPECT_EQ(closed.m_S_LENGTH, 10);
}

// Waits up to 10 s for `text` in the study's event log.
bool WaitForEvent(const std::filesystem::path& folder, const std::string& patient, const std::string& text) {
  for (int tries = 0; tries < 200; ++tries) {
    if (StudyFile(folder, patient, ".events").find(text) != std::string::npos) return true;
    std::this_thread::sleep_for(50ms);
  }
  return false;
}

// `vudoda station | head -1`: once its output is gone the station prints no more, but goes on
// admitting and recording, its events in the studies' event logs.
TEST_F(StationCommands, AClosedOutputStopsThePrintingNotTheRecording) {
  const int port = LoopbackListener().Port();  // free a moment ago
  const int noInput = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
  Pipe out;
  ToolProcess station(StationArguments(m_folder.string(), port), noInput, out.WriteEnd(), out.WriteEnd());
  ::close(noInput);
  out.CloseWrite();
  EXPECT_NE(out.Read(1000, true).find("no ward file"), std::string::npos);  // its first line
  out.CloseRead();

  const std::vector<unsigned char> link = StationBedside::Link(31, 5000, "TEST-31");
  LinkConnection bedside;
  ASSERT_EQ(bedside.Connect("127.0.0.1:" + std::to_string(port)), std::nullopt);
  ASSERT_TRUE(bedside.Send(link));
  EXPECT_TRUE(WaitForEvent(m_folder, "TEST-31", "new study"));
  bedside.Close();
  EXPECT_TRUE(WaitForEvent(m_folder, "TEST-31", "communication failure"));
  EXPECT_EQ(station.Signal(SIGTERM), "exit 0");
  EXPECT_TRUE(StudyFile(m_folder, "TEST-31", ".link") == std::string(link.begin(), link.end()));
}

// An .fhr of no known start: FHR1 140.25, 150, absent, 255 (not holdable), 139.75; TOCO 10, 127.5.
const std::string kFhr("\0\0\0\0" "\x31\x02\0\0\x14\0" "\x58\x02\0\0\xFF\0" "\0\0\0\0\0\0"
                       "\xFC\x03\0\0\x14\0" "\x2F\x02\0\0\x14\0", 34);

TEST_F(StationCommands, ReplayThenExportGivesTheRecordingBackWithinTheRounding) {
  const ToolRun link = RunVudoda({"simulate", "--replay", Write("in.fhr", kFhr)});
  ASSERT_EQ(link.exitCode, 0) << link.err;
  const ToolRun csv = RunVudoda({"export", "--format", "csv"}, link.out);
  ASSERT_EQ(csv.exitCode, 0) << csv.err;
  EXPECT_EQ(csv.out,
            "time,FHR1,FHR2,MHR,UC\n0,140,0,0,10\n0.25,150,0,0,128\n0.5,0,0,0,0\n0.75,0,0,0,10\n1,140,0,0,10\n");
  const ToolRun fhr = RunVudoda({"export", "--format", "fhr", "-o", File("out.fhr")}, link.out);
  ASSERT_EQ(fhr.exitCode, 0) << fhr.err;
  EXPECT_EQ(fhr.out, "wrote 5 samples (0:00:01) to " + File("out.fhr") + "\n");
  EXPECT_EQ(ReadFile(File("out.fhr")), std::string("\0\0\0\0" "\x30\x02\0\0\x14\0" "\x58\x02\0\0\xFF\0" "\0\0\0\0\0\0"
                                               "\0\0\0\0\x14\0" "\x30\x02\0\0\x14\0", 34));
  const ToolRun wfdb = RunVudoda({"export", "--format", "wfdb", "-o", File("rec")}, link.out);
  ASSERT_EQ(wfdb.exitCode, 0) << wfdb.err;
  const ToolRun again = RunVudoda({"simulate", "--replay", File("rec.hea")});
  EXPECT_EQ(again.out, link.out);
}

TEST_F(StationCommands, BadRecordingsAndLinksExitOneWithTheReason) {
  const struct { std::vector<std::string> args; std::string errPart; } cases[] = {
      {{"simulate", "--replay", File("missing.fhr")}, "cannot open"},
      {{"simulate", "--replay", Write("short.fhr", kFhr.substr(0, 30))}, "last record has 2 of 6 bytes"},
      {{"simulate", "--replay", Write("r.hea", "r 1 4 10\nr.dat 16 100 12 0 0 0 0 FHR\n")}, "r.dat"},
      {{"export", "--format", "wfdb"}, "needs a path"},
      {{"export", "--format", "csv"}, "no numerics packet"},
      {{"export", "--format", "csv", File("missing.bin")}, "cannot open"},
      {{"simulate", "--seconds", "1", "--connect", "127.0.0.1:1"}, "cannot connect to 127.0.0.1:1"},
      {{"simulate", "--connect", "no-port"}, "is not HOST:PORT"},
  };
  for (const auto& c : cases) {
    const ToolRun run = RunVudoda(c.args);
    EXPECT_EQ(run.exitCode, 1) << c.args.back();
    EXPECT_NE(run.err.find(c.errPart), std::string::npos) << run.err;
  }
  EXPECT_EQ(RunVudoda({"simulate", "--replay", "x.fhr", "--seconds", "5"}).exitCode, 2);
  EXPECT_EQ(RunVudoda({"export", "--format", "edf"}).exitCode, 2);
}

// The web side's and the hospital's options are checked before the station takes any link: an
// endpoint that is none, or a link option without its partner, is a usage fault (2); plain HTTP
// on an address that is not loopback is refused at start (1) with the reason.
TEST_F(StationCommands, TheWebAndHospitalOptionsAreCheckedBeforeTheStationStarts) {
  const std::vector<std::string> base{"station", "--config", File("Maternis.ini"), "--listen", "127.0.0.1:0",
                                      "--database", "sqlite:" + File("ward.db")};
  const auto run = [&](std::vector<std::string> more) {
    more.insert(more.begin(), base.begin(), base.end());
    return RunVudoda(more);
  };
  const struct { std::vector<std::string> args; int exitCode; std::string errPart; } cases[] = {
      {{"--http", "8443"}, 2, "--http '8443' is not ADDRESS:PORT"},
      {{"--hl7-send", "hospital:99999"}, 2, "--hl7-send 'hospital:99999' is not HOST:PORT"},
      {{"--hl7-listen", "[fd00::1:2575"}, 2, "--hl7-listen"},
      {{"--hl7-listen", "127.0.0.1:0"}, 2, "--hl7-peers"},
      {{"--tls-cert", File("cert.pem"), "--tls-key", File("key.pem")}, 2, "--http"},
      {{"--http", "127.0.0.1:0", "--tls-cert", File("cert.pem")}, 2, "--tls-key"},
      {{"--hl7-interval", "5"}, 2, "--hl7-send"},
      {{"--http", "0.0.0.0:0"}, 1, "loopback"},
  };
  for (const auto& c : cases) {
    const ToolRun result = run(c.args);
    EXPECT_EQ(result.exitCode, c.exitCode) << c.args.front() << " " << c.args.back() << ": " << result.err;
    EXPECT_NE(result.err.find(c.errPart), std::string::npos) << result.err;
  }
}

// A station's listening socket on the loopback address that takes one link and keeps its
// bytes; reads end at the sender's close or after ten seconds.
class LoopbackStation {
 public:
  LoopbackStation() : m_reader([this] { Take(); }) {}
  ~LoopbackStation() {
    if (m_reader.joinable()) m_reader.join();
  }
  std::string Address() const { return m_listener.Address(); }
  std::string Received() {
    m_reader.join();
    return m_received;
  }

 private:
  void Take() {
    timeval timeout{10, 0};
    ::setsockopt(m_listener.Socket(), SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
    const int link = ::accept(m_listener.Socket(), nullptr, nullptr);
    if (link < 0) return;
    ::setsockopt(link, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
    char buffer[4096];
    for (ssize_t got; (got = ::read(link, buffer, sizeof buffer)) > 0;) m_received.append(buffer, static_cast<std::size_t>(got));
    ::close(link);
  }

  const LoopbackListener m_listener;
  std::string m_received;
  std::thread m_reader;
};

// A station that drops the link mid-way (a reset after the first bytes): the sender stops at
// once with exit code 1 and names the station, instead of reporting a link it did not deliver.
TEST_F(StationCommands, ALinkTheStationDropsExitsOneNamingTheStation) {
  const LoopbackListener listener;
  std::thread station([&listener] {
    timeval timeout{10, 0};
    ::setsockopt(listener.Socket(), SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
    const int link = ::accept(listener.Socket(), nullptr, nullptr);
    if (link < 0) return;
    char first[1024];
    [[maybe_unused]] const ssize_t got = ::read(link, first, sizeof first);
    const linger reset{1, 0};
    ::setsockopt(link, SOL_SOCKET, SO_LINGER, &reset, sizeof reset);
    ::close(link);
  });
  const ToolRun run = RunVudoda({"simulate", "--seconds", "86400", "--connect", listener.Address()});
  station.join();
  EXPECT_EQ(run.exitCode, 1) << run.err;
  EXPECT_NE(run.err.find(listener.Address()), std::string::npos) << run.err;
}

TEST_F(StationCommands, ConnectSendsTheSameBytesAsTheFileAndRealtimeTakesTheLinksTime) {
  const ToolRun file = RunVudoda({"simulate", "--seconds", "3"});
  LoopbackStation station;
  const ToolRun sent = RunVudoda({"simulate", "--seconds", "3", "--connect", station.Address()});
  EXPECT_EQ(sent.exitCode, 0) << sent.err;
  EXPECT_EQ(station.Received(), file.out);

  // Five samples are one numerics packet, due 1.25 s after the link starts.
  const std::string recording = Write("one.fhr", kFhr);
  const auto start = std::chrono::steady_clock::now();
  const ToolRun paced = RunVudoda({"simulate", "--replay", recording, "--realtime"});
  const auto elapsed = std::chrono::steady_clock::now() - start;
  EXPECT_GE(elapsed, std::chrono::milliseconds(1200));
  EXPECT_LT(elapsed, std::chrono::seconds(5));
  EXPECT_EQ(paced.out, RunVudoda({"simulate", "--replay", recording}).out);
}

}  // namespace
