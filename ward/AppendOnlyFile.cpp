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
  m_kept.insert(m_kept.end(), piece.begin(), piece.end());
  m_keptSizes.push_back(piece.size());
  m_keptInMemory += piece.size();
  m_keptBytes += piece.size();
  return Outcome::Kept;
}

std::size_t AppendOnlyFile::Retry() {
  std::size_t written = 0;
  while (!m_keptSizes.empty() && Write(std::span(m_kept).subspan(m_keptFrom, m_keptSizes.front()))) {
    m_keptFrom += m_keptSizes.front();
    m_keptInMemory -= m_keptSizes.front();
    m_keptSizes.pop_front();
    ++written;
  }
  if (m_keptSizes.empty()) {
    m_kept = {};
    m_keptFrom = 0;
  } else if (m_keptFrom > m_kept.size() / 2) {
    m_kept.erase(m_kept.begin(), m_kept.begin() + static_cast<std::ptrdiff_t>(m_keptFrom));
    m_keptFrom = 0;
  }
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
