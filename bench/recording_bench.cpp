// Speed and memory of the station layer's recordings. Replay (an 8-hour .fhr recording played
// as a monitor's link) and export (that link written out as .fhr) are each measured against a
// plain read of the same file in the same program (fread in 64 KiB chunks, bytes summed), and
// reported in samples per second with the ratio of their times. Then the peak heap of exporting
// and of replaying 1, 2 and 8 hours, counted by this program's own operator new: it must not
// grow with the recording's length.

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <atomic>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <streambuf>
#include <string>
#include <vector>

#include "bench/HeapPeak.h"
#include "bench/RatioReporter.h"
#include "link/ByteStreamReader.h"
#include "recording/LinkExport.h"
#include "recording/RecordingReader.h"
#include "recording/RecordingReplay.h"
#include "recording/RecordingWriter.h"

namespace {

using heap_peak::PeakHeap;

namespace fs = std::filesystem;

constexpr std::uint64_t kSamplesPerHour = 4 * 3600;
constexpr std::uint64_t kEightHours = 8 * kSamplesPerHour;

fs::path Scratch(const std::string& name) {
  static const fs::path folder = [] {
    fs::path made = fs::temp_directory_path() / ("vudoda-station-bench-" + std::to_string(::getpid()));
    fs::create_directories(made);
    return made;
  }();
  return folder / name;
}

// A made-up labour in .fhr: FHR1 about 140 with slow variability, a lost signal now and then,
// contractions every three minutes; no start time.
void WriteRecording(const fs::path& path, std::uint64_t samples) {
  std::ofstream out(path, std::ios::binary);
  out.write("\0\0\0\0", 4);
  for (std::uint64_t i = 0; i < samples; ++i) {
    const double seconds = static_cast<double>(i) / 4;
    const bool lost = i % 2400 < 40;
    const auto fhr = static_cast<unsigned>(lost ? 0 : std::lround(4 * (140 + 6 * std::sin(seconds / 20))));
    const double contraction = std::sin(3.14159 * std::fmod(seconds, 180) / 180);
    const auto toco = static_cast<unsigned char>(std::lround(2 * (12 + 50 * contraction * contraction)));
    const char record[6] = {static_cast<char>(fhr), static_cast<char>(fhr >> 8), 0, 0, static_cast<char>(toco), 0};
    out.write(record, sizeof record);
  }
}

// Plays the recording at `path`; returns the link's length in bytes.
std::uint64_t Replay(const fs::path& path, std::ostream* keep = nullptr) {
  std::string fault;
  const std::unique_ptr<RecordingReader> reader = RecordingReader::Open(path.string(), fault);
  std::uint64_t bytes = 0;
  RecordingReplay(*reader).Run([&](std::span<const unsigned char> packet) {
    bytes += packet.size();
    if (keep) keep->write(reinterpret_cast<const char*>(packet.data()), static_cast<std::streamsize>(packet.size()));
    return true;
  });
  return bytes;
}

// Counts what is written and keeps nothing.
class CountingBuffer : public std::streambuf {
 public:
  std::uint64_t count = 0;

 protected:
  int_type overflow(int_type ch) override {
    ++count;
    return ch;
  }
  std::streamsize xsputn(const char*, std::streamsize n) override {
    count += static_cast<std::uint64_t>(n);
    return n;
  }
};

// Exports the link at `path` as .fhr; returns the samples written.
std::uint64_t Export(const fs::path& path) {
  CountingBuffer counted;
  std::ostream out(&counted);
  std::string fault;
  const std::unique_ptr<RecordingWriter> writer = RecordingWriter::Create("fhr", out, "", fault);
  LinkExport exporter(*writer);
  std::ifstream in(path, std::ios::binary);
  ByteStreamReader(in, false).ReadAll([&](std::span<const unsigned char> bytes) {
    exporter.Feed(bytes);
    return true;
  });
  exporter.Finish();
  return exporter.SampleCount();
}

std::uint64_t PlainRead(const fs::path& path) {
  std::vector<unsigned char> chunk(64 * 1024);
  std::uint64_t sum = 0;
  FILE* file = std::fopen(path.c_str(), "rb");
  for (std::size_t got; (got = std::fread(chunk.data(), 1, chunk.size(), file)) > 0;) {
    for (std::size_t i = 0; i < got; ++i) sum += chunk[i];
  }
  std::fclose(file);
  return sum;
}

void SamplesPerSecond(benchmark::State& state) {
  state.counters["samples/s"] = benchmark::Counter(static_cast<double>(kEightHours), benchmark::Counter::kIsIterationInvariantRate);
}

void ReplayClass(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(Replay(Scratch("8h.fhr")));
  SamplesPerSecond(state);
}
void ReplayBaseline(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(PlainRead(Scratch("8h.fhr")));
  SamplesPerSecond(state);
}
void ExportClass(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(Export(Scratch("8h.link")));
  SamplesPerSecond(state);
}
void ExportBaseline(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(PlainRead(Scratch("8h.link")));
  SamplesPerSecond(state);
}

constexpr BenchmarkPair kPairs[] = {
    {"Replay of an 8-hour .fhr into a link", "replay", ReplayClass, ReplayBaseline},
    {"Export of an 8-hour link to .fhr", "export", ExportClass, ExportBaseline},
};

void ReportMemory() {
  std::printf("\nPeak heap (bytes above the start):\n");
  for (const std::uint64_t hours : {1, 2, 8}) {
    const std::string name = std::to_string(hours) + "h";
    const std::size_t replay = PeakHeap([&] { Replay(Scratch(name + ".fhr")); });
    const std::size_t exported = PeakHeap([&] { Export(Scratch(name + ".link")); });
    std::printf("  %2llu hours (%6llu samples): replay %7zu, export %7zu\n", static_cast<unsigned long long>(hours),
                static_cast<unsigned long long>(hours * kSamplesPerHour), replay, exported);
  }
}

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  for (const std::uint64_t hours : {1, 2, 8}) {
    const std::string name = std::to_string(hours) + "h";
    WriteRecording(Scratch(name + ".fhr"), hours * kSamplesPerHour);
    std::ofstream link(Scratch(name + ".link"), std::ios::binary);
    Replay(Scratch(name + ".fhr"), &link);
  }
  std::printf("8-hour recording: %ju bytes of .fhr, %ju bytes of link\n",
              static_cast<std::uintmax_t>(fs::file_size(Scratch("8h.fhr"))),
              static_cast<std::uintmax_t>(fs::file_size(Scratch("8h.link"))));
  RunPairs(kPairs, 0, benchmark::kMillisecond);
  ReportMemory();
  benchmark::Shutdown();
  fs::remove_all(Scratch("").parent_path());
  return 0;
}
