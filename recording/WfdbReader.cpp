#include "recording/WfdbReader.h"

#include <cmath>
#include <filesystem>
#include <fstream>
#include <limits>
#include <sstream>

#include "platform/CString.h"

namespace {

constexpr double kFrequency = 4;
constexpr int kFormat16 = 16;
constexpr std::uintmax_t kMaxHeaderBytes = 1 << 20;
constexpr int kInvalidSample = -32768;

// The trace channel a signal's description names, or nullopt for a signal not read.
std::optional<TraceChannel> ChannelNamed(const std::string& description) {
  static const struct {
    const char* description;
    TraceChannel channel;
  } kNames[] = {{"FHR", TraceChannel::FHR1}, {"FHR1", TraceChannel::FHR1}, {"FHR2", TraceChannel::FHR2},
                {"UC", TraceChannel::UC},    {"TOCO", TraceChannel::UC},   {"MHR", TraceChannel::MHR}};
  for (const auto& name : kNames) {
    if (CString(description.c_str()).CompareNoCase(name.description) == 0) return name.channel;
  }
  return std::nullopt;
}

// Whether every 16-bit sample of `signal` has a physical value a float holds; the value is
// linear in the sample, so the two extremes tell.
bool HoldsEverySample(const WfdbHeader::Signal& signal) {
  constexpr double kLargest = std::numeric_limits<float>::max();
  for (const double sample : {-32767.0, 32767.0}) {
    if (!(std::fabs((sample - signal.baseline) / signal.gain) <= kLargest)) return false;
  }
  return true;
}

}  // namespace

std::optional<std::string> WfdbReader::Open(const std::string& path) {
  std::error_code error;
  const std::uintmax_t size = std::filesystem::file_size(path, error);
  if (error) return "cannot open " + path + ": " + error.message();
  if (size == 0) return path + " is empty";
  if (size > kMaxHeaderBytes) return path + " is no WFDB header: " + std::to_string(size) + " bytes";
  std::ifstream text(path);
  if (!text) return "cannot open " + path;
  if (std::optional<std::string> fault = m_header.Parse(text)) return path + ": " + *fault;
  if (std::optional<std::string> fault = CheckSignals()) return path + ": " + *fault;

  const WfdbHeader::Signal& first = m_header.Signals().front();
  const std::filesystem::path dataPath = std::filesystem::path(path).parent_path() / first.fileName;
  const std::size_t frameBytes = 2 * m_header.Signals().size();
  if (std::optional<std::string> fault = m_data.Open(dataPath.string(), first.byteOffset, frameBytes, {})) {
    return *fault + " (the data file that " + path + " names)";
  }
  const std::optional<std::uint64_t> announced = m_header.SampleCount();
  if (announced ? m_data.RecordCount() < *announced : m_data.TailBytes() != 0) {
    const std::string partial = " samples and " + std::to_string(m_data.TailBytes()) +
                                " bytes of a partial one (the data file that " + path + " names)";
    return dataPath.string() + " is truncated: it holds " + std::to_string(m_data.RecordCount()) +
           (announced ? " of the " + std::to_string(*announced) + " samples " + path + " announces" : partial);
  }
  m_sampleCount = announced.value_or(m_data.RecordCount());
  return std::nullopt;
}

std::optional<std::string> WfdbReader::CheckSignals() {
  if (m_header.Frequency() != kFrequency) {
    std::ostringstream text;
    text << "sampling frequency " << m_header.Frequency() << " Hz: only 4 Hz recordings are read";
    return text.str();
  }
  const std::vector<WfdbHeader::Signal>& signals = m_header.Signals();
  for (std::size_t i = 0; i < signals.size(); ++i) {
    const WfdbHeader::Signal& signal = signals[i];
    const std::string which = "signal " + std::to_string(i + 1);
    if (signal.format != kFormat16) {
      return which + " is in format " + std::to_string(signal.format) + ": only format 16 is read";
    }
    if (signal.samplesPerFrame != 1) return which + " has several samples per frame: not read";
    if (signal.fileName != signals[0].fileName || signal.byteOffset != signals[0].byteOffset) {
      return which + " lies in another data file: one data file for all signals is read";
    }
    const std::optional<TraceChannel> channel = ChannelNamed(signal.description);
    if (!channel) continue;
    if (!HoldsEverySample(signal)) {
      std::ostringstream text;
      text << which << ": gain " << signal.gain << " with baseline " << signal.baseline
           << " gives values beyond what a trace holds";
      return text.str();
    }
    m_columns.push_back(Column{i, *channel, signal.gain, signal.baseline});
  }
  if (m_columns.empty()) return "no signal is FHR, FHR2, UC, TOCO or MHR";
  return std::nullopt;
}

bool WfdbReader::Next(TraceSample& sample) {
  if (m_read == m_sampleCount) return false;
  const std::span<const unsigned char> frame = m_data.Next();
  if (frame.empty()) return false;
  ++m_read;
  sample = TraceSample{};
  for (const Column& column : m_columns) {
    const auto raw = static_cast<std::int16_t>(frame[2 * column.index] | frame[2 * column.index + 1] << 8);
    if (raw == kInvalidSample) continue;
    const double value = (raw - column.baseline) / column.gain;
    if (value != 0) sample.Value(column.channel) = static_cast<float>(value);
  }
  return true;
}
