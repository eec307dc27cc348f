#pragma once

#include <optional>
#include <vector>

#include "recording/RecordFile.h"
#include "recording/RecordingReader.h"
#include "recording/TraceChannel.h"
#include "recording/WfdbHeader.h"

// Reads a WFDB record of a CTG: a header (.hea) naming one data file in format 16 (the samples
// of all signals interleaved, 16 bits little-endian two's complement) at 4 Hz. Signals are
// taken by their description: FHR (or FHR1), FHR2, UC (or TOCO) and MHR; others are skipped.
// Gains and baselines come from the header; a pair that would make some sample a value no
// float holds is refused. A physical value of 0 and the sample -32768 (WFDB's invalid sample)
// mean no signal. The start time is the header's, where it gives time and date.
class WfdbReader final : public RecordingReader {
 public:
  // Opens the header at `path` and the data file it names (beside it). Returns the fault or nullopt.
  std::optional<std::string> Open(const std::string& path);

  std::optional<std::int64_t> StartTime() const override { return m_header.StartTime(); }
  std::uint64_t SampleCount() const override { return m_sampleCount; }
  bool Next(TraceSample& sample) override;
  std::optional<std::string> Fault() const override { return m_data.Fault(); }

 private:
  struct Column {
    std::size_t index;  // of the signal in a frame
    TraceChannel channel;
    double gain;
    double baseline;
  };

  std::optional<std::string> CheckSignals();

  WfdbHeader m_header;
  RecordFile m_data;
  std::vector<Column> m_columns;
  std::uint64_t m_sampleCount = 0;
  std::uint64_t m_read = 0;
};
