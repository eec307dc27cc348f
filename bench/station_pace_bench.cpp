// The station at the monitors' real pace: N simulated beds (PacedWard) send their links to a
// StationEngine over loopback in this process, packet by packet, each packet alone, at the
// moment a monitor sends it (about 21 packets a bed-second). Once every bed's patient is
// admitted and a sync interval has passed, the engine's threads (its loop, and the two workers
// beside it: the database's and the disk's) are measured over whole sync intervals, from the end
// of a round of syncs: their CPU time per bed-second, their wake-ups and system calls per
// bed-second, and each worker's file syncs per interval (the database's are its commits: SQLite
// syncs its log once a commit). ThreadMeter reads them from the kernel (/proc/self/task and perf
// tracepoints); the senders are never counted.
//
// The baseline, in the same program and at the same pace, is the least a station must do: a
// hand-written epoll loop that reads every socket when it is ready (turns at most every 20 ms),
// appends each bed's bytes to a file of its own once a second and syncs every grown file every
// 5 s, on one thread, without framing, decoding or a database.
//
// The machine is shared: CPU time, not wall time, and --repeat runs each count again (the
// median is printed last).
//
// --clients N adds the ward's web side (plain HTTP on loopback) and N browsers' live streams,
// each subscribed to the first 64 beds, plus one that subscribes and never reads: the station's
// CPU then includes serving them, and each batch's delay to its arrival at a browser (from the
// station's taking its numerics packet off the link, and from its last sample's instant) is
// printed with the process's memory growth over the window.
//
//   station_pace_bench [--beds 64,512,2048] [--seconds 20] [--senders 2] [--repeat 1] [--clients 0]
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/epoll.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "bench/BrowserSocket.h"
#include "bench/PacedWard.h"
#include "bench/ThreadMeter.h"
#include "database/TBLUser.h"
#include "registry/StationDatabase.h"
#include "registry/UserAccounts.h"
#include "ward/StationEngine.h"

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

namespace {

// Long enough for the slowest admission of every bed, the settling and the window.
constexpr std::uint64_t kLinkSeconds = 900;
constexpr auto kAdmissionLimit = 300s;
constexpr auto kDrainLimit = 10s;

struct Settings {
  std::vector<int> beds{64, 512, 2048};
  int seconds = 20;
  int senders = 2;
  int repeat = 1;
  // Live streams that watch the ward while it is measured (the first 64 beds each), and one more
  // that subscribes and never reads.
  int clients = 0;
};

// The station's sync interval (StationOptions' default), the baseline's too.
constexpr auto kSyncInterval = 5s;

// What a run measured over its window.
// Live batches' delays in ms, each batch's in both lists.
struct Delays {
  std::vector<double> sinceArrival;
  std::vector<double> sinceSample;
};

struct Measured {
  double bedSeconds = 0;
  double syncIntervals = 0;
  double packetsPerBedSecond = 0;
  ThreadReading loop;
  std::vector<ThreadReading> workers;
  bool countsSystemCalls = false;
  std::size_t p99LatenessMs = 0;
  bool keptPace = false;  // the engine had read every byte sent soon after the senders stopped
  // Each live batch's delay to its arrival at a browser: from the station's taking its numerics
  // packet off the link, and from its last sample's instant.
  Delays delivery;
  double rssGrowthMiB = 0;         // the process's resident memory over the window
  std::string fault;

  ThreadReading Total() const {
    ThreadReading total = loop;
    for (const ThreadReading& worker : workers) total += worker;
    return total;
  }
  double PerBedSecond(std::uint64_t count) const { return static_cast<double>(count) / bedSeconds; }
  double MicrosecondsPerBedSecond() const { return PerBedSecond(Total().cpuNanoseconds) / 1000.0; }
};

fs::path Scratch() {
  static const fs::path folder = fs::temp_directory_path() / ("vudoda-pace-bench-" + std::to_string(::getpid()));
  return folder;
}

pid_t ThisThread() { return static_cast<pid_t>(::gettid()); }

bool WaitUntil(const std::function<bool()>& done, std::chrono::milliseconds limit) {
  const auto until = Clock::now() + limit;
  while (!done()) {
    if (Clock::now() > until) return false;
    std::this_thread::sleep_for(20ms);
  }
  return true;
}

ThreadReading Sum(const std::vector<std::unique_ptr<ThreadMeter>>& meters) {
  ThreadReading sum;
  for (const auto& meter : meters) sum += meter->Read();
  return sum;
}

// Waits until the threads have synced files and then stopped for a while: a round of syncs is
// over. Gives up after two intervals (a station whose syncs never pause).
void WaitForRoundEnd(const std::vector<std::unique_ptr<ThreadMeter>>& meters) {
  const auto until = Clock::now() + 2 * kSyncInterval;
  std::uint64_t syncs = Sum(meters).syncs;
  bool synced = false;
  auto lastSync = Clock::now();
  while (Clock::now() < until && !(synced && Clock::now() - lastSync > 500ms)) {
    std::this_thread::sleep_for(50ms);
    const std::uint64_t now = Sum(meters).syncs;
    if (now != syncs) {
      synced = true;
      lastSync = Clock::now();
      syncs = now;
    }
  }
}

// Measures the threads (the loop's first) over whole sync intervals, about `seconds`, while
// `ward` paces its beds.
void MeasureWindow(const std::vector<pid_t>& threads, PacedWard& ward, int beds, int seconds, Measured& measured) {
  std::vector<std::unique_ptr<ThreadMeter>> meters;
  for (pid_t thread : threads) meters.push_back(std::make_unique<ThreadMeter>(thread));
  measured.countsSystemCalls = meters.front()->CountsSystemCalls();
  if (measured.countsSystemCalls) WaitForRoundEnd(meters);
  std::vector<ThreadReading> before;
  for (const auto& meter : meters) before.push_back(meter->Read());
  const PacedWard::Lateness lateBefore = ward.LatenessSoFar();
  const std::uint64_t packetsBefore = ward.SentPackets();
  const auto start = Clock::now();
  measured.syncIntervals = std::max(1.0, std::round(seconds / std::chrono::duration<double>(kSyncInterval).count()));
  std::this_thread::sleep_until(start + measured.syncIntervals * kSyncInterval);
  std::vector<ThreadReading> after;
  for (const auto& meter : meters) after.push_back(meter->Read());
  const double window = std::chrono::duration<double>(Clock::now() - start).count();
  const std::uint64_t packets = ward.SentPackets() - packetsBefore;
  PacedWard::Lateness late = ward.LatenessSoFar();
  for (std::size_t bucket = 0; bucket < late.size(); ++bucket) late[bucket] -= lateBefore[bucket];

  measured.bedSeconds = beds * window;
  measured.packetsPerBedSecond = static_cast<double>(packets) / measured.bedSeconds;
  measured.p99LatenessMs = PacedWard::Quantile(late, 0.99);
  measured.loop = after[0] - before[0];
  for (std::size_t thread = 1; thread < threads.size(); ++thread) measured.workers.push_back(after[thread] - before[thread]);
}

constexpr const char* kBenchUser = "bench";
constexpr const char* kBenchPassword = "bench-password";
constexpr int kWatchedBeds = 64;

// The ward's database with the browsers' user in it.
std::optional<std::string> AddBenchUser(const std::string& uri) {
  StationDatabase database;
  bool created = false;
  if (auto fault = database.Create(uri, created)) return fault;
  TBLUser user(&database.Connection());
  user.m_M_ID = kBenchUser;
  user.m_M_NAME = "Bench Midwife";
  return UserAccounts(database.Connection()).Add(user, std::string(kBenchPassword));
}

std::int64_t NowMs() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::system_clock::now().time_since_epoch()).count();
}

// The number after `"name":` in a message of the live stream, or -1.
std::int64_t NumberField(std::string_view message, std::string_view name) {
  const std::string key = "\"" + std::string(name) + "\":";
  const std::size_t at = message.find(key);
  if (at == std::string_view::npos) return -1;
  std::int64_t value = -1;
  std::from_chars(message.data() + at + key.size(), message.data() + message.size(), value);
  return value;
}

// The process's resident memory in MiB.
double ResidentMiB() {
  std::ifstream status("/proc/self/status");
  for (std::string line; std::getline(status, line);) {
    if (line.starts_with("VmRSS:")) return std::stod(line.substr(6)) / 1024.0;
  }
  return 0;
}

// Browsers watching the ward live: `count` streams subscribed to its first beds, read on a
// thread of their own, each batch's delay from its last sample's instant (the station's clock
// when the sample's packet came, by its link's anchor) to its arrival kept while measuring; and
// one more stream that subscribes and never reads, as a browser whose tab is frozen.
class LiveBrowsers {
 public:
  LiveBrowsers(int port, int count, int beds) {
    const std::string cookie = browser_socket::LogIn(port, kBenchUser, kBenchPassword);
    std::string subscription = R"({"subscribe":[)";
    for (int bed = 1; bed <= std::min(beds, kWatchedBeds); ++bed) subscription += (bed > 1 ? "," : "") + std::to_string(bed);
    subscription += "]}";
    for (int browser = 0; browser < count; ++browser) {
      m_streams.push_back({browser_socket::OpenLiveStream(port, cookie, subscription), {}});
    }
    m_frozen = browser_socket::OpenLiveStream(port, cookie, subscription, 4096);
    m_reader = std::thread([this] { Read(); });
  }
  ~LiveBrowsers() {
    m_stop = true;
    m_reader.join();
    for (const Stream& stream : m_streams) ::close(stream.socket);
    ::close(m_frozen);
  }

  void Measure(bool on) { m_measuring = on; }
  // The delays kept so far; call once reading has stopped being measured.
  Delays Taken() {
    std::lock_guard lock(m_mutex);
    return m_delays;
  }

 private:
  struct Stream {
    int socket;
    std::string received;
  };

  void Read() {
    std::vector<pollfd> polled;
    for (const Stream& stream : m_streams) polled.push_back({stream.socket, POLLIN, 0});
    std::vector<char> chunk(256 * 1024);
    while (!m_stop) {
      if (::poll(polled.data(), polled.size(), 20) <= 0) continue;
      for (std::size_t index = 0; index < polled.size(); ++index) {
        if (!(polled[index].revents & POLLIN)) continue;
        const auto size = ::recv(polled[index].fd, chunk.data(), chunk.size(), MSG_DONTWAIT);
        if (size <= 0) continue;
        m_streams[index].received.append(chunk.data(), static_cast<std::size_t>(size));
        TakeFrames(m_streams[index].received);
      }
    }
  }

  // Takes the whole frames at the front of `received` (a server's frames are not masked).
  void TakeFrames(std::string& received) {
    std::size_t at = 0;
    for (;;) {
      if (received.size() < at + 2) break;
      std::uint64_t length = static_cast<unsigned char>(received[at + 1]) & 0x7F;
      std::size_t head = 2;
      if (length >= 126) {
        head = length == 126 ? 4 : 10;
        if (received.size() < at + head) break;
        length = 0;
        for (std::size_t byte = 2; byte < head; ++byte) length = length << 8 | static_cast<unsigned char>(received[at + byte]);
      }
      if (received.size() < at + head + length) break;
      Took(std::string_view(received).substr(at + head, static_cast<std::size_t>(length)));
      at += head + static_cast<std::size_t>(length);
    }
    received.erase(0, at);
  }

  void Took(std::string_view message) {
    if (!m_measuring || message.find(R"("type":"samples")") == std::string_view::npos) return;
    const std::int64_t start = NumberField(message, "startMs");
    const std::int64_t count = NumberField(message, "count");
    const std::int64_t period = NumberField(message, "periodMs");
    const std::int64_t arrived = NumberField(message, "arrivedMs");
    if (start < 0 || count <= 0 || period <= 0 || arrived < 0) return;
    const std::int64_t now = NowMs();
    std::lock_guard lock(m_mutex);
    m_delays.sinceArrival.push_back(static_cast<double>(now - arrived));
    m_delays.sinceSample.push_back(static_cast<double>(now - (start + (count - 1) * period)));
  }

  std::vector<Stream> m_streams;
  int m_frozen = -1;
  std::atomic<bool> m_stop{false};
  std::atomic<bool> m_measuring{false};
  std::mutex m_mutex;
  Delays m_delays;
  std::thread m_reader;
};

Measured RunStation(int beds, const Settings& settings) {
  Measured measured;
  const fs::path folder = Scratch() / ("station-" + std::to_string(beds));
  fs::create_directories(folder);
  StationOptions options;
  options.listenAddress = "127.0.0.1";
  options.port = 0;
  options.beds = beds;
  options.dataFolder = folder.string();
  options.databaseUri = "sqlite:" + (folder / "ward.db").string();
  if (settings.clients > 0) {
    options.httpAddress = "127.0.0.1:0";
    if (auto fault = AddBenchUser(options.databaseUri)) {
      measured.fault = "the browsers' user: " + *fault;
      return measured;
    }
  }
  std::atomic<int> studies = 0;
  std::atomic<std::uint64_t> received = 0;
  const std::set<pid_t> before = ThreadMeter::Threads();
  StationEngine engine(options, {[&](const std::string& event) {
                                   if (event.find(", new study ") != std::string::npos) ++studies;
                                 },
                                 [&](const std::vector<BedRow>& rows) {
                                   std::uint64_t bytes = 0;
                                   for (const BedRow& row : rows) bytes += row.bytes;
                                   received = bytes;
                                 },
                                 {}});
  std::vector<pid_t> threads{0};  // the loop's, then the workers' in the order they began
  for (pid_t thread : ThreadMeter::Threads()) {
    if (!before.contains(thread)) threads.push_back(thread);
  }
  if (auto fault = engine.Start()) {
    measured.fault = *fault;
    return measured;
  }
  std::atomic<pid_t> loopThread = 0;
  std::thread loop([&] {
    loopThread = ThisThread();
    engine.Run();
  });
  PacedWard ward(beds, settings.senders, kLinkSeconds);
  if (auto fault = ward.Connect(engine.Port())) measured.fault = *fault;
  ward.Start();
  if (measured.fault.empty() && !WaitUntil([&] { return studies == beds; }, kAdmissionLimit)) {
    measured.fault = "only " + std::to_string(studies.load()) + " beds admitted";
  }
  std::unique_ptr<LiveBrowsers> browsers;
  if (measured.fault.empty() && settings.clients > 0) {
    browsers = std::make_unique<LiveBrowsers>(engine.WebPort(), settings.clients, beds);
  }
  if (measured.fault.empty()) {
    std::this_thread::sleep_for(kSyncInterval + 1s);
    threads[0] = loopThread;
    const double residentBefore = ResidentMiB();
    if (browsers) browsers->Measure(true);
    MeasureWindow(threads, ward, beds, settings.seconds, measured);
    if (browsers) browsers->Measure(false);
    measured.rssGrowthMiB = ResidentMiB() - residentBefore;
  }
  if (browsers) measured.delivery = browsers->Taken();
  browsers.reset();
  ward.Stop();
  measured.keptPace = WaitUntil([&] { return received >= ward.SentBytes(); }, kDrainLimit);
  ward.Close();
  engine.Stop();
  loop.join();
  fs::remove_all(folder);
  return measured;
}

// The least a station must do: read, append once a second, sync every 5 s; one thread.
class RawStation {
 public:
  explicit RawStation(const fs::path& folder) : m_folder(folder) {
    m_listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof address;
    ::bind(m_listener, reinterpret_cast<const sockaddr*>(&address), size);
    ::listen(m_listener, SOMAXCONN);
    ::getsockname(m_listener, reinterpret_cast<sockaddr*>(&address), &size);
    m_port = ntohs(address.sin_port);
    m_epoll = ::epoll_create1(EPOLL_CLOEXEC);
  }
  ~RawStation() {
    for (const Bed& bed : m_beds) {
      ::close(bed.socket);
      ::close(bed.file);
    }
    ::close(m_epoll);
    ::close(m_listener);
  }

  int Port() const { return m_port; }

  // Takes `beds` connections, then serves them until Stop.
  void Run(int beds) {
    m_thread = ThisThread();
    m_beds.resize(static_cast<std::size_t>(beds));
    for (std::size_t index = 0; index < m_beds.size(); ++index) {
      Bed& bed = m_beds[index];
      bed.socket = ::accept4(m_listener, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
      bed.file = ::open((m_folder / (std::to_string(index) + ".link")).c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600);
      epoll_event event{EPOLLIN | EPOLLET, {.u64 = index}};
      ::epoll_ctl(m_epoll, EPOLL_CTL_ADD, bed.socket, &event);
    }
    m_ready = true;
    Clock::time_point nextWrite = Clock::now() + 1s;
    Clock::time_point nextSync = Clock::now() + kSyncInterval;
    std::array<epoll_event, 256> events;
    while (!m_stop) {
      const int ready = ::epoll_wait(m_epoll, events.data(), static_cast<int>(events.size()), 100);
      for (int event = 0; event < ready; ++event) Read(m_beds[events[static_cast<std::size_t>(event)].data.u64]);
      const Clock::time_point now = Clock::now();
      if (now >= nextWrite) {
        WriteAll();
        nextWrite += 1s;
      }
      if (now >= nextSync) {
        SyncAll();
        nextSync += kSyncInterval;
      }
      if (ready > 0) std::this_thread::sleep_until(now + 20ms);
    }
  }
  pid_t Thread() const { return m_thread; }
  bool Ready() const { return m_ready; }
  std::uint64_t Received() const { return m_received; }
  void Stop() { m_stop = true; }

 private:
  struct Bed {
    int socket = -1;
    int file = -1;
    std::vector<unsigned char> pending;
    bool grown = false;
  };

  void Read(Bed& bed) {
    std::array<unsigned char, 16 * 1024> buffer;
    for (;;) {
      const ssize_t got = ::recv(bed.socket, buffer.data(), buffer.size(), 0);
      if (got <= 0) return;
      bed.pending.insert(bed.pending.end(), buffer.data(), buffer.data() + got);
      m_received += static_cast<std::uint64_t>(got);
      if (static_cast<std::size_t>(got) < buffer.size()) return;
    }
  }
  void WriteAll() {
    for (Bed& bed : m_beds) {
      if (bed.pending.empty()) continue;
      bed.grown = ::write(bed.file, bed.pending.data(), bed.pending.size()) > 0;
      bed.pending.clear();
    }
  }
  void SyncAll() {
    for (Bed& bed : m_beds) {
      if (bed.grown) ::fdatasync(bed.file);
      bed.grown = false;
    }
  }

  fs::path m_folder;
  int m_listener = -1;
  int m_epoll = -1;
  int m_port = 0;
  std::vector<Bed> m_beds;
  std::atomic<pid_t> m_thread = 0;
  std::atomic<bool> m_ready = false;
  std::atomic<std::uint64_t> m_received = 0;
  std::atomic<bool> m_stop = false;
};

Measured RunBaseline(int beds, const Settings& settings) {
  Measured measured;
  const fs::path folder = Scratch() / ("raw-" + std::to_string(beds));
  fs::create_directories(folder);
  RawStation station(folder);
  std::thread loop([&] { station.Run(beds); });
  PacedWard ward(beds, settings.senders, kLinkSeconds);
  if (auto fault = ward.Connect(station.Port())) measured.fault = *fault;
  WaitUntil([&] { return station.Ready(); }, 60s);
  ward.Start();
  std::this_thread::sleep_for(2s);
  MeasureWindow({station.Thread()}, ward, beds, settings.seconds, measured);
  ward.Stop();
  measured.keptPace = WaitUntil([&] { return station.Received() >= ward.SentBytes(); }, kDrainLimit);
  station.Stop();
  loop.join();
  ward.Close();
  fs::remove_all(folder);
  return measured;
}

double Microseconds(const Measured& measured, std::uint64_t nanoseconds) {
  return measured.PerBedSecond(nanoseconds) / 1000.0;
}

double PerInterval(const Measured& measured, std::size_t worker) {
  return worker < measured.workers.size() ? static_cast<double>(measured.workers[worker].syncs) / measured.syncIntervals : 0;
}

void PrintHeader() {
  std::printf("%5s %7s %6s | %7s %6s %5s %5s | %7s %6s | %6s %6s %5s | %6s %6s | %5s %4s\n", "beds", "bed-s", "pkt/bs",
              "station", "loop", "db", "disk", "base", "ratio", "wakes", "calls", "base", "db", "disk", "late", "pace");
  std::printf("%5s %7s %6s | %-27s | %-14s | %-20s | %-13s | %5s %4s\n", "", "", "", "  CPU us a bed-second", "",
              "  a bed-second", " syncs/5 s", "p99", "kept");
}

// The median and the 99th percentile of `delays`.
std::pair<double, double> MedianAndP99(std::vector<double> delays) {
  if (delays.empty()) return {NAN, NAN};
  std::sort(delays.begin(), delays.end());
  const auto at = [&](double quantile) { return delays[static_cast<std::size_t>(quantile * static_cast<double>(delays.size() - 1))]; };
  return {at(0.5), at(0.99)};
}

// What the live browsers saw: each batch's delay, and the memory the process grew by.
void PrintDelivery(const Measured& station) {
  const auto [arrivalMedian, arrivalP99] = MedianAndP99(station.delivery.sinceArrival);
  const auto [sampleMedian, sampleP99] = MedianAndP99(station.delivery.sinceSample);
  std::printf("      live browsers: %zu batches; numerics packet's arrival to browser median %.1f ms, p99 %.1f ms; "
              "last sample's instant to browser median %.0f ms, p99 %.0f ms; the process's resident memory %+.1f MiB "
              "over the window with one browser that does not read\n",
              station.delivery.sinceArrival.size(), arrivalMedian, arrivalP99, sampleMedian, sampleP99,
              station.rssGrowthMiB);
}

void Print(int beds, const Measured& station, const Measured& raw) {
  if (!station.fault.empty() || !raw.fault.empty()) {
    std::printf("%5d beds: not measured: %s%s\n", beds, station.fault.c_str(), raw.fault.c_str());
    return;
  }
  const ThreadReading total = station.Total();
  const double cpu = station.MicrosecondsPerBedSecond();
  const auto worker = [&](std::size_t index) {
    return index < station.workers.size() ? Microseconds(station, station.workers[index].cpuNanoseconds) : 0.0;
  };
  std::printf("%5d %7.0f %6.1f | %7.1f %6.1f %5.1f %5.1f | %7.1f %5.2fx | %6.2f ", beds, station.bedSeconds,
              station.packetsPerBedSecond, cpu, Microseconds(station, station.loop.cpuNanoseconds), worker(0), worker(1),
              raw.MicrosecondsPerBedSecond(), cpu / raw.MicrosecondsPerBedSecond(), station.PerBedSecond(total.wakeups));
  if (station.countsSystemCalls) {
    std::printf("%6.1f %5.1f | %6.1f %6.1f | ", station.PerBedSecond(total.syscalls), raw.PerBedSecond(raw.Total().syscalls),
                PerInterval(station, 0), PerInterval(station, 1));
  } else {
    std::printf("%6s %5s | %6s %6s | ", "n/a", "n/a", "n/a", "n/a");
  }
  std::printf("%3zu ms %4s\n", station.p99LatenessMs, station.keptPace && raw.keptPace ? "yes" : "NO");
  if (!station.delivery.sinceArrival.empty()) PrintDelivery(station);
}

Settings Parse(int argc, char** argv) {
  Settings settings;
  for (int arg = 1; arg + 1 < argc; arg += 2) {
    const std::string name = argv[arg];
    const std::string value = argv[arg + 1];
    if (name == "--beds") {
      settings.beds.clear();
      for (std::size_t at = 0; at < value.size();) {
        std::size_t used = 0;
        settings.beds.push_back(std::stoi(value.substr(at), &used));
        at += used + 1;
      }
    } else if (name == "--seconds") {
      settings.seconds = std::stoi(value);
    } else if (name == "--senders") {
      settings.senders = std::stoi(value);
    } else if (name == "--repeat") {
      settings.repeat = std::max(1, std::stoi(value));
    } else if (name == "--clients") {
      settings.clients = std::max(0, std::stoi(value));
    }
  }
  return settings;
}

// Four descriptors a bed (both ends of its link, its recording and event log).
void AllowDescriptors() {
  rlimit limit{};
  ::getrlimit(RLIMIT_NOFILE, &limit);
  limit.rlim_cur = limit.rlim_max;
  ::setrlimit(RLIMIT_NOFILE, &limit);
}

}  // namespace

int main(int argc, char** argv) {
  const Settings settings = Parse(argc, argv);
  AllowDescriptors();
  fs::create_directories(Scratch());
  std::printf("The station at the monitors' pace: every packet sent alone when it is due; about %d s of whole sync "
              "intervals measured per run, after the admissions and an interval; %d sender threads, not counted.\n"
              "CPU: the engine's loop and its database and disk workers (schedstat); wake-ups: their voluntary "
              "context switches; system calls and syncs: perf tracepoints on those threads.\n"
              "base: a hand-written epoll loop that reads, appends once a second and syncs every 5 s.\n\n",
              settings.seconds, settings.senders);
  PrintHeader();
  std::vector<std::pair<int, double>> medians;
  for (int beds : settings.beds) {
    std::vector<double> runs;
    for (int run = 0; run < settings.repeat; ++run) {
      const Measured station = RunStation(beds, settings);
      const Measured raw = RunBaseline(beds, settings);
      Print(beds, station, raw);
      std::fflush(stdout);
      if (station.fault.empty()) runs.push_back(station.MicrosecondsPerBedSecond());
    }
    std::sort(runs.begin(), runs.end());
    if (!runs.empty()) medians.emplace_back(beds, runs[runs.size() / 2]);
  }
  if (settings.repeat > 1) {
    for (const auto& [beds, median] : medians) {
      std::printf("%d beds: median %.1f us of station CPU a bed-second (%.0f beds a core)\n", beds, median, 1e6 / median);
    }
  }
  fs::remove_all(Scratch());
  return 0;
}
