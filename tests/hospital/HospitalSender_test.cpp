#include "hospital/HospitalSender.h"

#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <filesystem>
#include <thread>

#include "LoopbackListener.h"
#include "config/ConfigScratch.h"
#include "hospital/Hl7Message.h"
#include "hospital/HospitalLoop.h"
#include "hospital/MllpClient.h"
#include "hospital/OruBuilder.h"
#include "hospital/PythonHl7.h"
#include "hospital/PythonReceiver.h"

namespace {

using namespace std::chrono;
using namespace std::chrono_literals;

const sys_time<milliseconds> kMinute = sys_days{year(2026) / 10 / 25} + 1h + 29min;

// The ORU of minute `minute` of patient P<n>: an FHR1 value of 120 + minute.
Hl7Message Observation(int minute) {
  ObservationReport report;
  report.patientId = "P" + std::to_string(minute);
  report.from = kMinute + minutes(minute);
  report.to = report.from + 1min;
  report.values = {{TraceChannel::FHR1, report.from + 250ms, 120.0 + minute}, {TraceChannel::UC, report.from, 12.5}};
  report.alarms = {{"FHR1", 1, "Upper Limit", ObservationReport::Alarm::Priority::High, report.from}};
  std::string fault;
  return *OruBuilder({"VUDODA", "WARD", "EMR", "CITY"}).Build(report, report.to, fault);
}

// A port on the loopback address where nothing listens (for now).
int FreePort() {
  const LoopbackListener taken;
  return taken.Port();
}

std::size_t FilesIn(const std::filesystem::path& folder) {
  std::size_t count = 0;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) count += entry.is_regular_file();
  return count;
}

// A sender on the test's loop with its events kept.
class SenderUnderTest {
 public:
  SenderUnderTest(HospitalLoop& loop, HospitalSenderOptions options) : m_loop(loop) {
    m_loop.Call([&] {
      m_sender = std::make_unique<HospitalSender>(m_loop.Context(), options, m_loop.Facility(),
                                                  [this](const std::string& event) { m_events.push_back(event); });
      m_fault = m_sender->Start();
      return 0;
    });
  }
  ~SenderUnderTest() {
    m_loop.Call([this] {
      m_sender.reset();
      return 0;
    });
  }

  const std::optional<std::string>& StartFault() const { return m_fault; }
  // Queues the message and waits until it is on disk; its control ID.
  std::string Enqueue(Hl7Message message) {
    bool stored = false;
    const std::string controlId = m_loop.Call([&] {
      return m_sender->Enqueue(std::move(message), [&stored](std::optional<std::string> fault) {
        EXPECT_EQ(fault, std::nullopt);
        stored = true;
      });
    });
    EXPECT_TRUE(m_loop.WaitFor([&] { return stored; }, 10s));
    return controlId;
  }
  std::size_t Depth() {
    return m_loop.Call([this] { return m_sender->Depth(); });
  }
  std::size_t SetAside() {
    return m_loop.Call([this] { return m_sender->SetAsideCount(); });
  }
  bool DrainsWithin(milliseconds limit) {
    return m_loop.WaitFor([this] { return m_sender->Depth() == 0; }, limit);
  }
  bool EventSeen(const std::string& text, milliseconds limit = 10s) {
    return m_loop.WaitFor(
        [&] {
          for (const std::string& event : m_events)
            if (event.find(text) != std::string::npos) return true;
          return false;
        },
        limit);
  }

 private:
  HospitalLoop& m_loop;
  std::unique_ptr<HospitalSender> m_sender;
  std::vector<std::string> m_events;
  std::optional<std::string> m_fault;
};

class HospitalSenderTest : public ConfigScratch {
 protected:
  HospitalSenderOptions Options(int port) {
    HospitalSenderOptions options;
    options.host = "127.0.0.1";
    options.port = port;
    options.queueFolder = File("queue");
    options.firstRetry = 50ms;
    options.lastRetry = 200ms;
    options.answerTimeout = 2s;
    return options;
  }

  HospitalLoop m_loop;
};

TEST_F(HospitalSenderTest, SendsObservationsThatPythonHl7ReadsWithTheValuesGiven) {
  REQUIRE_PYTHON_HL7();
  PythonReceiver receiver(0, 3);
  ASSERT_NE(receiver.Port(), 0);
  SenderUnderTest sender(m_loop, Options(receiver.Port()));
  ASSERT_EQ(sender.StartFault(), std::nullopt);
  std::vector<std::string> sent;
  for (int minute = 0; minute < 3; ++minute) sent.push_back(sender.Enqueue(Observation(minute)));
  for (int minute = 0; minute < 3; ++minute) {
    const std::optional<nlohmann::json> read = receiver.Next();
    ASSERT_TRUE(read);
    EXPECT_EQ((*read)["control"], sent[minute]);
    EXPECT_EQ((*read)["patient"], "P" + std::to_string(minute));
    const nlohmann::json& observations = (*read)["observations"];
    ASSERT_EQ(observations.size(), 3u);
    EXPECT_EQ(observations[0]["code"], "55283-6");
    EXPECT_EQ(observations[0]["sub"], "1.1.1.1");
    EXPECT_EQ(observations[0]["value"], std::to_string(120 + minute));
    EXPECT_EQ(observations[0]["unit"], "/min");
    EXPECT_EQ(observations[0]["time"], "202610250" + std::to_string(129 + minute) + "00.250+0000");
    EXPECT_EQ(observations[1]["code"], "VDA-UC");
    EXPECT_EQ(observations[1]["value"], "12.5");
    EXPECT_EQ(observations[1]["unit"], "{toco}");
    EXPECT_EQ(observations[2]["code"], "VDA-ALARM");
    EXPECT_EQ(observations[2]["value"], "FHR1-1");
    EXPECT_EQ(observations[2]["priority"], "PH");
  }
  EXPECT_TRUE(sender.DrainsWithin(10s));
  EXPECT_EQ(FilesIn(File("queue")), 0u);
  EXPECT_EQ(receiver.Wait(), 0);
}

TEST_F(HospitalSenderTest, KeepsMessagesWhileTheReceiverIsDownAndSendsEachOnceInOrderWhenItIsUp) {
  REQUIRE_PYTHON_HL7();
  const int port = FreePort();
  SenderUnderTest sender(m_loop, Options(port));
  std::vector<std::string> sent;
  for (int minute = 0; minute < 5; ++minute) sent.push_back(sender.Enqueue(Observation(minute)));
  EXPECT_TRUE(sender.EventSeen("no connection to 127.0.0.1:" + std::to_string(port) + ": cannot connect"));
  EXPECT_TRUE(sender.EventSeen("next attempt in 0.2 s"));  // the back-off grew to its bound
  EXPECT_EQ(sender.Depth(), 5u);
  EXPECT_EQ(FilesIn(File("queue")), 5u);
  std::string fault;
  const std::optional<Hl7Message> stored =
      Hl7Message::Parse(ReadFile(File(("queue/" + std::string(20 - sent[0].size(), '0') + sent[0] + ".hl7").c_str())),
                        fault);
  ASSERT_TRUE(stored) << fault;
  EXPECT_EQ(stored->Value("MSH", 10), sent[0]);

  PythonReceiver receiver(port, 5);
  ASSERT_EQ(receiver.Port(), port);
  std::vector<std::string> received;
  while (std::optional<nlohmann::json> read = receiver.Next(5s)) received.push_back((*read)["control"]);
  EXPECT_EQ(received, sent);
  EXPECT_TRUE(sender.DrainsWithin(10s));
  EXPECT_TRUE(sender.EventSeen("connected to 127.0.0.1:" + std::to_string(port)));
}

TEST_F(HospitalSenderTest, SetsAsideWhatTheReceiverRefusesAndRetriesWhatItCouldNotTakeYet) {
  REQUIRE_PYTHON_HL7();
  PythonReceiver receiver(0, 5, {"AR", "AE", "AA", "AE", "AE"});
  HospitalSenderOptions options = Options(receiver.Port());
  options.errorAttempts = 2;
  SenderUnderTest sender(m_loop, options);
  std::vector<std::string> sent;
  for (int minute = 0; minute < 3; ++minute) sent.push_back(sender.Enqueue(Observation(minute)));
  std::vector<std::string> received;
  while (std::optional<nlohmann::json> read = receiver.Next(5s)) received.push_back((*read)["control"]);
  EXPECT_EQ(received, (std::vector<std::string>{sent[0], sent[1], sent[1], sent[2], sent[2]}));
  EXPECT_TRUE(sender.DrainsWithin(10s));
  EXPECT_EQ(sender.SetAside(), 2u);
  EXPECT_TRUE(sender.EventSeen("message " + sent[1] + " answered AE (1 of 2)"));
  const std::string rejected = File("queue/rejected/") + std::string(20 - sent[0].size(), '0');
  EXPECT_EQ(ReadFile(rejected + sent[0] + ".reason"), "AR: \n");
  EXPECT_EQ(ReadFile(rejected + sent[2] + ".reason"), "AE 2 times: \n");
  EXPECT_NE(ReadFile(rejected + sent[0] + ".hl7").find("|" + sent[0] + "|"), std::string::npos);
  EXPECT_EQ(FilesIn(File("queue")), 0u);
}

// A receiver on its own thread that takes one connection per control ID, reads a message and
// answers it with an AA naming that ID (none for an empty one), then waits until the sender
// closes the connection (except after the last).
void Receive(const LoopbackListener& listener, const std::vector<std::string>& controlIds) {
  for (const std::string& controlId : controlIds) {
    const int connection = ::accept(listener.Socket(), nullptr, nullptr);
    MllpFramer framer;
    char chunk[4096];
    while (!framer.Next()) {
      const ssize_t count = ::recv(connection, chunk, sizeof chunk, 0);
      if (count <= 0) break;
      framer.Feed(std::string_view(chunk, static_cast<std::size_t>(count)));
    }
    if (!controlId.empty()) {
      const std::string ack = MllpFramer::Wrap("MSH|^~\\&|EMR\rMSA|AA|" + controlId + "\r");
      ::send(connection, ack.data(), ack.size(), MSG_NOSIGNAL);
    }
    char rest[16];
    while (&controlId != &controlIds.back() && ::recv(connection, rest, sizeof rest, 0) > 0) {
    }
    ::close(connection);
  }
}

TEST_F(HospitalSenderTest, SendsAgainWhenTheAnswerIsMissingOrNamesAnotherMessage) {
  const LoopbackListener listener;
  HospitalSenderOptions options = Options(listener.Port());
  options.answerTimeout = 300ms;
  SenderUnderTest sender(m_loop, options);
  const std::string controlId = sender.Enqueue(Observation(0));
  std::thread receiver(Receive, std::cref(listener), std::vector<std::string>{"", "WRONG", controlId});
  EXPECT_TRUE(sender.DrainsWithin(20s));
  receiver.join();
  EXPECT_TRUE(sender.EventSeen("connection to 127.0.0.1:" + std::to_string(listener.Port()) +
                               ": no answer within 0.3 s"));
  EXPECT_TRUE(sender.EventSeen("the answer names message 'WRONG', not " + controlId));
}

// The sender is killed (SIGKILL) in a child process while its messages wait; another sender on
// the same folder sends them, in order. No thread runs when the child is forked.
TEST(HospitalSenderRestart, SendsAfterARestartWhatAKilledSenderLeftInTheQueue) {
  REQUIRE_PYTHON_HL7();
  const std::filesystem::path folder =
      std::filesystem::temp_directory_path() / ("vudoda-" + std::to_string(::getpid()) + "-killed-sender");
  std::filesystem::remove_all(folder);
  const int closedPort = FreePort();
  int pipeEnds[2];
  ASSERT_EQ(::pipe(pipeEnds), 0);
  const pid_t child = ::fork();
  if (child == 0) {
    ::close(pipeEnds[0]);
    HospitalLoop loop;
    HospitalSenderOptions options;
    options.host = "127.0.0.1";
    options.port = closedPort;
    options.queueFolder = folder.string();
    SenderUnderTest sender(loop, options);
    std::string ids;
    for (int minute = 0; minute < 4; ++minute) ids += sender.Enqueue(Observation(minute)) + "\n";
    ::write(pipeEnds[1], ids.data(), ids.size());
    ::pause();
    ::_exit(0);
  }
  ::close(pipeEnds[1]);
  std::string ids;
  char chunk[256];
  while (std::count(ids.begin(), ids.end(), '\n') < 4) {
    const ssize_t count = ::read(pipeEnds[0], chunk, sizeof chunk);
    if (count <= 0) break;
    ids.append(chunk, static_cast<std::size_t>(count));
  }
  ::close(pipeEnds[0]);
  ::kill(child, SIGKILL);
  ::waitpid(child, nullptr, 0);
  std::vector<std::string> sent;
  for (std::size_t begin = 0, end; (end = ids.find('\n', begin)) != std::string::npos; begin = end + 1)
    sent.push_back(ids.substr(begin, end - begin));
  ASSERT_EQ(sent.size(), 4u);

  PythonReceiver receiver(0, 4);
  HospitalLoop loop;
  HospitalSenderOptions options;
  options.host = "127.0.0.1";
  options.port = receiver.Port();
  options.queueFolder = folder.string();
  {
    SenderUnderTest sender(loop, options);
    EXPECT_TRUE(sender.EventSeen("4 messages wait in the queue from before"));
    std::vector<std::string> received;
    while (std::optional<nlohmann::json> read = receiver.Next(5s)) received.push_back((*read)["control"]);
    EXPECT_EQ(received, sent);
    EXPECT_TRUE(sender.DrainsWithin(10s));
    // New messages take control IDs after the old ones.
    EXPECT_GT(std::stoull(sender.Enqueue(Observation(9))), std::stoull(sent.back()));
  }
  loop.Stop();
  std::filesystem::remove_all(folder);
}

}  // namespace
