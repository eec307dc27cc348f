#pragma once

#include "recording/RecordFile.h"
#include "recording/RecordingReader.h"

// Reads an FHRMA-style recording. Both kinds begin with the start time, 4 bytes little-endian
// (Unix seconds; 0 when unknown), followed by one record per quarter second:
//
//   .fhr   6 bytes  FHR1 (2, quarter bpm), FHR2 (2, quarter bpm), TOCO (1, half units), spare (1)
//   .fhrm  8 bytes  FHR1 (2, quarter bpm), FHR2 (2, quarter bpm), MHR (2, quarter bpm),
//                   TOCO (1, half units), signal quality (1)
//
// 16-bit values are little-endian; a value of 0 means no signal.
class FhrReader final : public RecordingReader {
 public:
  // Opens the file; `withMaternalRate` chooses the 8-byte records. Returns the fault or nullopt.
  std::optional<std::string> Open(const std::string& path, bool withMaternalRate);

  std::optional<std::int64_t> StartTime() const override { return m_startTime; }
  std::uint64_t SampleCount() const override { return m_file.RecordCount(); }
  bool Next(TraceSample& sample) override;
  std::optional<std::string> Fault() const override { return m_file.Fault(); }

 private:
  RecordFile m_file;
  bool m_withMaternalRate = false;
  std::optional<std::int64_t> m_startTime;
};
