// The station's loop fed in bursts: a ward of simulated beds sends its links to a StationEngine
// over loopback as fast as the socket takes them (many times the monitors' real rate), so that a
// read carries kilobytes and its cost, with the loop's wake-up and the recording's write, is
// shared by dozens of packets. It measures what the loop's own code costs per bed: framing,
// decoding, handing each packet to its study, recording and the numerics; station_pace_bench
// measures the station at the monitors' real pace, where each packet comes alone. The engine's
// loop runs on the benchmark's thread, so its CPU time is what is measured; the database's work
// and the syncs run on threads beside the loop and are not in it. The baseline decodes the same
// bytes read from a file, with the same framer and packet classes, in the same program.
// "bed_s_per_cpu_s" is how many seconds of one bed's link one second of the loop's CPU serves
// when the link comes in bursts.
#include <algorithm>
#include <atomic>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <span>
#include <thread>
#include <unistd.h>
#include <vector>

#include "bench/RatioReporter.h"
#include "link/LinkConnection.h"
#include "link/MonitorSimulator.h"
#include "link/StreamFramer.h"
#include "packet/PKParam_v110.h"
#include "packet/PKPatient_v110.h"
#include "ward/StationEngine.h"

namespace fs = std::filesystem;

namespace {

constexpr int kBeds = 32;
constexpr std::uint64_t kLinkMilliseconds = 60'000;
constexpr double kBedSeconds = kBeds * (kLinkMilliseconds / 1000.0);

fs::path Scratch() {
  static const fs::path folder = fs::temp_directory_path() / ("vudoda-station-bench-" + std::to_string(::getpid()));
  return folder;
}

// One link per bed, each with a patient of its own.
const std::vector<std::vector<unsigned char>>& Links() {
  static const std::vector<std::vector<unsigned char>> links = [] {
    std::vector<std::vector<unsigned char>> all;
    for (std::uint32_t seed = 1; seed <= kBeds; ++seed) {
      std::vector<unsigned char> link;
      MonitorSimulator(seed).Run(kLinkMilliseconds, [&](std::span<const unsigned char> packet) {
        const std::size_t start = link.size();
        link.insert(link.end(), packet.begin(), packet.end());
        if (packet[0] != 0xB1) return true;
        PKPatient_v110 patient;
        patient.SetPatientId(("BENCH-" + std::to_string(seed)).c_str());
        patient.SetLastName("Benchmother");
        patient.ResetCheckSum();
        std::copy_n(patient.GetPacket(), patient.GetPacketSize(), link.begin() + static_cast<long>(start));
        return true;
      });
      all.push_back(std::move(link));
    }
    return all;
  }();
  return links;
}

void SendWard(const std::string& address) {
  std::vector<LinkConnection> bedsides(kBeds);
  for (LinkConnection& bedside : bedsides) bedside.Connect(address);
  constexpr std::size_t kChunk = 4096;
  bool more = true;
  for (std::size_t offset = 0; more; offset += kChunk) {
    more = false;
    for (int bed = 0; bed < kBeds; ++bed) {
      const std::vector<unsigned char>& link = Links()[static_cast<std::size_t>(bed)];
      if (offset >= link.size()) continue;
      const std::size_t size = std::min(kChunk, link.size() - offset);
      bedsides[static_cast<std::size_t>(bed)].Send(std::span(link).subspan(offset, size));
      more = true;
    }
  }
  for (LinkConnection& bedside : bedsides) bedside.Close();
}

void StationClass(benchmark::State& state) {
  int run = 0;
  for (auto _ : state) {
    state.PauseTiming();
    const fs::path folder = Scratch() / ("run" + std::to_string(run++));
    fs::create_directories(folder);
    StationOptions options;
    options.listenAddress = "127.0.0.1";
    options.port = 0;
    options.beds = kBeds;
    options.dataFolder = folder.string();
    options.databaseUri = "sqlite:" + (folder / "ward.db").string();
    std::atomic<int> closed = 0;
    StationEngine* running = nullptr;
    StationEngine engine(options, {[&](const std::string& event) {
                                     if (event.find("closed the link") != std::string::npos && ++closed == kBeds) {
                                       running->Stop();
                                     }
                                   },
                                   {},
                                   {}});
    running = &engine;
    if (engine.Start()) {
      state.SkipWithError("the station cannot start");
      return;
    }
    std::thread ward(SendWard, "127.0.0.1:" + std::to_string(engine.Port()));
    state.ResumeTiming();
    engine.Run();
    state.PauseTiming();
    ward.join();
    fs::remove_all(folder);
    state.ResumeTiming();
  }
  state.counters["bed_s_per_cpu_s"] = benchmark::Counter(kBedSeconds * static_cast<double>(state.iterations()),
                                                         benchmark::Counter::kIsRate);
}

// The same bytes from files: read, framed, the patient and numerics packets loaded and read.
void StationBaseline(benchmark::State& state) {
  std::vector<std::string> paths;
  for (int bed = 0; bed < kBeds; ++bed) {
    paths.push_back((Scratch() / ("bed" + std::to_string(bed) + ".link")).string());
    const auto& link = Links()[static_cast<std::size_t>(bed)];
    std::ofstream(paths.back(), std::ios::binary)
        .write(reinterpret_cast<const char*>(link.data()), static_cast<std::streamsize>(link.size()));
  }
  for (auto _ : state) {
    long sum = 0;
    for (const std::string& path : paths) {
      StreamFramer framer([&](const FrameEvent& event) {
        if (event.type != FrameEvent::Type::Packet || event.kind->typeHeader != 0xC1) return;
        PKParam_v110 numerics;
        numerics.SetPacket(const_cast<unsigned char*>(event.bytes.data()), static_cast<int>(event.bytes.size()), 1);
        for (int i = 0; i < 5; ++i) sum += numerics.GetFHR1(i) + numerics.GetUC(i) + numerics.GetECG(i);
      });
      std::ifstream in(path, std::ios::binary);
      std::vector<unsigned char> chunk(16 * 1024);
      const auto chunkSize = static_cast<std::streamsize>(chunk.size());
      while (in.read(reinterpret_cast<char*>(chunk.data()), chunkSize) || in.gcount() > 0) {
        framer.Feed(std::span(chunk).first(static_cast<std::size_t>(in.gcount())));
      }
      framer.Finish();
    }
    benchmark::DoNotOptimize(sum);
  }
  state.counters["bed_s_per_cpu_s"] = benchmark::Counter(kBedSeconds * static_cast<double>(state.iterations()),
                                                         benchmark::Counter::kIsRate);
}

constexpr BenchmarkPair kPairs[] = {
    {"Station loop per bed-second of a link fed in bursts, against decoding the same bytes from files", "ward_burst",
     StationClass,
     StationBaseline},
};

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  fs::create_directories(Scratch());
  std::printf("%d beds, %.0f s of link each, %.0f bed-seconds per iteration\n", kBeds, kLinkMilliseconds / 1000.0,
              kBedSeconds);
  RunPairs(kPairs, 0, benchmark::kMillisecond);
  benchmark::Shutdown();
  fs::remove_all(Scratch());
  return 0;
}
