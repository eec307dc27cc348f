#include "recording/FhrWriter.h"

#include <cmath>

namespace {

constexpr std::size_t kFlushBytes = 64 * 1024;

// `value` in `steps` per unit, or 0 where it is absent or does not fit `limit`. A value that
// whole-unit rounding carried past the top by at most half a unit is the top: a recorded TOCO
// of 127.5 comes back from the link as 128 and goes out as 127.5 again.
unsigned Steps(const std::optional<float>& value, double steps, unsigned limit) {
  if (!value) return 0;
  const double scaled = std::round(*value * steps);
  if (scaled > limit && scaled <= limit + steps / 2) return limit;
  return scaled >= 0 && scaled <= limit ? static_cast<unsigned>(scaled) : 0;
}

void PutWord(std::vector<unsigned char>& out, unsigned value) {
  out.push_back(static_cast<unsigned char>(value));
  out.push_back(static_cast<unsigned char>(value >> 8));
}

}  // namespace

FhrWriter::FhrWriter(std::ostream& out, bool withMaternalRate)
    : m_out(out), m_withMaternalRate(withMaternalRate) {}

// A start outside what four unsigned bytes hold is written as 0, unknown.
void FhrWriter::Begin(std::optional<std::int64_t> startTime) {
  const std::int64_t start = startTime.value_or(0);
  const auto held = static_cast<std::uint32_t>(start >= 0 && start <= 0xFFFFFFFF ? start : 0);
  PutWord(m_buffer, held & 0xFFFF);
  PutWord(m_buffer, held >> 16);
}

void FhrWriter::Write(std::uint64_t, const TraceSample& sample) {
  constexpr double kQuarters = 4;
  constexpr double kHalves = 2;
  PutWord(m_buffer, Steps(sample.Value(TraceChannel::FHR1), kQuarters, 0xFFFF));
  PutWord(m_buffer, Steps(sample.Value(TraceChannel::FHR2), kQuarters, 0xFFFF));
  if (m_withMaternalRate) PutWord(m_buffer, Steps(sample.Value(TraceChannel::MHR), kQuarters, 0xFFFF));
  m_buffer.push_back(static_cast<unsigned char>(Steps(sample.Value(TraceChannel::UC), kHalves, 0xFF)));
  m_buffer.push_back(0);  // spare, or the signal quality that a link does not carry
  if (m_buffer.size() >= kFlushBytes) Flush();
}

std::optional<std::string> FhrWriter::Finish() {
  Flush();
  m_out.flush();
  if (!m_out) return std::string("cannot write the recording");
  return std::nullopt;
}

void FhrWriter::Flush() {
  m_out.write(reinterpret_cast<const char*>(m_buffer.data()), static_cast<std::streamsize>(m_buffer.size()));
  m_buffer.clear();
}
