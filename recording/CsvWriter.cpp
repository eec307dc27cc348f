#include "recording/CsvWriter.h"

#include <charconv>

#include "recording/CtgTrace.h"

namespace {

constexpr TraceChannel kColumns[] = {TraceChannel::FHR1, TraceChannel::FHR2, TraceChannel::MHR, TraceChannel::UC};

// The shortest text that reads back as the same number: 140, 140.25, 0.5.
template <class Number>
void PutNumber(std::string& row, Number value) {
  char text[32];
  const auto [end, error] = std::to_chars(text, text + sizeof text, value);
  row.append(text, error == std::errc() ? end : text);
}

}  // namespace

CsvWriter::CsvWriter(std::ostream& out) : m_out(out) {}

void CsvWriter::Begin(std::optional<std::int64_t>) { m_out << "time,FHR1,FHR2,MHR,UC\n"; }

void CsvWriter::Write(std::uint64_t place, const TraceSample& sample) {
  std::string row;
  PutNumber(row, static_cast<double>(place) / CtgTrace::kSamplesPerSecond);
  for (TraceChannel channel : kColumns) {
    row += ',';
    PutNumber(row, sample.Value(channel).value_or(0.0f));
  }
  row += '\n';
  m_out << row;
}

std::optional<std::string> CsvWriter::Finish() {
  m_out.flush();
  if (!m_out) return std::string("cannot write the recording");
  return std::nullopt;
}
