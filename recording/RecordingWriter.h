#pragma once

#include <cstdint>
#include <iosfwd>
#include <memory>
#include <optional>
#include <string>

#include "recording/RecordingApi.h"
#include "recording/TraceSample.h"

// A CTG recording written sample by sample at 4 Hz, in bounded memory whatever its length.
// Absent values are written as 0, the formats' mark of no signal; a value the format cannot
// hold is written as absent too.
class VUDODA_RECORDING_API RecordingWriter {
 public:
  virtual ~RecordingWriter();

  // The writer of `format`: "fhr" or "fhrm" (to `out`), "csv" (to `out`), or "wfdb" (the
  // record `recordPath`, i.e. recordPath.hea and recordPath.dat; a .hea or .dat ending of the
  // path is dropped). Returns nullptr with `fault` set for an unknown format, a wfdb record
  // without a path, or a data file that cannot be created.
  static std::unique_ptr<RecordingWriter> Create(const std::string& format, std::ostream& out,
                                                 const std::string& recordPath, std::string& fault);

  // Starts the recording; `startTime` is its first sample's time, seconds since 1970-01-01 UTC,
  // where known. Called once, before the first sample.
  virtual void Begin(std::optional<std::int64_t> startTime) = 0;
  // Writes the sample at `place` (quarter seconds since the start of the link); places follow
  // one another without a gap.
  virtual void Write(std::uint64_t place, const TraceSample& sample) = 0;
  // Ends the recording. Returns the fault (a write that failed), or nullopt.
  virtual std::optional<std::string> Finish() = 0;
};
