#pragma once

#include <cstdint>
#include <deque>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "ward/WardApi.h"

// A file that is only ever appended to, in pieces, and that rides out a failing disk (full, over
// a size limit, an I/O error). A piece is written whole or not at all: a write that fails leaves
// the file as it was before the piece (a part already written is cut off again). The piece, and
// every piece after it, is then kept in memory, up to `keepLimit` bytes, until Retry writes
// them, in order; beyond the limit the newest pieces are dropped whole and counted.
//
// The descriptor is shared (Descriptor) so that another thread can sync it while this one goes
// on appending; it closes when the last holder lets it go.
class VUDODA_WARD_API AppendOnlyFile {
 public:
  enum class Outcome { Written, Kept, Dropped };

  explicit AppendOnlyFile(std::size_t keepLimit);

  // Takes over the open descriptor `fd` of the file at `path` (for the texts), whose whole
  // content is what it holds now.
  void Adopt(int fd, std::string path);
  bool IsOpen() const { return m_fd != nullptr; }

  // Writes `piece`, or keeps it (or drops it) while earlier pieces wait.
  Outcome Append(std::span<const unsigned char> piece);
  // Writes the kept pieces, oldest first, until one fails again. Returns how many were written.
  std::size_t Retry();

  // Pieces wait in memory because a write failed.
  bool Failing() const { return !m_keptSizes.empty(); }
  // Why the last write failed.
  const std::string& Fault() const { return m_fault; }
  // Bytes waiting in memory now.
  std::size_t Waiting() const { return m_keptInMemory; }
  // Bytes kept, and bytes dropped, since the last ClearCounts.
  std::uint64_t KeptBytes() const { return m_keptBytes; }
  std::uint64_t DroppedBytes() const { return m_droppedBytes; }
  std::size_t KeepLimit() const { return m_keepLimit; }
  // Forgets the counts of kept and dropped bytes once they are reported.
  void ClearCounts();

  std::shared_ptr<const int> Descriptor() const { return m_fd; }

 private:
  bool Write(std::span<const unsigned char> piece);
  bool Repaired();

  std::size_t m_keepLimit;
  std::shared_ptr<const int> m_fd;
  std::string m_path;
  std::uint64_t m_size = 0;  // what the file holds in whole pieces
  bool m_torn = false;       // a failed write left part of a piece beyond m_size
  // The kept pieces, one after another from m_keptFrom, and their sizes in order.
  std::vector<unsigned char> m_kept;
  std::size_t m_keptFrom = 0;
  std::deque<std::size_t> m_keptSizes;
  std::size_t m_keptInMemory = 0;
  std::uint64_t m_keptBytes = 0;     // kept since the last ClearCounts
  std::uint64_t m_droppedBytes = 0;  // dropped since the last ClearCounts
  std::string m_fault;
};
