// Speed of the station configuration's Open and Save of a full "Maternis.ini" against a baseline
// that reads or writes the same bytes once with the C library (fopen, fread or fwrite, fclose).
// Open parses the file once and looks up its 100 keys in the parse; Save also syncs the
// temporary file and renames it over the old one, which the baseline does not. After the table,
// one line per pair gives class time / baseline time (CPU time).

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "bench/RatioReporter.h"
#include "config/ObexConfig.h"

namespace {

namespace fs = std::filesystem;

fs::path ScratchFile() {
  static const fs::path folder = [] {
    fs::path made = fs::temp_directory_path() / ("vudoda-config-bench-" + std::to_string(::getpid()));
    fs::create_directories(made);
    return made;
  }();
  return folder / "Maternis.ini";
}

// A record whose texts and numbers are all set, as a station's would be.
ObexConfig FullRecord() {
  ObexConfig config;
  config.m_nLanguage = 5;
  config.m_nBrokerIP = 0x0A00000A;
  config.m_strHospitalName = "Demo Birth Centre";
  config.m_strDoctorID = "D-07";
  config.m_strDoctorName = "Dr. Example";
  config.m_strNurseID = "N-2";
  config.m_strNurseName = "Nurse Example";
  config.m_nGraphFHR1 = 0x00FF0000;
  config.m_nReviewGraphFHR1 = 0x0000FF00;
  return config;
}

std::vector<char> FileBytes(const fs::path& path) {
  std::vector<char> bytes(fs::file_size(path));
  FILE* file = std::fopen(path.c_str(), "rb");
  if (file) {
    bytes.resize(std::fread(bytes.data(), 1, bytes.size(), file));
    std::fclose(file);
  }
  return bytes;
}

void OpenClass(benchmark::State& state) {
  const std::string path = ScratchFile().string();
  ObexConfig config;
  for (auto _ : state) benchmark::DoNotOptimize(config.Open(path.c_str()));
}

void OpenBaseline(benchmark::State& state) {
  const std::string path = ScratchFile().string();
  std::vector<char> buffer(64 * 1024);
  for (auto _ : state) {
    FILE* file = std::fopen(path.c_str(), "rb");
    benchmark::DoNotOptimize(std::fread(buffer.data(), 1, buffer.size(), file));
    std::fclose(file);
  }
}

void SaveClass(benchmark::State& state) {
  const std::string path = ScratchFile().string();
  ObexConfig config = FullRecord();
  for (auto _ : state) benchmark::DoNotOptimize(config.Save(path.c_str()));
}

void SaveBaseline(benchmark::State& state) {
  const std::string path = ScratchFile().string() + ".baseline";
  const std::vector<char> bytes = FileBytes(ScratchFile());
  for (auto _ : state) {
    FILE* file = std::fopen(path.c_str(), "wb");
    benchmark::DoNotOptimize(std::fwrite(bytes.data(), 1, bytes.size(), file));
    std::fclose(file);
  }
}

constexpr BenchmarkPair kPairs[] = {
    {"Open of a full file", "open", OpenClass, OpenBaseline},
    {"Save of a full file", "save", SaveClass, SaveBaseline},
};

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  ObexConfig full = FullRecord();
  if (!full.Save(ScratchFile().c_str())) {
    std::fprintf(stderr, "config_bench: cannot write %s\n", ScratchFile().c_str());
    return 1;
  }
  std::printf("full file: %zu bytes\n", FileBytes(ScratchFile()).size());
  RunPairs(kPairs, 0);
  benchmark::Shutdown();
  fs::remove_all(ScratchFile().parent_path());
  return 0;
}
