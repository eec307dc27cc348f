// Feeds arbitrary bytes as a captured monitor link through LinkExport, in pieces of a size the
// input chooses, and checks the promises the exporter makes to the recording writer behind it:
//
//   - Begin comes once, before the first sample; Finish faults exactly when it never came;
//   - the places of the samples follow one another without a gap;
//   - SampleCount() is the number of samples written, and every value is a finite number;
//   - however garbled the link, it writes no more than a day of samples for each numerics
//     packet it could hold, so a garbled time stamp never runs away.
//
// Input: the first byte chooses the size of the pieces (1 to 256 bytes); the rest is the link.

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <span>
#include <string>

#include "recording/CtgTrace.h"
#include "recording/LinkExport.h"
#include "recording/RecordingWriter.h"

namespace {

constexpr std::uint64_t kNumericsBytes = 108;
constexpr std::uint64_t kDaySamples = 24 * 3600 * CtgTrace::kSamplesPerSecond;

void Require(bool holds, const char* promise) {
  if (!holds) {
    std::fprintf(stderr, "link_fuzzer: %s\n", promise);
    std::abort();
  }
}

// A writer that writes nothing and checks the order of the calls it gets.
class CheckingWriter final : public RecordingWriter {
 public:
  void Begin(std::optional<std::int64_t>) override {
    Require(!m_begun, "Begin comes once");
    m_begun = true;
  }
  void Write(std::uint64_t place, const TraceSample& sample) override {
    Require(m_begun, "Begin comes before the first sample");
    Require(!m_lastPlace || place == *m_lastPlace + 1, "places follow one another without a gap");
    for (const std::optional<float>& value : sample.values) {
      Require(!value || std::isfinite(*value), "every value is a finite number");
    }
    m_lastPlace = place;
    ++m_written;
  }
  std::optional<std::string> Finish() override { return std::nullopt; }

  bool Begun() const { return m_begun; }
  std::uint64_t Written() const { return m_written; }

 private:
  bool m_begun = false;
  std::optional<std::uint64_t> m_lastPlace;
  std::uint64_t m_written = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const std::size_t piece = data[0] + 1u;
  const std::span<const unsigned char> link(data + 1, size - 1);
  CheckingWriter writer;
  LinkExport exporter(writer);
  for (std::size_t pos = 0; pos < link.size(); pos += piece) {
    exporter.Feed(link.subspan(pos, std::min(piece, link.size() - pos)));
  }
  const std::optional<std::string> fault = exporter.Finish();
  Require(fault.has_value() != writer.Begun(), "Finish faults exactly when no numerics packet began the recording");
  Require(exporter.SampleCount() == writer.Written(), "SampleCount() is the number of samples written");
  Require(writer.Written() <= (link.size() / kNumericsBytes) * (kDaySamples + CtgTrace::kSamplesPerNumerics),
          "no more than a day of samples for each numerics packet");
  exporter.Remarks();
  return 0;
}
