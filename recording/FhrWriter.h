#pragma once

#include <ostream>
#include <vector>

#include "recording/RecordingWriter.h"

// Writes an FHRMA-style .fhr (6-byte records) or .fhrm (8-byte records, with the maternal
// heart rate); the layout is FhrReader's.
class FhrWriter final : public RecordingWriter {
 public:
  FhrWriter(std::ostream& out, bool withMaternalRate);

  void Begin(std::optional<std::int64_t> startTime) override;
  void Write(std::uint64_t place, const TraceSample& sample) override;
  std::optional<std::string> Finish() override;

 private:
  void Flush();

  std::ostream& m_out;
  bool m_withMaternalRate;
  std::vector<unsigned char> m_buffer;
};
