// Feeds arbitrary bytes to every recording format the station reads, through the files the
// station would open, and checks the promises a reader makes:
//
//   - opening and reading never crash, hang, or allocate by what a header claims;
//   - Open gives a reader, or nullptr with a fault that names the file;
//   - a reader gives at most SampleCount() samples, exactly that many unless Fault() tells why;
//   - every value it gives is a finite number.
//
// Input: the whole input is read as a .fhr and a .fhrm record file and as a .csv text. For
// WFDB it is split at its first zero byte: the text before is the header r.hea, the bytes after
// are its data file r.dat (the name a seed's header gives its signals).

#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <string_view>

#include "recording/RecordingReader.h"

namespace {

void Require(bool holds, const char* what, const std::string& detail = "") {
  if (!holds) {
    std::fprintf(stderr, "recording_fuzzer: %s %s\n", what, detail.c_str());
    std::abort();
  }
}

// A folder of this process's own, made at the first input and removed at exit; the files in it
// are rewritten for every input.
class ScratchFolder {
 public:
  ScratchFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "recording_fuzzer.XXXXXX").string();
    Require(mkdtemp(pattern.data()) != nullptr, "cannot make a scratch folder");
    m_path = pattern;
  }
  ~ScratchFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(m_path, ignored);
  }
  const std::filesystem::path& Path() const { return m_path; }

 private:
  std::filesystem::path m_path;
};

const std::filesystem::path& Folder() {
  static const ScratchFolder folder;
  return folder.Path();
}

// Writes a new file: truncating the old one instead would make some file systems flush it to
// disk at every input.
std::string WriteFile(const std::string& name, std::string_view bytes) {
  const std::string path = (Folder() / name).string();
  std::filesystem::remove(path);
  std::ofstream out(path, std::ios::binary);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  out.close();
  Require(static_cast<bool>(out), "cannot write a scratch file");
  return path;
}

void ReadThrough(const std::string& path) {
  std::string fault;
  const std::unique_ptr<RecordingReader> reader = RecordingReader::Open(path, fault);
  if (!reader) {
    Require(fault.find(path) != std::string::npos, "a refused recording's fault names the file:", fault);
    return;
  }
  std::uint64_t samples = 0;
  for (TraceSample sample; reader->Next(sample);) {
    ++samples;
    Require(samples <= reader->SampleCount(), "a reader gives no more samples than it holds");
    for (const std::optional<float>& value : sample.values) {
      Require(!value || std::isfinite(*value), "every value is a finite number");
    }
  }
  Require(samples == reader->SampleCount() || reader->Fault(), "a reader that stops early tells why");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  ReadThrough(WriteFile("r.fhr", input));
  ReadThrough(WriteFile("r.fhrm", input));
  ReadThrough(WriteFile("r.csv", input));

  const std::size_t split = std::min(input.find('\0'), input.size());
  std::filesystem::remove(Folder() / "r.dat");
  if (split < input.size()) WriteFile("r.dat", input.substr(split + 1));
  ReadThrough(WriteFile("r.hea", input.substr(0, split)));
  return 0;
}
