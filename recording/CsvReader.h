#pragma once

#include <array>
#include <fstream>
#include <optional>
#include <string_view>
#include <vector>

#include "recording/RecordingReader.h"
#include "recording/TraceChannel.h"

// Reads a recording kept as comma-separated text, as CsvWriter writes it: a header row that
// names the columns, "time" first, then one row per sample, a quarter second apart:
//
//   time,FHR1,FHR2,MHR,UC
//   1.5,140.25,0,0,12.5
//
// The channels are told by their names, in any case and order: FHR1 (or FHR), FHR2, MHR, FECG,
// UC (or TOCO) and IUP; other columns are passed over. A value of 0 or an empty field is no
// signal. Times are seconds since the start of the link and, like the link's millisecond time
// stamps, below 2^32 ms; the recording has no start time of its own, and its first row is its
// first sample. Lines end in LF or CR LF; empty lines and a UTF-8 byte-order mark are passed
// over. Open reads the file through once, so that a broken row is told before the first sample.
class CsvReader final : public RecordingReader {
 public:
  // Opens the file. Returns the fault (naming the file and the line), or nullopt.
  std::optional<std::string> Open(const std::string& path);

  std::optional<std::int64_t> StartTime() const override { return std::nullopt; }
  std::uint64_t SampleCount() const override { return m_sampleCount; }
  bool Next(TraceSample& sample) override;
  std::optional<std::string> Fault() const override { return m_fault; }

 private:
  static constexpr std::size_t kLongestLine = 4096;

  // What a column holds: a channel, or nothing read (the time column is the first).
  using Column = std::optional<TraceChannel>;

  enum class Row { kSample, kEnd, kFault };

  std::optional<std::string> ReadHeader();
  // Reads the next non-empty line; false at the end of the file or on a fault (m_fault set).
  bool ReadLine();
  // Reads the next row into `sample`, checking that its time follows the previous row's.
  Row ReadRow(TraceSample& sample);
  // Checks the row's time and takes its place; false on a fault.
  bool TakeTime(std::string_view field);
  bool Failed(const std::string& what);

  std::ifstream m_file;
  std::string m_path;
  std::array<char, kLongestLine + 1> m_line{};
  std::size_t m_lineLength = 0;
  std::uint64_t m_lineNumber = 0;
  std::vector<Column> m_columns;
  std::streampos m_dataStart;
  std::uint64_t m_dataLineNumber = 0;
  std::optional<std::uint64_t> m_lastPlace;
  std::uint64_t m_sampleCount = 0;
  std::uint64_t m_samplesRead = 0;
  std::optional<std::string> m_fault;
};
