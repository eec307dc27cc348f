#include "recording/FhrReader.h"

#include <array>

namespace {

constexpr std::size_t kStartTimeBytes = 4;
constexpr std::size_t kFhrRecordBytes = 6;
constexpr std::size_t kFhrmRecordBytes = 8;

unsigned Word(std::span<const unsigned char> bytes, std::size_t at) {
  return bytes[at] | static_cast<unsigned>(bytes[at + 1]) << 8;
}

// 0 is no signal; otherwise the value in `steps` per unit.
std::optional<float> Scaled(unsigned raw, float steps) {
  if (raw == 0) return std::nullopt;
  return static_cast<float>(raw) / steps;
}

}  // namespace

std::optional<std::string> FhrReader::Open(const std::string& path, bool withMaternalRate) {
  m_withMaternalRate = withMaternalRate;
  const std::size_t recordBytes = withMaternalRate ? kFhrmRecordBytes : kFhrRecordBytes;
  std::array<unsigned char, kStartTimeBytes> start{};
  if (std::optional<std::string> fault = m_file.Open(path, kStartTimeBytes, recordBytes, start)) return fault;
  if (m_file.TailBytes() != 0) {
    return path + " is truncated: its last record has " + std::to_string(m_file.TailBytes()) + " of " +
           std::to_string(recordBytes) + " bytes";
  }
  const std::uint32_t seconds = start[0] | start[1] << 8 | start[2] << 16 | static_cast<std::uint32_t>(start[3]) << 24;
  if (seconds != 0) m_startTime = seconds;
  return std::nullopt;
}

bool FhrReader::Next(TraceSample& sample) {
  const std::span<const unsigned char> record = m_file.Next();
  if (record.empty()) return false;
  constexpr float kQuarters = 4;
  constexpr float kHalves = 2;
  sample = TraceSample{};
  sample.Value(TraceChannel::FHR1) = Scaled(Word(record, 0), kQuarters);
  sample.Value(TraceChannel::FHR2) = Scaled(Word(record, 2), kQuarters);
  if (m_withMaternalRate) {
    sample.Value(TraceChannel::MHR) = Scaled(Word(record, 4), kQuarters);
    sample.Value(TraceChannel::UC) = Scaled(record[6], kHalves);
  } else {
    sample.Value(TraceChannel::UC) = Scaled(record[4], kHalves);
  }
  return true;
}
