#include <atomic>
#include <thread>

#include "web/LiveSamples.h"
#include "web/WebServerTest.h"

namespace {

using namespace std::chrono_literals;
namespace http = webtest::http;
using Clock = std::chrono::system_clock;

// A quarter second that has begun, `back` before now: where a made-up trace may begin.
Clock::time_point QuarterSecondsBack(std::chrono::milliseconds back) {
  const auto now = std::chrono::duration_cast<std::chrono::milliseconds>((Clock::now() - back).time_since_epoch());
  return Clock::time_point(now - now % 250);
}

class LiveStreamTest : public WebServerTest {
 protected:
  // A logged-in browser's live stream, past its first message (the ward).
  std::unique_ptr<PlainLive> OpenLive(const std::string& user = FakeWard::kUser,
                                      const std::string& password = FakeWard::kPassword,
                                      webtest::ClientOptions client = {}) {
    const auto login = LogIn(user, password);
    EXPECT_TRUE(login);
    if (!login) return nullptr;
    auto live = std::make_unique<PlainLive>(m_port, nullptr, client);
    EXPECT_FALSE(live->Open(login->cookie, m_origin));
    const auto ward = live->Read();
    EXPECT_TRUE(ward && (*ward)["type"] == "ward");
    return live;
  }

  TraceBatch Produce(int bed, Clock::time_point start, std::size_t count) {
    return OnLoop([=, this] {
      TraceBatch batch = m_ward->Produce(bed, start, count);
      m_server->SamplesArrived(bed, batch);
      return batch;
    });
  }

  // Reads messages until `samples` of bed `bed` have come (or the stream ends, or 10 s pass),
  // keeping every message.
  static std::vector<TimedSample> ReadSamples(PlainLive& live, int bed, std::size_t samples,
                                              std::vector<nlohmann::json>* messages = nullptr) {
    std::vector<TimedSample> received;
    const auto deadline = std::chrono::steady_clock::now() + 10s;
    while (received.size() < samples && std::chrono::steady_clock::now() < deadline) {
      const auto message = live.Read(2s);
      if (!message) break;
      if (messages) messages->push_back(*message);
      const auto more = SamplesOf(*message, bed);
      received.insert(received.end(), more.begin(), more.end());
    }
    return received;
  }

  bool WaitFor(const std::function<bool()>& condition) {
    const auto deadline = std::chrono::steady_clock::now() + 5s;
    while (!condition()) {
      if (std::chrono::steady_clock::now() > deadline) return false;
      std::this_thread::sleep_for(1ms);
    }
    return true;
  }
};

// Ten minutes' trace on subscribing, batches that came while it was asked for held and sent
// after it (the part the trace already held left out), then each batch as it comes: every sample
// once, in order; nothing of a bed not subscribed to.
TEST_F(LiveStreamTest, ASubscriberReceivesEverySampleOnceAndInOrder) {
  Start();
  auto live = OpenLive();
  ASSERT_TRUE(live);
  const TraceBatch history = Produce(1, QuarterSecondsBack(5min), 1200);
  OnLoop([this] { m_ward->HoldTraces(true); });
  ASSERT_TRUE(live->Send(R"({"subscribe":[1]})"));
  ASSERT_TRUE(WaitFor([this] { return OnLoop([this] { return m_ward->HeldTraces(); }) == 1; }));
  const auto [from, to] = OnLoop([this] { return m_ward->m_lastTrace; });
  EXPECT_EQ(to - from, 10min);
  // Ten seconds that began before the trace was asked for: it holds their beginning.
  const TraceBatch straddling = Produce(1, history.End(), 40);
  Produce(2, history.End(), 40);
  OnLoop([this] { m_ward->ReleaseTraces(); });
  const TraceBatch next = Produce(1, straddling.End(), 20);

  std::vector<nlohmann::json> messages;
  const auto received = ReadSamples(*live, 1, 1260, &messages);
  EXPECT_EQ(received, Timed({history, straddling, next}));
  ASSERT_EQ(messages.size(), 3u);
  EXPECT_EQ(messages[0]["type"], "trace");
  EXPECT_GT(messages[0]["count"], 1200);
  EXPECT_LT(messages[0]["count"], 1240);
  EXPECT_EQ(messages[1]["type"], "samples");
  EXPECT_EQ(messages[1]["count"].get<int>() + messages[0]["count"].get<int>(), 1240);
  EXPECT_EQ(messages[2]["count"], 20);
  EXPECT_FALSE(live->Read(200ms)) << "nothing of bed 2, which it did not subscribe to";
}

TEST_F(LiveStreamTest, EveryStreamSharesTheOneMessageOfABatch) {
  Start();
  std::vector<std::unique_ptr<PlainLive>> streams;
  for (int stream = 0; stream < 3; ++stream) {
    streams.push_back(OpenLive());
    ASSERT_TRUE(streams.back());
    ASSERT_TRUE(streams.back()->Send(R"({"subscribe":[3]})"));
    ASSERT_TRUE(streams.back()->Read());  // the (empty) trace
  }
  std::vector<TraceBatch> batches;
  const Clock::time_point start = QuarterSecondsBack(1min);
  for (int batch = 0; batch < 10; ++batch) batches.push_back(Produce(3, start + 1250ms * batch, 5));
  Produce(4, start, 5);
  for (auto& stream : streams) EXPECT_EQ(ReadSamples(*stream, 3, 50), Timed(batches));
  EXPECT_EQ(Status().batchesBuilt, 10u) << "once per batch, none for a bed nobody watches";
}

TEST_F(LiveStreamTest, BedChangesAndAlarmsReachEveryStream) {
  Start();
  auto first = OpenLive();
  auto second = OpenLive(FakeWard::kOtherUser, FakeWard::kOtherPassword);
  ASSERT_TRUE(first && second);
  OnLoop([this] {
    BedView lost = m_ward->Bed(1);
    lost.link = BedView::Link::Lost;
    lost.fhr1.reset();
    m_server->BedChanged(lost);
    WardAlarm alarm;
    alarm.id = 12;
    alarm.bed = 1;
    alarm.priority = WardAlarm::Priority::High;
    alarm.text = "communication lost";
    alarm.since = Clock::time_point(std::chrono::milliseconds(1792891800000));
    m_server->AlarmChanged(WardAlarm::Event::Raised, alarm);
  });
  for (PlainLive* live : {first.get(), second.get()}) {
    const auto bed = live->Read();
    ASSERT_TRUE(bed);
    EXPECT_EQ(bed->dump(),
              R"({"bed":{"alarms":[],"bed":1,"fhr1":null,"fhr2":null,"link":"lost","mhr":82,"patientId":"TEST-1",)"
              R"("patientName":"Testmother Anna","studyId":"20261025023000","uc":17},"type":"bed"})");
    const auto alarm = live->Read();
    ASSERT_TRUE(alarm);
    EXPECT_EQ(alarm->dump(),
              R"({"alarm":{"acknowledgedBy":null,"acknowledgedMs":null,"bed":1,"clearedMs":null,"id":12,)"
              R"("priority":"high","sinceMs":1792891800000,"text":"communication lost"},"event":"raised","type":"alarm"})");
  }
}

TEST_F(LiveStreamTest, ACommandThatIsNoneEndsTheStream) {
  Start();
  auto live = OpenLive();
  ASSERT_TRUE(live);
  ASSERT_TRUE(live->Send(R"({"subscribe":[99,0,-3]})"));
  for (int error = 0; error < 3; ++error) {
    const auto answer = live->Read();
    ASSERT_TRUE(answer);
    EXPECT_EQ(answer->dump(), R"({"message":"there is no such bed to watch","type":"error"})");
  }
  for (const char* command : {R"({"subscribe":"all"})", R"({"subscribe":[1.5]})", R"({"watch":[1]})", "[1]", "hello"}) {
    auto other = OpenLive();
    ASSERT_TRUE(other);
    ASSERT_TRUE(other->Send(command));
    EXPECT_FALSE(other->Read(3s)) << command;
    EXPECT_EQ(other->Socket().reason().reason, "not a command") << command;
  }
  EXPECT_TRUE(WaitFor([this] { return Status().liveStreams == 1; }));
}

// A browser that stops reading: the server queues for it up to the limit and then cuts it back,
// never waiting for it, while another browser receives everything; when it reads again it gets
// what was on its way, the ward as it is and the trace from where it stopped, so that it too has
// every sample once and in order.
TEST_F(LiveStreamTest, AStreamThatDoesNotReadIsCutBackAndCatchesUpFromTheTrace) {
  WardServerOptions options = TestOptions();
  options.liveQueueBytes = 256 * 1024;
  options.liveTimeout = 30s;
  Start(options);
  auto slow = OpenLive(FakeWard::kUser, FakeWard::kPassword, {"", 16 * 1024});
  auto good = OpenLive(FakeWard::kOtherUser, FakeWard::kOtherPassword);
  ASSERT_TRUE(slow && good);
  std::vector<TraceBatch> produced{Produce(1, QuarterSecondsBack(4min), 240)};
  for (PlainLive* live : {slow.get(), good.get()}) {
    ASSERT_TRUE(live->Send(R"({"subscribe":[1]})"));
    ASSERT_EQ(ReadSamples(*live, 1, 240), Timed(produced));
  }

  // The browser that reads takes each message as it comes: the flood waits for it, step by step.
  std::vector<nlohmann::json> goodMessages;
  std::atomic<int> goodChanges = 0;
  std::thread reader([&] {
    while (true) {
      const auto message = good->Read(10s);
      if (!message) break;
      goodMessages.push_back(*message);
      if ((*message)["type"] == "bed" && (*message)["bed"]["bed"] == 2) ++goodChanges;
      if ((*message)["type"] == "bed" && (*message)["bed"]["patientId"] == "end") break;
    }
  });

  BedView noisy;
  noisy.bed = 2;
  noisy.alarms.push_back(WardAlarm{});
  noisy.alarms[0].text = std::string(32 * 1024, 'x');
  const std::size_t bound = options.liveQueueBytes + 2 * 40 * 1024;
  int changes = 0;
  int afterCutBack = 0;
  bool steady = true;  // the queue within its bound, the reading browser keeping up
  for (int step = 0; steady && step < 3000 && afterCutBack < 40; ++step, ++changes) {
    if (step % 20 == 0) produced.push_back(Produce(1, produced.back().End(), 5));
    const WardServerStatus status = OnLoop([&] {
      m_server->BedChanged(noisy);
      return m_server->Status();
    });
    EXPECT_LE(status.largestLiveQueue, bound) << "step " << step;
    if (status.cutBacks > 0) ++afterCutBack;
    steady = status.largestLiveQueue <= bound && WaitFor([&] { return goodChanges == changes + 1; });
  }
  EXPECT_EQ(afterCutBack, 40) << "the stream that does not read was never cut back";
  OnLoop([&] {
    BedView end;
    end.bed = 4;
    end.patientId = "end";
    m_server->BedChanged(end);
  });
  reader.join();

  std::vector<TimedSample> goodSamples;
  for (const auto& message : goodMessages) {
    const auto more = SamplesOf(message, 1);
    goodSamples.insert(goodSamples.end(), more.begin(), more.end());
  }
  const auto all = Timed(produced);
  const std::vector<TimedSample> afterSubscribing(all.begin() + 240, all.end());
  EXPECT_EQ(goodSamples, afterSubscribing);
  EXPECT_EQ(goodChanges, changes) << "the reading browser lost nothing";

  std::vector<nlohmann::json> slowMessages;
  EXPECT_EQ(ReadSamples(*slow, 1, afterSubscribing.size(), &slowMessages), afterSubscribing);
  EXPECT_TRUE(std::any_of(slowMessages.begin(), slowMessages.end(), [](const auto& m) { return m["type"] == "ward"; }))
      << "the ward as it is, after the cut-back";
  EXPECT_TRUE(WaitFor([this] { return Status().liveQueuedBytes == 0; }));
}

TEST_F(LiveStreamTest, AStreamThatNeverAnswersIsClosedAfterTheLiveTimeout) {
  WardServerOptions options = TestOptions();
  options.liveTimeout = 1s;
  Start(options);
  auto silent = OpenLive();
  ASSERT_TRUE(silent);
  EXPECT_EQ(Status().liveStreams, 1u);
  EXPECT_TRUE(WaitFor([this] { return Status().liveStreams == 0; }));
  EXPECT_EQ(Status().connections, 0u);
}

}  // namespace
