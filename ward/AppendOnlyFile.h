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
// the file as it was before it (a part already written is cut off again).
//
// Pieces wait in memory and are written together, in one write, when Flush is called or when
// `bufferLimit` bytes wait; with a buffer limit of 0 every piece is written at once. What waits
// is not in the file: a process that is killed loses it. When a write fails, its pieces and
// every piece after them are kept, up to `keepLimit` bytes, until a Flush writes them, in order,
// piece by piece; beyond the limit the newest pieces are dropped whole and counted.
//
// The descriptor is shared (Descriptor) so that another thread can sync it while this one goes
// on appending; it closes when the last holder lets it go.
class VUDODA_WARD_API AppendOnlyFile {
 public:
  enum class Outcome { Written, Waiting, Dropped };

  explicit AppendOnlyFile(std::size_t keepLimit, std::size_t bufferLimit = 0);

  // Takes over the open descriptor `fd` of the file at `path` (for the texts), whose whole
  // content is what it holds now.
  void Adopt(int fd, std::string path);
  bool IsOpen() const { return m_fd != nullptr; }

  // Written: the piece and every one before it are in the file. Waiting: it waits in memory
  // (buffered, or kept while writes fail). Dropped: beyond the keep limit, not recorded.
  Outcome Append(std::span<const unsigned char> piece);
  // Writes the pieces that wait, oldest first: together while writes succeed, else one by one
  // until one fails again. Returns how many were written.
  std::size_t Flush();

  // A write failed, and pieces wait in memory until one succeeds.
  bool Failing() const { return m_failing; }
  // Why the last write failed.
  const std::string& Fault() const { return m_fault; }
  // Bytes waiting in memory now.
  std::size_t Waiting() const { return m_waiting.size() - m_waitingFrom; }
  // Pieces written since the file was adopted.
  std::uint64_t WrittenPieces() const { return m_writtenPieces; }
  // Bytes kept because writes failed, and bytes dropped, since the last ClearCounts.
  std::uint64_t KeptBytes() const { return m_keptBytes; }
  std::uint64_t DroppedBytes() const { return m_droppedBytes; }
  std::size_t KeepLimit() const { return m_keepLimit; }
  // Forgets the counts of kept and dropped bytes once they are reported.
  void ClearCounts();

  std::shared_ptr<const int> Descriptor() const { return m_fd; }
  // The descriptor when the file was written since the last call (for a sync), else null.
  std::shared_ptr<const int> TakeGrown();

 private:
  std::size_t FlushTogether();
  std::size_t FlushOneByOne();
  void Forget(std::size_t pieces, std::size_t bytes);
  bool Write(std::span<const unsigned char> bytes);
  bool Repaired();

  std::size_t m_keepLimit;
  std::size_t m_bufferLimit;
  std::shared_ptr<const int> m_fd;
  std::string m_path;
  std::uint64_t m_size = 0;  // what the file holds in whole pieces
  std::uint64_t m_grownFrom = 0;  // m_size when TakeGrown last looked
  bool m_torn = false;       // a failed write left part of a piece beyond m_size
  bool m_failing = false;
  // The waiting pieces, one after another from m_waitingFrom, and their sizes in order.
  std::vector<unsigned char> m_waiting;
  std::size_t m_waitingFrom = 0;
  std::deque<std::size_t> m_waitingSizes;
  std::uint64_t m_writtenPieces = 0;
  std::uint64_t m_keptBytes = 0;     // kept since the last ClearCounts
  std::uint64_t m_droppedBytes = 0;  // dropped since the last ClearCounts
  std::string m_fault;
};
