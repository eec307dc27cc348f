#include "ward/PrivateFolder.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace {

constexpr mode_t kPrivate = 0700;

}  // namespace

bool SyncFolder(const std::filesystem::path& folder) {
  const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return false;
  const bool synced = ::fsync(fd) == 0;
  ::close(fd);
  return synced;
}

std::optional<std::string> MakePrivateFolder(const std::filesystem::path& folder) {
  if (::mkdir(folder.c_str(), kPrivate) == 0) {
    if (SyncFolder(folder.parent_path())) return std::nullopt;
    return "cannot sync the folder " + folder.parent_path().string() + ": " + std::strerror(errno);
  }
  if (errno != EEXIST) return "cannot create the folder " + folder.string() + ": " + std::strerror(errno);
  struct stat status {};
  if (::stat(folder.c_str(), &status) != 0 || !S_ISDIR(status.st_mode)) return folder.string() + " is not a folder";
  if ((status.st_mode & 0777) != kPrivate && ::chmod(folder.c_str(), kPrivate) != 0) {
    return "cannot make " + folder.string() + " private: " + std::strerror(errno);
  }
  return std::nullopt;
}
