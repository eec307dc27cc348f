#include "ward/AppendOnlyFile.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace {

void CloseDescriptor(const int* fd) {
  ::close(*fd);
  delete fd;
}

}  // namespace

AppendOnlyFile::AppendOnlyFile(std::size_t keepLimit, std::size_t bufferLimit)
    : m_keepLimit(keepLimit), m_bufferLimit(bufferLimit) {}

void AppendOnlyFile::Adopt(int fd, std::string path) {
  m_fd = std::shared_ptr<const int>(new int(fd), CloseDescriptor);
  m_path = std::move(path);
  struct stat status {};
  m_size = ::fstat(fd, &status) == 0 ? static_cast<std::uint64_t>(status.st_size) : 0;
  m_grownFrom = m_size;
}

AppendOnlyFile::Outcome AppendOnlyFile::Append(std::span<const unsigned char> piece) {
  if (Waiting() + piece.size() > m_keepLimit) {
    m_droppedBytes += piece.size();
    return Outcome::Dropped;
  }
  m_waiting.insert(m_waiting.end(), piece.begin(), piece.end());
  m_waitingSizes.push_back(piece.size());
  if (m_failing) {
    m_keptBytes += piece.size();
    return Outcome::Waiting;
  }
  if (Waiting() < m_bufferLimit) return Outcome::Waiting;
  FlushTogether();
  return m_failing ? Outcome::Waiting : Outcome::Written;
}

std::size_t AppendOnlyFile::Flush() {
  if (m_waitingSizes.empty()) return 0;
  return m_failing ? FlushOneByOne() : FlushTogether();
}

// What waits, in one write; when it fails, every piece of it is kept.
std::size_t AppendOnlyFile::FlushTogether() {
  const std::size_t pieces = m_waitingSizes.size();
  const std::size_t bytes = Waiting();
  if (!Write(std::span(m_waiting).subspan(m_waitingFrom))) {
    m_failing = true;
    m_keptBytes += bytes;
    return 0;
  }
  Forget(pieces, bytes);
  return pieces;
}

// After a failed write: piece by piece, so that a disk with a little room takes what fits.
std::size_t AppendOnlyFile::FlushOneByOne() {
  std::size_t written = 0;
  while (!m_waitingSizes.empty()) {
    const std::size_t size = m_waitingSizes.front();
    if (!Write(std::span(m_waiting).subspan(m_waitingFrom, size))) break;
    Forget(1, size);
    ++written;
  }
  m_failing = !m_waitingSizes.empty();
  return written;
}

// The first `pieces` waiting pieces, `bytes` in all, are in the file now.
void AppendOnlyFile::Forget(std::size_t pieces, std::size_t bytes) {
  m_writtenPieces += pieces;
  m_waitingSizes.erase(m_waitingSizes.begin(), m_waitingSizes.begin() + static_cast<std::ptrdiff_t>(pieces));
  m_waitingFrom += bytes;
  if (m_waitingSizes.empty()) {
    m_waitingFrom = 0;
    // A buffer that grew far beyond its limit (pieces kept while the disk refused them) is let go.
    if (m_waiting.capacity() > 2 * m_bufferLimit) {
      m_waiting = {};
    } else {
      m_waiting.clear();
    }
  } else if (m_waitingFrom > m_waiting.size() / 2) {
    m_waiting.erase(m_waiting.begin(), m_waiting.begin() + static_cast<std::ptrdiff_t>(m_waitingFrom));
    m_waitingFrom = 0;
  }
}

void AppendOnlyFile::ClearCounts() {
  m_keptBytes = 0;
  m_droppedBytes = 0;
}

std::shared_ptr<const int> AppendOnlyFile::TakeGrown() {
  if (m_size == m_grownFrom) return nullptr;
  m_grownFrom = m_size;
  return m_fd;
}

// Cuts off what a failed write left of its pieces, so that the file ends with a whole piece.
bool AppendOnlyFile::Repaired() {
  if (m_torn && ::ftruncate(*m_fd, static_cast<off_t>(m_size)) == 0) m_torn = false;
  return !m_torn;
}

bool AppendOnlyFile::Write(std::span<const unsigned char> bytes) {
  if (!m_fd) {
    m_fault = "the file is not open";
    return false;
  }
  if (!Repaired()) {
    m_fault = m_path + " cannot be mended: " + std::strerror(errno);
    return false;
  }
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t written = ::write(*m_fd, bytes.data() + done, bytes.size() - done);
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) {
      m_fault = std::strerror(written < 0 ? errno : EIO);
      // The part written is cut off at once, so that the file ends with a whole piece even if
      // the station ends now; when that fails too, the next write tries it first.
      m_torn = done > 0;
      Repaired();
      return false;
    }
    done += static_cast<std::size_t>(written);
  }
  m_size += bytes.size();
  return true;
}
