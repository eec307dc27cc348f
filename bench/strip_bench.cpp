// Drawing an 8-hour captured link as a CTG strip (PDF, 1 cm/min and 3 cm/min) against only
// decoding the same link into its trace, in the same program: CPU time and peak memory of each,
// and their ratios. Each side runs in a child process of its own, so that its peak resident
// memory is its own. A 1-hour link drawn the same way shows that memory does not grow with the
// recording's length.
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>

#include "link/ByteStreamReader.h"
#include "link/MonitorSimulator.h"
#include "recording/LinkExport.h"
#include "recording/RecordingWriter.h"
#include "strip/LinkStrip.h"
#include "strip/StripSurface.h"

namespace {

constexpr std::uint32_t kSeed = 7;

// Takes the samples and keeps nothing: the baseline's consumer.
class CountingWriter final : public RecordingWriter {
 public:
  void Begin(std::optional<std::int64_t>) override {}
  void Write(std::uint64_t place, const TraceSample& sample) override {
    m_sum += place + sample.marks;
  }
  std::optional<std::string> Finish() override { return m_sum == 0 ? std::optional<std::string>("empty") : std::nullopt; }

 private:
  std::uint64_t m_sum = 0;
};

void WriteLink(const std::string& path, double hours) {
  std::ofstream out(path, std::ios::binary);
  MonitorSimulator(kSeed).Run(static_cast<std::uint64_t>(hours * 3600 * 1000), [&](std::span<const unsigned char> packet) {
    return static_cast<bool>(out.write(reinterpret_cast<const char*>(packet.data()),
                                       static_cast<std::streamsize>(packet.size())));
  });
}

template <class Consumer>
bool Feed(const std::string& path, Consumer& consumer) {
  std::ifstream in(path, std::ios::binary);
  const auto fault = ByteStreamReader(in, false).ReadAll([&](std::span<const unsigned char> bytes) {
    consumer.Feed(bytes);
    return true;
  });
  return !fault && !consumer.Finish();
}

bool Decode(const std::string& link) {
  CountingWriter writer;
  LinkExport decoder(writer);
  return Feed(link, decoder);
}

bool Draw(const std::string& link, const std::string& pdf, int speed) {
  const StripLayout layout(speed, StripLayout::DefaultBpmPerCm(speed), StripPaper::A4);
  StripSurface surface(pdf, StripFormat::Pdf, layout.PageWidth(), layout.PageHeight());
  if (surface.Open()) return false;
  LinkStrip strip(surface, layout, StripColors::Paper(), {"Bench Hospital", "", "", "bench"});
  return Feed(link, strip);
}

struct Measure {
  double cpuSeconds;
  double peakMegabytes;
};

// Runs `work` in a child; its CPU time and peak resident set.
Measure InChild(const std::function<bool()>& work) {
  const pid_t child = fork();
  if (child == 0) _exit(work() ? 0 : 1);
  int status = 0;
  rusage usage{};
  wait4(child, &status, 0, &usage);
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) std::fprintf(stderr, "a measured run failed\n");
  const double cpu = usage.ru_utime.tv_sec + usage.ru_stime.tv_sec + (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
  return {cpu, usage.ru_maxrss / 1024.0};
}

void Print(const char* label, const Measure& measure, const Measure& baseline) {
  std::printf("%-34s %8.2f s %8.1f MB   time %6.2fx   memory %5.2fx baseline\n", label, measure.cpuSeconds,
              measure.peakMegabytes, measure.cpuSeconds / baseline.cpuSeconds,
              measure.peakMegabytes / baseline.peakMegabytes);
}

}  // namespace

int main() {
  const std::filesystem::path folder = std::filesystem::temp_directory_path() / ("vudoda-strip-bench-" + std::to_string(getpid()));
  std::filesystem::create_directories(folder);
  const std::string link8 = (folder / "8h.bin").string();
  const std::string link1 = (folder / "1h.bin").string();
  WriteLink(link8, 8);
  WriteLink(link1, 1);
  std::printf("8-hour link: %.1f MB\n", std::filesystem::file_size(link8) / 1e6);

  const Measure decode8 = InChild([&] { return Decode(link8); });
  const Measure decode1 = InChild([&] { return Decode(link1); });
  const Measure draw8slow = InChild([&] { return Draw(link8, (folder / "8h-1cm.pdf").string(), 1); });
  const Measure draw8fast = InChild([&] { return Draw(link8, (folder / "8h-3cm.pdf").string(), 3); });
  const Measure draw1fast = InChild([&] { return Draw(link1, (folder / "1h-3cm.pdf").string(), 3); });
  std::printf("%-34s %8.2f s %8.1f MB   (baseline)\n", "decode 8 h link", decode8.cpuSeconds, decode8.peakMegabytes);
  Print("decode 1 h link", decode1, decode8);
  Print("strip 8 h, 1 cm/min, PDF", draw8slow, decode8);
  Print("strip 8 h, 3 cm/min, PDF", draw8fast, decode8);
  Print("strip 1 h, 3 cm/min, PDF", draw1fast, decode8);
  std::printf("PDF sizes: 8 h at 1 cm/min %.1f MB, at 3 cm/min %.1f MB\n",
              std::filesystem::file_size(folder / "8h-1cm.pdf") / 1e6, std::filesystem::file_size(folder / "8h-3cm.pdf") / 1e6);
  std::printf("memory, 8 h strip / 1 h strip at 3 cm/min: %.2fx\n", draw8fast.peakMegabytes / draw1fast.peakMegabytes);
  std::filesystem::remove_all(folder);
  return 0;
}
