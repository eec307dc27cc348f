#include "recording/CsvReader.h"

#include <charconv>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <limits>
#include <string_view>

namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
// The link's time stamps count milliseconds in four bytes.
constexpr double kTimeLimitSeconds = 4294967296.0 / 1000;
constexpr double kSamplesPerSecond = 4;
// How far from a quarter second a time may lie, in samples: a millisecond's rounding is 0.004.
constexpr double kPlaceTolerance = 0.01;

struct ChannelName {
  std::string_view name;
  TraceChannel channel;
};

constexpr ChannelName kChannelNames[] = {
    {"FHR1", TraceChannel::FHR1}, {"FHR", TraceChannel::FHR1}, {"FHR2", TraceChannel::FHR2},
    {"MHR", TraceChannel::MHR},   {"FECG", TraceChannel::FECG}, {"UC", TraceChannel::UC},
    {"TOCO", TraceChannel::UC},   {"IUP", TraceChannel::IUP},
};

bool SameNoCase(std::string_view text, std::string_view name) {
  if (text.size() != name.size()) return false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char upper = text[i] >= 'a' && text[i] <= 'z' ? static_cast<char>(text[i] - 'a' + 'A') : text[i];
    if (upper != name[i]) return false;
  }
  return true;
}

std::string_view Trimmed(std::string_view field) {
  const std::size_t first = field.find_first_not_of(" \t");
  if (first == std::string_view::npos) return {};
  return field.substr(first, field.find_last_not_of(" \t") - first + 1);
}

std::vector<std::string_view> Fields(std::string_view line) {
  std::vector<std::string_view> fields;
  for (std::size_t start = 0;;) {
    const std::size_t comma = line.find(',', start);
    fields.push_back(Trimmed(line.substr(start, comma - start)));
    if (comma == std::string_view::npos) return fields;
    start = comma + 1;
  }
}

// The whole field as a finite number, or nullopt.
std::optional<double> Number(std::string_view field) {
  double value = 0;
  const auto [end, error] = std::from_chars(field.data(), field.data() + field.size(), value);
  if (error != std::errc() || end != field.data() + field.size() || !std::isfinite(value)) return std::nullopt;
  return value;
}

// Built by appending: GCC 12 at -O3 takes "'" + std::string(field) for an overlapping copy
// (-Wrestrict) and refuses the Release build.
std::string Quoted(std::string_view field) {
  std::string quoted(1, '\'');
  quoted.append(field);
  quoted += '\'';
  return quoted;
}

}  // namespace

std::optional<std::string> CsvReader::Open(const std::string& path) {
  m_path = path;
  std::error_code error;
  const std::uintmax_t size = std::filesystem::file_size(path, error);
  if (error) return "cannot open " + path + ": " + error.message();
  if (size == 0) return path + " is empty";
  m_file.open(path, std::ios::binary);
  if (!m_file) return "cannot open " + path + ": " + std::strerror(errno);
  if (std::optional<std::string> fault = ReadHeader()) return fault;
  if (m_file.eof()) return std::nullopt;  // a header without rows: no samples

  m_dataStart = m_file.tellg();
  m_dataLineNumber = m_lineNumber;
  TraceSample sample;
  Row row;
  while ((row = ReadRow(sample)) == Row::kSample) ++m_sampleCount;
  if (row == Row::kFault) return m_fault;
  m_file.clear();
  m_file.seekg(m_dataStart);
  if (!m_file) return "cannot read " + path + " again";
  m_lineNumber = m_dataLineNumber;
  m_lastPlace.reset();
  return std::nullopt;
}

bool CsvReader::Next(TraceSample& sample) {
  if (m_samplesRead == m_sampleCount || m_fault) return false;
  const Row row = ReadRow(sample);
  if (row == Row::kEnd) Failed("ends early: the file changed while it was read");
  if (row != Row::kSample) return false;
  ++m_samplesRead;
  return true;
}

std::optional<std::string> CsvReader::ReadHeader() {
  if (!ReadLine()) return m_fault.value_or(m_path + " holds only empty lines");
  std::string_view line(m_line.data(), m_lineLength);
  if (line.starts_with(kByteOrderMark)) line.remove_prefix(kByteOrderMark.size());
  const std::vector<std::string_view> names = Fields(line);
  if (!SameNoCase(names.front(), "TIME")) {
    Failed("is no header row: its first column is " + Quoted(names.front()) + ", not 'time'");
    return m_fault;
  }
  m_columns.assign(1, std::nullopt);
  bool anyChannel = false;
  for (std::size_t i = 1; i < names.size(); ++i) {
    Column column;
    for (const ChannelName& known : kChannelNames) {
      if (SameNoCase(names[i], known.name)) column = known.channel;
    }
    for (const Column& earlier : m_columns) {
      if (column && earlier == column) {
        Failed("names the channel of " + Quoted(names[i]) + " twice");
        return m_fault;
      }
    }
    anyChannel = anyChannel || column.has_value();
    m_columns.push_back(column);
  }
  if (!anyChannel) {
    Failed("names no channel: FHR1 (FHR), FHR2, MHR, FECG, UC (TOCO) or IUP");
    return m_fault;
  }
  return std::nullopt;
}

bool CsvReader::ReadLine() {
  for (;;) {
    m_file.getline(m_line.data(), static_cast<std::streamsize>(m_line.size()));
    const auto extracted = static_cast<std::size_t>(m_file.gcount());
    if (m_file.bad()) return Failed("cannot be read");
    if (m_file.fail()) {
      if (extracted == 0) return false;  // the end of the file
      ++m_lineNumber;
      return Failed("is longer than " + std::to_string(kLongestLine) + " bytes");
    }
    ++m_lineNumber;
    // The line feed is extracted but not stored; the last line may lack it.
    m_lineLength = m_file.eof() ? extracted : extracted - 1;
    if (m_lineLength > 0 && m_line[m_lineLength - 1] == '\r') --m_lineLength;
    if (m_lineLength > 0) return true;
    if (m_file.eof()) return false;
  }
}

CsvReader::Row CsvReader::ReadRow(TraceSample& sample) {
  if (!ReadLine()) return m_fault ? Row::kFault : Row::kEnd;
  const std::vector<std::string_view> fields = Fields(std::string_view(m_line.data(), m_lineLength));
  if (fields.size() != m_columns.size()) {
    Failed("has " + std::to_string(fields.size()) + " fields, the header row " + std::to_string(m_columns.size()));
    return Row::kFault;
  }
  if (!TakeTime(fields.front())) return Row::kFault;
  sample = TraceSample{};
  for (std::size_t i = 1; i < fields.size(); ++i) {
    if (!m_columns[i] || fields[i].empty()) continue;
    const std::optional<double> value = Number(fields[i]);
    if (!value || *value < 0 || *value > std::numeric_limits<float>::max()) {
      Failed("field " + std::to_string(i + 1) + " " + Quoted(fields[i]) + " is not a number from 0 on");
      return Row::kFault;
    }
    if (*value != 0) sample.Value(*m_columns[i]) = static_cast<float>(*value);
  }
  return Row::kSample;
}

bool CsvReader::TakeTime(std::string_view field) {
  const std::optional<double> time = Number(field);
  if (!time || *time < 0 || *time >= kTimeLimitSeconds) {
    return Failed("has the time " + Quoted(field) + ", not a number of seconds from 0 to 4294967.295");
  }
  const double exactPlace = *time * kSamplesPerSecond;
  const auto place = static_cast<std::uint64_t>(std::llround(exactPlace));
  if (std::fabs(exactPlace - static_cast<double>(place)) > kPlaceTolerance) {
    return Failed("has the time " + Quoted(field) + ", not on a quarter second");
  }
  if (m_lastPlace && place != *m_lastPlace + 1) {
    return Failed("has the time " + Quoted(field) + ": rows follow a quarter second apart");
  }
  m_lastPlace = place;
  return true;
}

bool CsvReader::Failed(const std::string& what) {
  m_fault = m_path + ": line " + std::to_string(m_lineNumber) + " " + what;
  return false;
}
