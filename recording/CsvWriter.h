#pragma once

#include <ostream>

#include "recording/RecordingWriter.h"

// Writes a recording as comma-separated text: the header row "time,FHR1,FHR2,MHR,UC", then one
// row per sample with the time in seconds since the start of the link and the values in bpm
// and toco units, absent as 0.
class CsvWriter final : public RecordingWriter {
 public:
  explicit CsvWriter(std::ostream& out);

  void Begin(std::optional<std::int64_t> startTime) override;
  void Write(std::uint64_t place, const TraceSample& sample) override;
  std::optional<std::string> Finish() override;

 private:
  std::ostream& m_out;
};
