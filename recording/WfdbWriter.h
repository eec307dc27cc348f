#pragma once

#include <array>
#include <optional>
#include <vector>

#include "recording/FileReplacement.h"
#include "recording/RecordingWriter.h"

// Writes a WFDB record: NAME.dat in format 16 with four signals per frame, FHR, UC, FHR2 and
// MHR (the first two as the intrapartum CTG databases order them), each at a gain of 100 per
// unit with baseline 0; then, once the length is known, the header NAME.hea with the sample
// count, the start where known (base time and date in local time, their UTC offset in the
// comment line "# UTC offset: +hh:mm" after the signals; see WfdbHeader), and each signal's
// first value and checksum. Both files replace their old ones only when Finish succeeds (see
// FileReplacement).
class WfdbWriter final : public RecordingWriter {
 public:
  // Starts `recordPath`.dat. Returns the fault, or nullopt.
  std::optional<std::string> Create(const std::string& recordPath);

  void Begin(std::optional<std::int64_t> startTime) override;
  void Write(std::uint64_t place, const TraceSample& sample) override;
  std::optional<std::string> Finish() override;

 private:
  static constexpr std::size_t kSignals = 4;

  void Flush();
  std::string HeaderText() const;

  std::string m_recordPath;
  std::optional<FileReplacement> m_data;
  std::vector<unsigned char> m_buffer;
  std::optional<std::int64_t> m_startTime;
  std::uint64_t m_samples = 0;
  std::array<std::int16_t, kSignals> m_first{};
  std::array<std::uint16_t, kSignals> m_checksum{};
};
