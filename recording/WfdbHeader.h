#pragma once

#include <cstdint>
#include <istream>
#include <optional>
#include <string>
#include <vector>

#include "recording/RecordingApi.h"

// The header (.hea) of a single-segment WFDB record, as far as a CTG recording needs it.
//
//   record line:  NAME NSIG [FS[/COUNTERFREQ][(BASECOUNTER)] [NSAMP [HH:MM:SS [DD/MM/YYYY]]]]
//   signal line:  FILE FORMAT[xSPF][:SKEW][+OFFSET] [GAIN[(BASELINE)][/UNITS] [ADCRES [ADCZERO
//                 [INITVAL [CHECKSUM [BLOCKSIZE [DESCRIPTION...]]]]]]]
//
// Lines beginning with '#' are comments. A missing or zero gain is 200 per unit; a missing
// baseline is the ADC zero. A physical value is (sample - baseline) / gain.
//
// The base time and date are the time of day and the date the record began, as the clock on
// the wall showed them: local time. The format names no zone; the comment line
//
//   # UTC offset: +01:00
//
// that WfdbWriter writes gives their offset from UTC, and so the moment. Without it the base
// time is read as local time in the zone of the process (WallTime::FromLocal).
class VUDODA_RECORDING_API WfdbHeader {
 public:
  struct Signal {
    std::string fileName;
    int format = 0;
    int samplesPerFrame = 1;
    std::uint64_t byteOffset = 0;
    double gain = 200;
    double baseline = 0;
    std::string units;
    std::string description;
  };

  // Parses the header text. Returns the fault (naming the line), or nullopt with the fields set.
  std::optional<std::string> Parse(std::istream& text);

  const std::string& RecordName() const { return m_recordName; }
  double Frequency() const { return m_frequency; }
  // NSAMP, where the header gives it.
  std::optional<std::uint64_t> SampleCount() const { return m_sampleCount; }
  // The start as seconds since 1970-01-01 UTC, where the header gives both time and date.
  std::optional<std::int64_t> StartTime() const;
  const std::vector<Signal>& Signals() const { return m_signals; }

 private:
  // Each takes the line's words, blanks dropped; the first word is no comment.
  std::optional<std::string> ParseRecordLine(const std::vector<std::string>& words);
  std::optional<std::string> ParseSignalLine(const std::vector<std::string>& words);
  // Takes the UTC offset from a comment line that gives it.
  void ParseComment(const std::string& line);

  std::string m_recordName;
  std::size_t m_signalCount = 0;
  double m_frequency = 250;
  std::optional<std::uint64_t> m_sampleCount;
  std::optional<std::int64_t> m_baseWallSeconds;  // base date and time, as seconds on the wall
  std::optional<int> m_utcOffset;
  std::vector<Signal> m_signals;
};
