#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fcntl.h>

#include <asio.hpp>
#include <chrono>
#include <fstream>
#include <iterator>
#include <thread>

#include "database/TBLStudy.h"
#include "qnutilex/QnAdo.h"
#include "station/RecordingScratch.h"
#include "station/StationBedside.h"
#include "station/StreamFramer.h"
#include "station/StudyRecording.h"

namespace {

using namespace std::chrono_literals;

// `vudoda station` as a process of its own, on a port of the loopback address that was free a
// moment ago, its output in a file.
class StationProcess {
 public:
  StationProcess(const std::string& folder, int port, const std::string& logName) : m_log(folder + "/" + logName) {
    const std::string listen = "127.0.0.1:" + std::to_string(port);
    const std::string database = "sqlite:" + folder + "/ward.db";
    const std::string config = folder + "/Maternis.ini";
    m_pid = ::fork();
    if (m_pid == 0) {
      const int log = ::open(m_log.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0600);
      ::dup2(log, STDOUT_FILENO);
      ::dup2(log, STDERR_FILENO);
      ::execl(VUDODA_TOOL, VUDODA_TOOL, "station", "--listen", listen.c_str(), "--database", database.c_str(),
              "--config", config.c_str(), static_cast<char*>(nullptr));
      ::_exit(127);
    }
  }
  ~StationProcess() {
    if (m_pid > 0) Signal(SIGKILL);
  }

  // Sends `signal` and waits for the end; the exit status, -1 when it was killed.
  int Signal(int signal) {
    ::kill(m_pid, signal);
    int status = 0;
    ::waitpid(m_pid, &status, 0);
    m_pid = -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }

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
  pid_t m_pid = -1;
};

int FreePort() {
  asio::io_context context;
  asio::ip::tcp::acceptor acceptor(context, asio::ip::tcp::endpoint(asio::ip::make_address("127.0.0.1"), 0));
  return acceptor.local_endpoint().port();
}

class StationCommandTest : public RecordingScratch {
 protected:
  void SetUp() override {
    RecordingScratch::SetUp();
    Write("Maternis.ini", "[CENTRAL_DEFAULT]\r\nData Path=" + m_folder.string() + "\r\n");
  }

  TBLStudy OnlyStudy() {
    QnAdo db;
    EXPECT_TRUE(db.Connect(("sqlite:" + File("ward.db")).c_str()));
    TBLStudy study(&db);
    EXPECT_EQ(study.CursorOpenCondition(), 1);
    study.CursorGet();
    study.CursorClose();
    study.SetDataBase(nullptr);
    return study;
  }
};

TEST_F(StationCommandTest, AKilledStationLeavesAReadableRecordingAndARestartContinuesTheStudy) {
  const int port = FreePort();
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
    std::this_thread::sleep_for(300ms);
    EXPECT_EQ(station.Signal(SIGKILL), -1);
  }
  // What the killed station wrote is the link as sent, and it frames without a stray byte.
  const TBLStudy killed = OnlyStudy();
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
  EXPECT_EQ(restarted.Signal(SIGTERM), 0);
  EXPECT_NE(restarted.Log().find("closed (the station stopped)"), std::string::npos) << restarted.Log();
  EXPECT_EQ(ReadFile(path), std::string(first.begin(), first.end()) + std::string(second.begin(), second.end()));
  const TBLStudy closed = OnlyStudy();
  EXPECT_EQ(std::string(closed.m_S_STUDY_ID.GetString()), studyId);
  EXPECT_EQ(closed.m_S_LENGTH, 10);
}

}  // namespace
