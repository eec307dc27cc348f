#include "platform/LinkTarget.h"

#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>

namespace {

// The number of links the system itself follows in one path before it gives up.
constexpr int kMostLinks = 40;

// "folder/" of "folder/name"; empty for a bare name.
std::string FolderPrefix(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

}  // namespace

int LinkTarget(const std::string& path, std::string& target) {
  target = path;
  for (int followed = 0;; ++followed) {
    struct stat info {};
    if (::lstat(target.c_str(), &info) != 0) return errno == ENOENT ? 0 : errno;
    if (!S_ISLNK(info.st_mode)) return 0;
    if (followed == kMostLinks) return ELOOP;
    std::array<char, PATH_MAX> link;
    const ssize_t length = ::readlink(target.c_str(), link.data(), link.size());
    if (length < 0) return errno;
    if (static_cast<std::size_t>(length) == link.size()) return ENAMETOOLONG;
    const std::string next(link.data(), static_cast<std::size_t>(length));
    target = !next.empty() && next.front() == '/' ? next : FolderPrefix(target) + next;
  }
}
