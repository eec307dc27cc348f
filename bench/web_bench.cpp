// The ward's web side: what one sample batch costs to reach every browser that watches its bed,
// and the server's memory with a browser that stops reading.
//
// Fan-out: a WardServer on loopback with 16 live streams subscribed to one bed; its loop runs on
// the benchmark's thread, so CPU time is the server's: the batch made into its message once,
// queued to every stream, framed and written. The browsers read raw bytes in a thread of their
// own. The baseline does the least that delivers the same: it writes the batch as JSON by hand
// (std::to_chars) once and sends it in a WebSocket frame to 16 plain sockets whose other ends the
// same thread drains. "per_client" is the time per batch divided by the streams.
//
// Memory: one browser subscribes and never reads again (its receive buffer made small); the
// server is handed 10,000 and then 50,000 batches (the loop running between them), and the peak
// of the program's live heap is read around each: bounded by the live queue's limit however
// much is produced, where an unbounded queue would hold everything produced.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <boost/asio/executor_work_guard.hpp>
#include <boost/asio/io_context.hpp>
#include <boost/asio/post.hpp>
#include <charconv>
#include <cstdio>
#include <future>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "bench/BrowserSocket.h"
#include "bench/HeapPeak.h"
#include "bench/RatioReporter.h"
#include "web/WardServer.h"
#include "web/WardService.h"

namespace {

using heap_peak::PeakHeap;

namespace asio = boost::asio;
using Clock = std::chrono::system_clock;

constexpr int kBrowsers = 16;
constexpr int kSamplesPerBatch = 5;  // a numerics packet's: 1.25 s of trace

// A ward of four beds that lets anyone in and has no recordings: the server's traces on
// subscribing are empty, so that what is measured is the live batches.
class BenchWard final : public WardService {
 public:
  std::vector<BedView> Beds() override {
    std::vector<BedView> beds(4);
    for (int bed = 0; bed < 4; ++bed) beds[static_cast<std::size_t>(bed)].bed = bed + 1;
    return beds;
  }
  void CheckLogin(const std::string&, const std::string&, std::function<void(LoginCheck)> done) override {
    done(LoginCheck::Accepted);
  }
  void Trace(int, Instant from, Instant, Reply<BedTrace> done) override {
    BedTrace trace;
    trace.samples.start = from;
    done(ServiceResult<BedTrace>::Done(trace));
  }
  void StripPdf(int, Instant, Instant, Reply<std::string> done) override { done(Unavailable<std::string>()); }
  void Alarms(std::optional<int>, Reply<std::vector<WardAlarm>> done) override {
    done(Unavailable<std::vector<WardAlarm>>());
  }
  void Acknowledge(std::uint64_t, const std::string&, Reply<WardAlarm> done) override { done(Unavailable<WardAlarm>()); }
  void Patient(int, Reply<MonitoredPatient> done) override { done(Unavailable<MonitoredPatient>()); }
  void CorrectPatient(int, const MonitoredPatient&, const std::string&, Reply<MonitoredPatient> done) override {
    done(Unavailable<MonitoredPatient>());
  }
  void Audit(const AuditEntry&) override {}

 private:
  template <class T>
  static ServiceResult<T> Unavailable() {
    return ServiceResult<T>::Fault(ServiceStatus::Failed, "not in the benchmark");
  }
};

TraceBatch Batch(Clock::time_point start) {
  TraceBatch batch;
  batch.start = start;
  for (int index = 0; index < kSamplesPerBatch; ++index) {
    TraceSample sample;
    sample.Value(TraceChannel::FHR1) = 138.25f + static_cast<float>(index);
    sample.Value(TraceChannel::FHR2) = 141.5f;
    sample.Value(TraceChannel::MHR) = 84.0f;
    sample.Value(TraceChannel::UC) = 22.5f;
    batch.samples.push_back(sample);
  }
  return batch;
}

// A server's frame of `payload` (text).
std::string ServerFrame(const std::string& payload) {
  std::string frame{'\x81'};
  if (payload.size() < 126) {
    frame += static_cast<char>(payload.size());
  } else {
    frame += '\x7E';
    frame += static_cast<char>(payload.size() >> 8);
    frame += static_cast<char>(payload.size() & 0xFF);
  }
  return frame + payload;
}

// Browsers that read whatever comes, on a thread of their own.
class Readers {
 public:
  void Add(int socket) { m_sockets.push_back(socket); }
  void Start() {
    m_thread = std::thread([this] {
      std::vector<pollfd> polled;
      for (const int socket : m_sockets) polled.push_back({socket, POLLIN, 0});
      std::vector<char> chunk(256 * 1024);
      while (!m_stop) {
        if (::poll(polled.data(), polled.size(), 10) <= 0) continue;
        for (const pollfd& entry : polled) {
          if (entry.revents & POLLIN) ::recv(entry.fd, chunk.data(), chunk.size(), MSG_DONTWAIT);
        }
      }
    });
  }
  ~Readers() {
    m_stop = true;
    if (m_thread.joinable()) m_thread.join();
    for (const int socket : m_sockets) ::close(socket);
  }

 private:
  std::vector<int> m_sockets;
  std::atomic<bool> m_stop{false};
  std::thread m_thread;
};

// A server on loopback with live streams subscribed to bed 1, its loop handed to the
// benchmark's thread once they are all open.
class LiveWard {
 public:
  LiveWard(int streams, int receiveBuffer, std::size_t queueLimit) {
    WardServerOptions options;
    options.address = "127.0.0.1:0";
    options.liveQueueBytes = queueLimit;
    options.liveTimeout = std::chrono::minutes(10);
    m_server = std::make_unique<WardServer>(m_loop, m_ward, options);
    if (auto fault = m_server->Start()) {
      std::fprintf(stderr, "the web side does not start: %s\n", fault->c_str());
      std::exit(1);
    }
    auto work = asio::make_work_guard(m_loop);
    std::thread helper([this] { m_loop.run(); });
    const std::string cookie = browser_socket::LogIn(m_server->Port(), "bench", "bench");
    for (int stream = 0; stream < streams; ++stream) {
      m_sockets.push_back(browser_socket::OpenLiveStream(m_server->Port(), cookie, R"({"subscribe":[1]})", receiveBuffer));
    }
    while (Status().liveStreams < static_cast<std::size_t>(streams)) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    work.reset();
    m_loop.stop();
    helper.join();
    m_loop.restart();
  }
  ~LiveWard() {
    m_server->Stop();
    m_loop.run();
  }

  // Hands `batch` to the server and runs its loop until every stream has written it.
  void Deliver(const TraceBatch& batch) {
    m_server->SamplesArrived(1, batch);
    RunUntilWritten();
  }
  void RunUntilWritten() {
    while (m_server->Status().liveQueuedBytes > 0) m_loop.run_one_for(std::chrono::milliseconds(100));
  }
  // Hands `batch` to the server and lets its loop do what it can without waiting.
  void Offer(const TraceBatch& batch) {
    m_server->SamplesArrived(1, batch);
    m_loop.poll();
  }

  WardServerStatus Status() {
    std::promise<WardServerStatus> status;
    asio::post(m_loop, [&] { status.set_value(m_server->Status()); });
    return status.get_future().get();
  }
  WardServerStatus StatusOnThisThread() const { return m_server->Status(); }
  const std::vector<int>& Sockets() const { return m_sockets; }

 private:
  asio::io_context m_loop;
  BenchWard m_ward;
  std::unique_ptr<WardServer> m_server;
  std::vector<int> m_sockets;
};

// The time per batch and stream.
benchmark::Counter PerClient(const benchmark::State& state) {
  return benchmark::Counter(static_cast<double>(state.iterations()) * kBrowsers,
                            benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

void FanOutClass(benchmark::State& state) {
  LiveWard ward(kBrowsers, 0, 4 * 1024 * 1024);
  Readers readers;
  for (const int socket : ward.Sockets()) readers.Add(socket);
  readers.Start();
  ward.RunUntilWritten();
  auto start = Clock::now();
  for (auto _ : state) {
    ward.Deliver(Batch(start));
    start += std::chrono::milliseconds(1250);
  }
  state.counters["per_client"] = PerClient(state);
}

void AppendNumber(std::string& out, double value) {
  char text[32];
  const auto end = std::to_chars(text, text + sizeof text, value).ptr;
  out.append(text, end);
}

// The batch's message written by hand, in the server's form.
std::string HandWritten(const TraceBatch& batch) {
  std::string json = R"({"bed":1,"count":)" + std::to_string(batch.samples.size()) + R"(,"periodMs":250,"startMs":)" +
                     std::to_string(std::chrono::duration_cast<std::chrono::milliseconds>(batch.start.time_since_epoch()).count()) +
                     R"(,"type":"samples","values":{)";
  const std::pair<const char*, TraceChannel> channels[] = {
      {"FHR1", TraceChannel::FHR1}, {"FHR2", TraceChannel::FHR2}, {"MHR", TraceChannel::MHR}, {"UC", TraceChannel::UC}};
  for (const auto& [name, channel] : channels) {
    json += std::string(json.back() == '{' ? "\"" : ",\"") + name + "\":[";
    for (const TraceSample& sample : batch.samples) {
      AppendNumber(json, *sample.Value(channel));
      json += ',';
    }
    json.back() = ']';
  }
  return json + "}}";
}

void FanOutBaseline(benchmark::State& state) {
  const int listener = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  ::bind(listener, reinterpret_cast<sockaddr*>(&address), length);
  ::listen(listener, kBrowsers);
  ::getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length);
  Readers readers;
  std::vector<int> servers;
  for (int browser = 0; browser < kBrowsers; ++browser) {
    readers.Add(browser_socket::Connect(ntohs(address.sin_port)));
    servers.push_back(::accept(listener, nullptr, nullptr));
  }
  readers.Start();
  auto start = Clock::now();
  for (auto _ : state) {
    const std::string frame = ServerFrame(HandWritten(Batch(start)));
    for (const int server : servers) browser_socket::SendAll(server, frame);
    start += std::chrono::milliseconds(1250);
  }
  for (const int server : servers) ::close(server);
  ::close(listener);
  state.counters["per_client"] = PerClient(state);
}

constexpr BenchmarkPair kPairs[] = {
    {"Fan-out of a sample batch to 16 live streams, against hand-written JSON sent on 16 sockets", "fanout",
     FanOutClass, FanOutBaseline},
};

void ReportMemory() {
  constexpr std::size_t kLimit = 4 * 1024 * 1024;
  std::printf("\nMemory with one browser that stops reading (live queue limit %zu KiB), a fresh server each:\n",
              kLimit / 1024);
  const std::size_t messageBytes = HandWritten(Batch(Clock::now())).size();
  std::size_t first = 0;
  for (const int batches : {10'000, 50'000, 200'000}) {
    std::optional<LiveWard> ward;
    ward.emplace(1, 4096, kLimit);
    auto start = Clock::now() - std::chrono::hours(72);
    const std::size_t peak = PeakHeap([&] {
      for (int batch = 0; batch < batches; ++batch) {
        ward->Offer(Batch(start));
        start += std::chrono::milliseconds(1250);
      }
    });
    const WardServerStatus status = ward->StatusOnThisThread();
    std::printf("  %7d batches (%6.1f MB produced, what an unbounded queue would hold): peak heap +%6zu KiB, "
                "largest live queue %5zu KiB, %llu cut-backs\n",
                batches, static_cast<double>(batches) * static_cast<double>(messageBytes) / 1e6, peak / 1024,
                status.largestLiveQueue / 1024, static_cast<unsigned long long>(status.cutBacks));
    if (batches == 50'000) first = peak;
    if (batches == 200'000 && first) {
      std::printf("  peak heap, 200,000 batches / 50,000 batches: %.2fx (produced: 4.00x)\n",
                  static_cast<double>(peak) / static_cast<double>(first));
    }
  }
}

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  std::printf("%d live streams, %d samples per batch\n", kBrowsers, kSamplesPerBatch);
  RunPairs(kPairs, 0, benchmark::kMicrosecond);
  ReportMemory();
  benchmark::Shutdown();
  return 0;
}
