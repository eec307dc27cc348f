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

AppendOnlyFile::AppendOnlyFile(std::size_t keepLimit) : m_keepLimit(keepLimit) {}

void AppendOnlyFile::Adopt(int fd, std::string path) {
  m_fd = std::shared_ptr<const int>(new int(fd), CloseDescriptor);
  m_path = std::move(path);
  struct stat status {};
  m_size = ::fstat(fd, &status) == 0 ? static_cast<std::uint64_t>(status.st_size) : 0;
}

AppendOnlyFile::Outcome AppendOnlyFile::Append(std::span<const unsigned char> piece) {
  if (!Failing() && Write(piece)) return Outcome::Written;
  if (m_keptInMemory + piece.size() > m_keepLimit) {
    m_droppedBytes += piece.size();
    return Outcome::Dropped;
  }
  m_kept.emplace_back(piece.begin(), piece.end());
  m_keptInMemory += piece.size();
  m_keptBytes += piece.size();
  return Outcome::Kept;
}

std::size_t AppendOnlyFile::Retry() {
  std::size_t written = 0;
  while (!m_kept.empty() && Write(m_kept.front())) {
    m_keptInMemory -= m_kept.front().size();
    m_kept.pop_front();
    ++written;
  }
  if (m_kept.empty()) m_kept.shrink_to_fit();
  return written;
}

void AppendOnlyFile::ClearCounts() {
  m_keptBytes = 0;
  m_droppedBytes = 0;
}

// Cuts off what a failed write left of its piece, so that the file ends with a whole piece.
bool AppendOnlyFile::Repaired() {
  if (m_torn && ::ftruncate(*m_fd, static_cast<off_t>(m_size)) == 0) m_torn = false;
  return !m_torn;
}

bool AppendOnlyFile::Write(std::span<const unsigned char> piece) {
  if (!m_fd) {
    m_fault = "the file is not open";
    return false;
  }
  if (!Repaired()) {
    m_fault = m_path + " cannot be mended: " + std::strerror(errno);
    return false;
  }
  std::size_t done = 0;
  while (done < piece.size()) {
    const ssize_t written = ::write(*m_fd, piece.data() + done, piece.size() - done);
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
  m_size += piece.size();
  return true;
}
