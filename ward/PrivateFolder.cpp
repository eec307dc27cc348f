#include "ward/PrivateFolder.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstring>

#include "recording/DurableFile.h"

namespace {

constexpr mode_t kPrivate = 0700;

}  // namespace

std::optional<std::string> MakePrivateFolder(const std::filesystem::path& folder) {
  if (::mkdir(folder.c_str(), kPrivate) == 0) {
    return DurableFile::Sync(folder.parent_path());
  }
  if (errno != EEXIST) return "cannot create the folder " + folder.string() + ": " + std::strerror(errno);
  struct stat status {};
  if (::stat(folder.c_str(), &status) != 0 || !S_ISDIR(status.st_mode)) return folder.string() + " is not a folder";
  if ((status.st_mode & 0777) != kPrivate && ::chmod(folder.c_str(), kPrivate) != 0) {
    return "cannot make " + folder.string() + " private: " + std::strerror(errno);
  }
  return std::nullopt;
}
