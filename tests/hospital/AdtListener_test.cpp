#include "hospital/AdtListener.h"

#include <gtest/gtest.h>

#include <boost/asio/post.hpp>
#include <fstream>

#include "config/ConfigScratch.h"
#include "hospital/ChildProcess.h"
#include "hospital/HospitalLoop.h"
#include "hospital/HospitalWard.h"
#include "hospital/Hl7Message.h"
#include "hospital/MllpClient.h"
#include "hospital/PythonHl7.h"

namespace {

using namespace std::chrono_literals;

// The ward as the listener sees it: it keeps every record it is handed and answers on the loop,
// with `fault` or, while `hold` is set, only when the test releases it.
class FakeWard : public HospitalWard {
 public:
  struct Handed {
    std::string call;
    AdmissionRecord record;
  };

  explicit FakeWard(boost::asio::io_context& loop) : m_loop(loop) {}

  void Admit(const AdmissionRecord& record, Done done) override { Take("Admit", record, std::move(done)); }
  void Update(const AdmissionRecord& record, Done done) override { Take("Update", record, std::move(done)); }
  void Discharge(const AdmissionRecord& record, Done done) override { Take("Discharge", record, std::move(done)); }

  std::vector<Handed> handed;
  std::optional<std::string> fault;
  bool hold = false;
  std::vector<Done> held;

 private:
  void Take(const char* call, const AdmissionRecord& record, Done done) {
    handed.push_back({call, record});
    if (hold) {
      held.push_back(std::move(done));
      return;
    }
    boost::asio::post(m_loop, [done = std::move(done), fault = fault] { done(fault); });
  }

  boost::asio::io_context& m_loop;
};

std::string Adt(const std::string& event, const std::string& controlId, const std::string& pid,
                const std::string& sender = "ADT1") {
  return "MSH|^~\\&|" + sender + "|CITY|VUDODA|WARD|20261025013000||ADT^" + event + "^ADT_A01|" + controlId +
         "|P|2.5\rEVN|" + event + "|20261025013000\rPID|" + pid + "\rPV1|1|I|MAT^12^3\r";
}

// The MSA-1 and MSA-2 of an answer, "AA MSG1", or the fault.
std::string Reply(const std::optional<std::string>& answer) {
  if (!answer) return "no answer";
  std::string fault;
  const std::optional<Hl7Message> message = Hl7Message::Parse(*answer, fault);
  if (!message) return fault;
  const std::string& text = message->Value("MSA", 3);
  return message->Value("MSA", 1) + " " + message->Value("MSA", 2) + (text.empty() ? "" : " " + text);
}

class AdtListenerTest : public ConfigScratch {
 protected:
  void TearDown() override {
    m_loop.Call([this] {
      m_listener.reset();
      return 0;
    });
    m_loop.Stop();
    ConfigScratch::TearDown();
  }

  AdtListenerOptions Options() {
    AdtListenerOptions options;
    options.address = "127.0.0.1";
    options.port = 0;
    options.allowedPeers = {"127.0.0.1"};
    options.beds = 8;
    options.seenFile = File("taken.txt");
    return options;
  }

  std::optional<std::string> Start(const AdtListenerOptions& options) {
    return m_loop.Call([&] {
      m_listener = std::make_unique<AdtListener>(m_loop.Context(), options, m_ward, m_loop.Facility(),
                                                 [this](const std::string& event) { m_events.push_back(event); });
      std::optional<std::string> fault = m_listener->Start();
      m_port = m_listener->Port();
      return fault;
    });
  }
  void Restart() {
    m_loop.Call([this] {
      m_listener.reset();
      return 0;
    });
    ASSERT_EQ(Start(Options()), std::nullopt);
  }

  std::vector<FakeWard::Handed> Handed() {
    return m_loop.Call([this] { return m_ward.handed; });
  }
  bool EventSeen(const std::string& text) {
    return m_loop.WaitFor(
        [&] {
          for (const std::string& event : m_events)
            if (event.find(text) != std::string::npos) return true;
          return false;
        },
        5s);
  }

  HospitalLoop m_loop;
  FakeWard m_ward{m_loop.Context()};
  std::unique_ptr<AdtListener> m_listener;
  std::vector<std::string> m_events;
  int m_port = 0;
};

TEST_F(AdtListenerTest, TakesAdmissionsFromPythonHl7AndAcknowledgesAsItExpects) {
  REQUIRE_PYTHON_HL7();
  ASSERT_EQ(Start(Options()), std::nullopt);
  const std::string messages[] = {
      Adt("A01", "MSG1", "1||P100^^^CITY^MR||Lind^Anna||19920314"),
      Adt("A08", "MSG2", "1||P100^^^CITY^MR||Lind-Berg^Anna"),
      Adt("A02", "MSG3", "1||P100"),
      Adt("A03", "MSG4", "1||^^^CITY^MR"),
      Adt("A03", "MSG5", "1||P100^^^CITY^MR"),
  };
  std::ofstream file(File("adt.hl7"), std::ios::binary);
  for (const std::string& message : messages) file << MllpFramer::Wrap(message);
  file.close();

  ChildProcess send({"/bin/sh", "-c",
                     std::string("timeout 30 ") + VUDODA_MLLP_SEND + " -p " + std::to_string(m_port) + " --file " +
                         File("adt.hl7") + " 127.0.0.1 | " + VUDODA_PYTHON + " " + VUDODA_HL7_PEER + " acks"});
  std::vector<std::string> acks;
  while (std::optional<std::string> line = send.ReadLine(30s)) acks.push_back(*line);
  EXPECT_EQ(send.Wait(5s), 0);
  EXPECT_EQ(acks, (std::vector<std::string>{
                      "ACK^A01^ACK\tAA\tMSG1\t\t",
                      "ACK^A08^ACK\tAA\tMSG2\t\t",
                      "ACK^A02^ACK\tAR\tMSG3\tevent 'ADT^A02' is not taken: A01, A04, A08 and A03 are\t201",
                      "ACK^A03^ACK\tAE\tMSG4\tPID-3 (patient identifier) is missing\t101",
                      "ACK^A03^ACK\tAA\tMSG5\t\t",
                  }));
  const std::vector<FakeWard::Handed> handed = Handed();
  ASSERT_EQ(handed.size(), 3u);
  EXPECT_EQ(handed[0].call, "Admit");
  EXPECT_EQ(handed[0].record.patientId, "P100");
  EXPECT_EQ(handed[0].record.familyName, "Lind");
  EXPECT_EQ(handed[0].record.bed, 3);
  EXPECT_EQ(handed[1].call, "Update");
  EXPECT_EQ(handed[1].record.familyName, "Lind-Berg");
  EXPECT_EQ(handed[2].call, "Discharge");
  EXPECT_TRUE(EventSeen("ADT^A01 MSG1 from 127.0.0.1 taken: patient P100"));
  EXPECT_TRUE(EventSeen("ADT^A03 MSG4 from 127.0.0.1 not taken (AE): PID-3 (patient identifier) is missing"));
}

TEST_F(AdtListenerTest, TakesAMessageOnceAndAnswersItAgainAlsoAfterARestart) {
  ASSERT_EQ(Start(Options()), std::nullopt);
  const std::string admit = Adt("A01", "MSG1", "1||P1||Lind^Anna");
  MllpClient client;
  ASSERT_TRUE(client.Connect(m_port));
  ASSERT_TRUE(client.Send(admit));
  EXPECT_EQ(Reply(client.Answer()), "AA MSG1");
  ASSERT_TRUE(client.Send(admit));
  EXPECT_EQ(Reply(client.Answer()), "AA MSG1");
  EXPECT_EQ(Handed().size(), 1u);
  EXPECT_TRUE(EventSeen("ADT^A01 MSG1 from 127.0.0.1 answered again: taken before"));

  Restart();
  MllpClient again;
  ASSERT_TRUE(again.Connect(m_port));
  ASSERT_TRUE(again.Send(admit));
  EXPECT_EQ(Reply(again.Answer()), "AA MSG1");
  EXPECT_EQ(Handed().size(), 1u);
  // The same control ID from another sender is another message.
  ASSERT_TRUE(again.Send(Adt("A01", "MSG1", "1||P2", "LAB")));
  EXPECT_EQ(Reply(again.Answer()), "AA MSG1");
  EXPECT_EQ(Handed().size(), 2u);
}

TEST_F(AdtListenerTest, ForgetsTheOldestKeysBeyondItsCapacityAcrossRestarts) {
  AdtListenerOptions options = Options();
  options.seenCapacity = 2;
  ASSERT_EQ(Start(options), std::nullopt);
  MllpClient client;
  ASSERT_TRUE(client.Connect(m_port));
  for (int i = 1; i <= 6; ++i) {
    ASSERT_TRUE(client.Send(Adt("A08", "M" + std::to_string(i), "1||P1")));
    ASSERT_EQ(Reply(client.Answer()), "AA M" + std::to_string(i));
  }
  client.Close();
  // The file was rewritten with the newest two once it held twice as many.
  EXPECT_EQ(ReadFile(File("taken.txt")), "ADT1|CITY|M4\nADT1|CITY|M5\nADT1|CITY|M6\n");
  m_loop.Call([this] {
    m_listener.reset();
    return 0;
  });
  ASSERT_EQ(Start(options), std::nullopt);
  MllpClient again;
  ASSERT_TRUE(again.Connect(m_port));
  for (const char* id : {"M6", "M4"}) {
    ASSERT_TRUE(again.Send(Adt("A08", id, "1||P1")));
    EXPECT_EQ(Reply(again.Answer()), std::string("AA ") + id);
  }
  EXPECT_EQ(Handed().size(), 7u);  // M6 was known, M4 forgotten
}

TEST_F(AdtListenerTest, AnswersTheSameMessageArrivingWhileTheWardWorksOnceTheWardIsDone) {
  ASSERT_EQ(Start(Options()), std::nullopt);
  m_loop.Call([this] { return m_ward.hold = true; });
  const std::string admit = Adt("A01", "MSG1", "1||P1");
  MllpClient first;
  MllpClient second;
  ASSERT_TRUE(first.Connect(m_port));
  ASSERT_TRUE(second.Connect(m_port));
  ASSERT_TRUE(first.Send(admit));
  ASSERT_TRUE(m_loop.WaitFor([this] { return m_ward.held.size() == 1; }, 5s));
  ASSERT_TRUE(second.Send(admit));
  EXPECT_EQ(first.Answer(300ms), std::nullopt);
  EXPECT_EQ(second.Answer(300ms), std::nullopt);
  m_loop.Call([this] {
    m_ward.held[0](std::nullopt);
    return 0;
  });
  EXPECT_EQ(Reply(first.Answer()), "AA MSG1");
  EXPECT_EQ(Reply(second.Answer()), "AA MSG1");
  EXPECT_EQ(Handed().size(), 1u);
}

TEST_F(AdtListenerTest, AnswersAEWithTheWardsReasonAndTakesTheMessageWhenItComesAgain) {
  ASSERT_EQ(Start(Options()), std::nullopt);
  m_loop.Call([this] { return m_ward.fault = "the database is locked"; });
  const std::string update = Adt("A08", "MSG9", "1||P1||Lind");
  MllpClient client;
  ASSERT_TRUE(client.Connect(m_port));
  ASSERT_TRUE(client.Send(update));
  EXPECT_EQ(Reply(client.Answer()), "AE MSG9 the database is locked");
  m_loop.Call([this] { return m_ward.fault = std::nullopt; });
  ASSERT_TRUE(client.Send(update));
  EXPECT_EQ(Reply(client.Answer()), "AA MSG9");
  EXPECT_EQ(Handed().size(), 2u);
}

TEST_F(AdtListenerTest, AnswersWhatIsNotAMessageWithARAndGoesOnWithTheNext) {
  ASSERT_EQ(Start(Options()), std::nullopt);
  MllpClient client;
  ASSERT_TRUE(client.Connect(m_port));
  ASSERT_TRUE(client.Send("garbage"));
  EXPECT_EQ(Reply(client.Answer()), "AR  the message does not begin with an MSH segment");
  ASSERT_TRUE(client.Send("MSH|^~\\&|A|B|C|D|T||ADT^A01|M1|P|2.5\rPID|1||P1\rpv1|x\r"));
  EXPECT_EQ(Reply(client.Answer()),
            "AR  segment 3 (pv1) does not begin with a segment name (three capitals or digits)");
  ASSERT_TRUE(client.Send(Adt("A01", "MSG2", "1||P1")));
  EXPECT_EQ(Reply(client.Answer()), "AA MSG2");
}

TEST_F(AdtListenerTest, RefusesPeersNotAllowedAndConnectionsBeyondTheLimit) {
  AdtListenerOptions options = Options();
  options.allowedPeers = {"127.0.0.2", "::ffff:127.0.0.3"};
  ASSERT_EQ(Start(options), std::nullopt);
  MllpClient stranger;
  ASSERT_TRUE(stranger.Connect(m_port));
  stranger.Send(Adt("A01", "MSG1", "1||P1"));
  EXPECT_TRUE(stranger.ClosedWithin(5s));
  EXPECT_TRUE(EventSeen("ADT connection from 127.0.0.1 refused: not an allowed peer"));
  EXPECT_TRUE(Handed().empty());

  m_loop.Call([this] {
    m_listener.reset();
    return 0;
  });
  options = Options();
  options.maxConnections = 1;
  ASSERT_EQ(Start(options), std::nullopt);
  MllpClient first;
  ASSERT_TRUE(first.Connect(m_port));
  ASSERT_TRUE(EventSeen("ADT connection from 127.0.0.1"));
  MllpClient second;
  ASSERT_TRUE(second.Connect(m_port));
  EXPECT_TRUE(second.ClosedWithin(5s));
  EXPECT_TRUE(EventSeen("ADT connection from 127.0.0.1 refused: 1 connections already"));
  ASSERT_TRUE(first.Send(Adt("A01", "MSG1", "1||P1")));
  EXPECT_EQ(Reply(first.Answer()), "AA MSG1");
}

TEST_F(AdtListenerTest, RefusesToStartWithoutAllowedPeers) {
  AdtListenerOptions options = Options();
  options.allowedPeers.clear();
  EXPECT_EQ(Start(options), "no peer is allowed to send admissions: name the hospital's");
  options.allowedPeers = {"hospital.example"};
  EXPECT_EQ(Start(options), "'hospital.example' is not an address");
}

TEST_F(AdtListenerTest, CutsOffAFrameThatNeverEndsByTimeAndBySize) {
  AdtListenerOptions options = Options();
  options.frameTimeout = 300ms;
  ASSERT_EQ(Start(options), std::nullopt);
  MllpClient slow;
  ASSERT_TRUE(slow.Connect(m_port));
  ASSERT_TRUE(slow.SendRaw("\x0bMSH|^~\\&|A|B|C|D|T||ADT^A01|M1|P|2.5\r"));
  EXPECT_TRUE(slow.ClosedWithin(5s));
  EXPECT_TRUE(EventSeen("ADT connection from 127.0.0.1 ended: a frame did not end within 300 ms"));

  MllpClient endless;
  ASSERT_TRUE(endless.Connect(m_port));
  const std::string chunk(256 * 1024, 'x');
  bool open = endless.SendRaw("\x0bMSH|^~\\&|A\rNTE|");
  for (int i = 0; i < 16 && open; ++i) open = endless.SendRaw(chunk);
  EXPECT_TRUE(endless.ClosedWithin(5s));
  EXPECT_TRUE(EventSeen("ADT connection from 127.0.0.1 ended: framing: a frame grew beyond 2097152 bytes"));
  EXPECT_TRUE(Handed().empty());
}

}  // namespace
