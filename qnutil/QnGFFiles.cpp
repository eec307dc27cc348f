// QnGF's paths and file tests: the station keeps its files in the program folder.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <string>

#include "platform/LibraryLoader.h"
#include "qnutil/QnGF.h"

namespace {

std::string ProgramFolder() {
  char path[PATH_MAX];
  const DWORD length = GetModuleFileNameA(nullptr, path, sizeof path);
  if (length == 0 || length >= sizeof path) return ".";
  const std::string program(path, length);
  const std::size_t slash = program.rfind('/');
  return slash == std::string::npos ? "." : program.substr(0, slash == 0 ? 1 : slash);
}

// Creates every missing folder above `path`; errors show up when the file itself is created.
void CreateParentFolders(const std::string& path) {
  for (std::size_t slash = path.find('/', 1); slash != std::string::npos; slash = path.find('/', slash + 1)) {
    ::mkdir(path.substr(0, slash).c_str(), 0777);
  }
}

}  // namespace

CString QnGF::MakePath(const char* folder, const char* name) {
  std::string path = (folder && *folder) ? folder : ProgramFolder();
  if (name && *name) {
    if (!path.ends_with('/')) path += '/';
    path += name;
  }
  return CString(path);
}

int QnGF::IsFile(const char* path) {
  struct stat info {};
  return path && ::stat(path, &info) == 0 && S_ISREG(info.st_mode) ? 1 : 0;
}

int QnGF::IsExist(const char* path) {
  struct stat info {};
  return path && *path && ::stat(path, &info) == 0 ? 1 : 0;
}

// The open does not wait, so that a named pipe in the file's place cannot hang it: without a
// reader it fails with ENXIO, with one it opens and is then refused, as a device is.
int QnGF::CreateFileA(const char* path, int createFolders, int keepExisting) {
  if (!path || !*path) return ENOENT;
  if (createFolders) CreateParentFolders(path);
  const int fd = ::open(path, O_WRONLY | O_CREAT | O_NONBLOCK | O_CLOEXEC | (keepExisting ? 0 : O_TRUNC), 0666);
  if (fd < 0) return errno == ENXIO ? EINVAL : errno;
  struct stat info {};
  const int error = ::fstat(fd, &info) != 0 ? errno : (S_ISREG(info.st_mode) ? 0 : EINVAL);
  return ::close(fd) == 0 ? error : errno;
}
