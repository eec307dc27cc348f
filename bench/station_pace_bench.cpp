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
//   station_pace_bench [--beds 64,512,2048] [--seconds 20] [--senders 2] [--repeat 1]
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/epoll.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

#include <array>
#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "bench/PacedWard.h"
#include "bench/ThreadMeter.h"
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
};

// The station's sync interval (StationOptions' default), the baseline's too.
constexpr auto kSyncInterval = 5s;

// What a run measured over its window.
struct Measured {
  double bedSeconds = 0;
  double syncIntervals = 0;
  double packetsPerBedSecond = 0;
  ThreadReading loop;
  std::vector<ThreadReading> workers;
  bool countsSystemCalls = false;
  std::size_t p99LatenessMs = 0;
  bool keptPace = false;  // the engine had read every byte sent soon after the senders stopped
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
  if (measured.fault.empty()) {
    std::this_thread::sleep_for(kSyncInterval + 1s);
    threads[0] = loopThread;
    MeasureWindow(threads, ward, beds, settings.seconds, measured);
  }
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
