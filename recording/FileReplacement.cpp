#include "recording/FileReplacement.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <utility>

#include "platform/LinkTarget.h"
#include "recording/DurableFile.h"

namespace {

std::string Fault(const char* doing, const std::string& path, int error) {
  return std::string(doing) + ' ' + path + ": " + std::strerror(error);
}

// ".NAME.tmpPID-N" beside `target`, created exclusively; -1 (errno set) when none can be made.
int CreateTemporaryBeside(const std::string& target, unsigned permissions, std::string& tempPath) {
  static std::atomic<unsigned> counter{0};
  const std::size_t nameBegins = target.rfind('/') + 1;  // 0 for a bare name
  for (int attempt = 0; attempt < 100; ++attempt) {
    tempPath = target.substr(0, nameBegins) + "." + target.substr(nameBegins) + ".tmp" + std::to_string(::getpid()) +
               "-" + std::to_string(counter++);
    const int fd = ::open(tempPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, permissions);
    if (fd >= 0 || errno != EEXIST) return fd;
  }
  return -1;
}

}  // namespace

FileReplacement::FileReplacement(std::string path, unsigned permissions)
    : m_path(std::move(path)), m_permissions(permissions) {}

FileReplacement::~FileReplacement() { Discard(); }

std::optional<std::string> FileReplacement::Open() {
  struct stat existing {};
  const bool exists = ::stat(m_path.c_str(), &existing) == 0;
  if (exists && S_ISDIR(existing.st_mode)) return Fault("cannot create", m_path, EISDIR);
  if (exists && !S_ISREG(existing.st_mode)) {
    m_stream.open(m_path, std::ios::binary | std::ios::trunc);
    return m_stream ? std::nullopt : std::optional<std::string>(Fault("cannot create", m_path, errno));
  }
  if (const int error = LinkTarget(m_path, m_target)) return Fault("cannot create", m_path, error);
  const int fd = CreateTemporaryBeside(m_target, m_permissions, m_tempPath);
  if (fd < 0) {
    const int error = errno;
    m_tempPath.clear();
    return Fault("cannot create", m_path, error);
  }
  // The old file's permissions (an owner can be handed on by root alone), before the file is
  // opened for writing: a file that they keep from being written is not replaced either.
  if (exists) ::fchmod(fd, existing.st_mode & 07777);
  ::close(fd);
  m_stream.open(m_tempPath, std::ios::binary | std::ios::trunc);
  if (!m_stream) return Fault("cannot create", m_path, errno);
  return std::nullopt;
}

std::optional<std::string> FileReplacement::Close() {
  if (m_stream.is_open()) m_stream.close();
  if (!m_stream) return "cannot write " + m_path;
  return std::nullopt;
}

std::optional<std::string> FileReplacement::Commit() {
  if (std::optional<std::string> fault = Close()) {
    Discard();
    return fault;
  }
  if (m_tempPath.empty()) return std::nullopt;  // written in place
  std::optional<std::string> fault = DurableFile::Sync(m_tempPath);
  if (!fault && ::rename(m_tempPath.c_str(), m_target.c_str()) != 0) fault = Fault("cannot write", m_path, errno);
  if (fault) {
    Discard();
    return fault;
  }
  m_tempPath.clear();
  // The new file is in place whatever comes of this; the folder's sync makes its entry durable.
  DurableFile::Sync(DurableFile::FolderOf(m_target));
  return std::nullopt;
}

void FileReplacement::Discard() {
  if (m_stream.is_open()) m_stream.close();
  if (!m_tempPath.empty()) ::unlink(m_tempPath.c_str());
  m_tempPath.clear();
}
