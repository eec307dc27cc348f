#pragma once

#include <cstddef>
#include <cstdint>
#include <fstream>
#include <optional>
#include <span>
#include <string>
#include <vector>

// The data of a recording read as fixed-size records, through a buffer of bounded size. The
// file's length is known at opening, so a length that no whole number of records fills is a
// fault before the first record.
class RecordFile {
 public:
  // Opens `path`, whose records of `recordSize` bytes begin after a header of `headerSize`
  // bytes. The header is passed by a seek, never read whole, whatever size it claims; `head`
  // receives its first bytes (no more than the header holds). Returns the fault (a sentence
  // naming the file), or nullopt; a file shorter than its header is a fault, and so is an
  // empty one.
  std::optional<std::string> Open(const std::string& path, std::uint64_t headerSize, std::size_t recordSize,
                                  std::span<unsigned char> head);
  // The number of whole records from the offset on.
  std::uint64_t RecordCount() const { return m_recordCount; }
  // The bytes after the last whole record (a truncated record when not 0).
  std::uint64_t TailBytes() const { return m_tailBytes; }
  // The next record, or an empty span at the end or on a read error (see Fault()).
  std::span<const unsigned char> Next();
  std::optional<std::string> Fault() const { return m_fault; }

 private:
  std::ifstream m_file;
  std::string m_path;
  std::size_t m_recordSize = 0;
  std::uint64_t m_recordCount = 0;
  std::uint64_t m_tailBytes = 0;
  std::uint64_t m_recordsLeft = 0;
  std::vector<unsigned char> m_buffer;
  std::size_t m_pos = 0;
  std::size_t m_filled = 0;
  std::optional<std::string> m_fault;
};
