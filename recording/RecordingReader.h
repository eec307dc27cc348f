#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "recording/RecordingApi.h"
#include "recording/TraceSample.h"

// A CTG recording read sample by sample, four samples a second, in bounded memory whatever
// the recording's length. Opening checks what can be checked before the first sample (the
// header, the data's length against it); a fault while reading ends the samples early and is
// told by Fault().
class VUDODA_RECORDING_API RecordingReader {
 public:
  virtual ~RecordingReader();

  // Whether `path` has the extension of a recording Open reads (any case).
  static bool Reads(const std::string& path);
  // Opens the recording at `path` by its extension: ".fhr", ".fhrm", a WFDB header ".hea", or
  // ".csv".
  // Returns nullptr with `fault` set (a sentence naming the file) when it cannot be read.
  static std::unique_ptr<RecordingReader> Open(const std::string& path, std::string& fault);

  // The recording's start, seconds since 1970-01-01 UTC, where the recording has one.
  virtual std::optional<std::int64_t> StartTime() const = 0;
  // The number of samples the recording holds.
  virtual std::uint64_t SampleCount() const = 0;
  // Reads the next sample; false at the end of the recording or after a fault.
  virtual bool Next(TraceSample& sample) = 0;
  // The fault that ended reading early, or nullopt.
  virtual std::optional<std::string> Fault() const = 0;
};
