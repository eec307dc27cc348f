#include "recording/WfdbWriter.h"

#include <chrono>
#include <cmath>
#include <filesystem>
#include <sstream>

#include "platform/CString.h"
#include "recording/WallTime.h"

namespace {

constexpr std::size_t kFlushBytes = 64 * 1024;
constexpr double kGain = 100;

const struct {
  TraceChannel channel;
  const char* units;
  const char* description;
} kSignalsWritten[] = {{TraceChannel::FHR1, "bpm", "FHR"},
                       {TraceChannel::UC, "nd", "UC"},
                       {TraceChannel::FHR2, "bpm", "FHR2"},
                       {TraceChannel::MHR, "bpm", "MHR"}};

// The sample for `value`; 0 where it is absent or outside what 16 bits hold.
std::int16_t SampleOf(const std::optional<float>& value) {
  if (!value) return 0;
  const double scaled = std::round(*value * kGain);
  return scaled >= -32767 && scaled <= 32767 ? static_cast<std::int16_t>(scaled) : 0;
}

// "HH:MM:SS DD/MM/YYYY" of the wall time.
std::string StartText(const WallTime& start) {
  const std::chrono::year_month_day date = start.Date();
  CString text;
  text.Format("%s %02u/%02u/%04d", start.TimeText().c_str(), static_cast<unsigned>(date.day()),
              static_cast<unsigned>(date.month()), static_cast<int>(date.year()));
  return text.GetString();
}

}  // namespace

std::optional<std::string> WfdbWriter::Create(const std::string& recordPath) {
  std::filesystem::path path(recordPath);
  if (path.extension() == ".hea" || path.extension() == ".dat") path.replace_extension();
  m_recordPath = path.string();
  m_data.emplace(m_recordPath + ".dat");
  return m_data->Open();
}

void WfdbWriter::Begin(std::optional<std::int64_t> startTime) { m_startTime = startTime; }

void WfdbWriter::Write(std::uint64_t, const TraceSample& sample) {
  for (std::size_t i = 0; i < kSignals; ++i) {
    const std::int16_t value = SampleOf(sample.Value(kSignalsWritten[i].channel));
    if (m_samples == 0) m_first[i] = value;
    m_checksum[i] = static_cast<std::uint16_t>(m_checksum[i] + static_cast<std::uint16_t>(value));
    m_buffer.push_back(static_cast<unsigned char>(value));
    m_buffer.push_back(static_cast<unsigned char>(static_cast<std::uint16_t>(value) >> 8));
  }
  ++m_samples;
  if (m_buffer.size() >= kFlushBytes) Flush();
}

std::optional<std::string> WfdbWriter::Finish() {
  Flush();
  if (std::optional<std::string> fault = m_data->Close()) return fault;
  FileReplacement header(m_recordPath + ".hea");
  if (std::optional<std::string> fault = header.Open()) return fault;
  header.Stream() << HeaderText();
  // The data before the header that describes it.
  if (std::optional<std::string> fault = m_data->Commit()) return fault;
  return header.Commit();
}

void WfdbWriter::Flush() {
  m_data->Stream().write(reinterpret_cast<const char*>(m_buffer.data()), static_cast<std::streamsize>(m_buffer.size()));
  m_buffer.clear();
}

std::string WfdbWriter::HeaderText() const {
  const std::string name = std::filesystem::path(m_recordPath).filename().string();
  std::ostringstream text;
  const std::optional<WallTime> start = m_startTime ? std::optional(WallTime::Local(*m_startTime)) : std::nullopt;
  text << name << ' ' << kSignals << " 4 " << m_samples;
  if (start) text << ' ' << StartText(*start);
  text << '\n';
  for (std::size_t i = 0; i < kSignals; ++i) {
    text << name << ".dat 16 " << kGain << '/' << kSignalsWritten[i].units << " 16 0 " << m_first[i] << ' '
         << static_cast<std::int16_t>(m_checksum[i]) << " 0 " << kSignalsWritten[i].description << '\n';
  }
  if (start) text << "# UTC offset: " << start->OffsetText() << '\n';
  return text.str();
}
