// simulate --replay, --realtime, --connect and export, as a user runs them.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include "config/ConfigScratch.h"
#include "tools/ToolRun.h"

namespace {

// A scratch folder per test, with the recordings a test writes.
class StationCommands : public ConfigScratch {
 protected:
  std::string Write(const char* name, const std::string& bytes) const {
    WriteFile(File(name), bytes);
    return File(name);
  }
};

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
  const struct {
    std::vector<std::string> args;
    std::string errPart;
  } cases[] = {
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

// A station's listening socket on the loopback address that takes one link and keeps its
// bytes; reads end at the sender's close or after ten seconds.
class LoopbackStation {
 public:
  LoopbackStation() {
    m_listener = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    EXPECT_EQ(::bind(m_listener, reinterpret_cast<sockaddr*>(&address), length), 0);
    EXPECT_EQ(::listen(m_listener, 1), 0);
    ::getsockname(m_listener, reinterpret_cast<sockaddr*>(&address), &length);
    m_port = ntohs(address.sin_port);
    m_reader = std::thread([this] { Take(); });
  }
  ~LoopbackStation() {
    if (m_reader.joinable()) m_reader.join();
    ::close(m_listener);
  }
  std::string Address() const { return "127.0.0.1:" + std::to_string(m_port); }
  std::string Received() {
    m_reader.join();
    return m_received;
  }

 private:
  void Take() {
    timeval timeout{10, 0};
    ::setsockopt(m_listener, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
    const int link = ::accept(m_listener, nullptr, nullptr);
    if (link < 0) return;
    ::setsockopt(link, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
    char buffer[4096];
    for (ssize_t got; (got = ::read(link, buffer, sizeof buffer)) > 0;) m_received.append(buffer, static_cast<std::size_t>(got));
    ::close(link);
  }

  int m_listener = -1;
  int m_port = 0;
  std::thread m_reader;
  std::string m_received;
};

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
