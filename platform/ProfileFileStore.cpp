// ProfileFile's side that touches the disk: a file read whole, and a file written back under the
// writers' lock, replaced atomically where its folder allows it.
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <thread>

#include "platform/LinkTarget.h"
#include "platform/ProfileFile.h"

namespace {

// A writer waits this long for the one before it; a lock held longer is someone else's fault
// and fails the write instead of hanging it.
constexpr auto kLockPatience = std::chrono::seconds(10);
constexpr auto kLockRetry = std::chrono::milliseconds(1);

ProfileFile::DiskCalls g_diskCalls = {::fsync, ::rename};
std::atomic<std::uint64_t> g_writeCount{0};

// 0 when `path` was read into `bytes` or there is no such file (no bytes), else why not. Opened
// without waiting, so that a named pipe in the file's place cannot hang the open.
int ReadWholeFile(const char* path, std::string& bytes) {
  const int fd = ::open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return errno == ENOENT || errno == ENOTDIR ? 0 : errno;
  struct stat info {};
  int error = ::fstat(fd, &info) != 0 ? errno : 0;
  if (!error && !S_ISREG(info.st_mode)) error = S_ISDIR(info.st_mode) ? EISDIR : EINVAL;
  if (!error && static_cast<std::size_t>(info.st_size) >= ProfileFile::kLargestText) error = EFBIG;
  if (!error) {
    bytes.resize(static_cast<std::size_t>(info.st_size));
    std::size_t done = 0;
    while (!error && done < bytes.size()) {
      const ssize_t got = ::read(fd, bytes.data() + done, bytes.size() - done);
      if (got < 0 && errno == EINTR) continue;
      if (got < 0) error = errno;
      if (got <= 0) break;  // at 0 the file shrank meanwhile: keep what was there
      done += static_cast<std::size_t>(got);
    }
    bytes.resize(done);
  }
  ::close(fd);
  return error;
}

// EISDIR or EINVAL when something other than a regular file lies at `path`, else 0.
int RefuseOtherThanFile(const std::string& path) {
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0 || S_ISREG(info.st_mode)) return 0;
  return S_ISDIR(info.st_mode) ? EISDIR : EINVAL;
}

int WriteAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t put = ::write(fd, bytes.data(), bytes.size());
    if (put < 0 && errno == EINTR) continue;
    if (put < 0) return errno;
    if (put == 0) return EIO;
    bytes.remove_prefix(static_cast<std::size_t>(put));
  }
  return 0;
}

// Finishes a written file: synced to the disk, then closed; the first error wins.
int SyncAndClose(int fd, int error) {
  if (!error && g_diskCalls.sync(fd) != 0) error = errno;
  if (::close(fd) != 0 && !error) error = errno;
  return error;
}

std::string FolderOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

// A new, exclusively created file beside `target`; its name in `tempPath`. -1 (errno set) when
// none can be made.
int CreateTemporaryBeside(const std::string& target, std::string& tempPath) {
  static std::atomic<unsigned> counter{0};
  const std::string folder = FolderOf(target);
  const std::string base = target.substr(target.rfind('/') == std::string::npos ? 0 : target.rfind('/') + 1);
  for (int attempt = 0; attempt < 100; ++attempt) {
    tempPath = folder + "/." + base + ".tmp" + std::to_string(::getpid()) + "-" + std::to_string(counter++);
    const int fd = ::open(tempPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd >= 0 || errno != EEXIST) return fd;
  }
  return -1;
}

// The old file's permissions and owner go to its replacement; a new file gets 0666 less the umask.
void KeepPermissions(int fd, const std::string& target) {
  struct stat old {};
  if (::stat(target.c_str(), &old) != 0) return;
  if (::fchmod(fd, old.st_mode & 07777) != 0) return;
  // Only root may hand a file to another owner; for anyone else the permissions are what matter.
  [[maybe_unused]] const int owned = ::fchown(fd, old.st_uid, old.st_gid);
}

// Makes the rename itself durable: the folder's entry is on the disk.
void SyncFolder(const std::string& folder) {
  const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd >= 0) SyncAndClose(fd, 0);
}

int ReplaceAtomically(int fd, const std::string& tempPath, const std::string& target, std::string_view bytes) {
  KeepPermissions(fd, target);
  int error = SyncAndClose(fd, WriteAll(fd, bytes));
  if (!error && g_diskCalls.rename(tempPath.c_str(), target.c_str()) != 0) error = errno;
  if (error) {
    ::unlink(tempPath.c_str());
    return error;
  }
  SyncFolder(FolderOf(target));
  return 0;
}

// For a folder that refuses new files (`folderError`): the existing file overwritten from its
// start, cut to the new length, synced. Not atomic.
int WriteInPlace(const std::string& target, std::string_view bytes, int folderError) {
  const int fd = ::open(target.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return errno == ENOENT ? folderError : errno;
  struct stat info {};
  int error = ::fstat(fd, &info) != 0 ? errno : (S_ISREG(info.st_mode) ? 0 : EINVAL);
  if (!error) error = WriteAll(fd, bytes);
  if (!error && ::ftruncate(fd, static_cast<off_t>(bytes.size())) != 0) error = errno;
  return SyncAndClose(fd, error);
}

int WriteProfile(const std::string& target, std::string_view bytes) {
  std::string tempPath;
  const int fd = CreateTemporaryBeside(target, tempPath);
  if (fd >= 0) return ReplaceAtomically(fd, tempPath, target, bytes);
  const int folderError = errno;
  return folderError == EACCES || folderError == EPERM ? WriteInPlace(target, bytes, folderError) : folderError;
}

// The file whose lock makes writers of `target` take turns: "<target>.lock", which keeps its
// identity while the profile is replaced (opened for reading only when another user made it);
// where the folder allows no such file and none exists, the profile itself, whose writes then go
// in place so that it keeps its identity too. -1 (errno: the first refusal) when none opens.
int OpenLockFile(const std::string& target) {
  const std::string lockPath = target + ".lock";
  const struct {
    const char* path;
    int flags;
  } choices[] = {{lockPath.c_str(), O_RDWR | O_CREAT}, {lockPath.c_str(), O_RDONLY}, {target.c_str(), O_RDONLY}};
  int firstError = 0;
  for (const auto& choice : choices) {
    const int fd = ::open(choice.path, choice.flags | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (fd >= 0) return fd;
    if (!firstError) firstError = errno;
  }
  errno = firstError;
  return -1;
}

// An exclusive flock, held until destruction (closing the file releases it). flock belongs to
// the open file, so two threads of one process exclude each other as two processes do.
class WriterLock {
 public:
  explicit WriterLock(const std::string& target) : m_fd(OpenLockFile(target)) {
    m_error = m_fd < 0 ? errno : Acquire();
  }
  WriterLock(const WriterLock&) = delete;
  WriterLock& operator=(const WriterLock&) = delete;
  ~WriterLock() {
    if (m_fd >= 0) ::close(m_fd);
  }
  int Error() const { return m_error; }

 private:
  int Acquire() const {
    const auto deadline = std::chrono::steady_clock::now() + kLockPatience;
    while (::flock(m_fd, LOCK_EX | LOCK_NB) != 0) {
      if (errno != EWOULDBLOCK && errno != EINTR) return errno;
      if (std::chrono::steady_clock::now() >= deadline) return EWOULDBLOCK;
      std::this_thread::sleep_for(kLockRetry);
    }
    return 0;
  }

  int m_fd;
  int m_error = 0;
};

}  // namespace

bool ProfileFile::Load(const char* path) {
  std::string bytes;
  const bool readable = path && ReadWholeFile(path, bytes) == 0;
  *this = ProfileFile(readable ? std::move(bytes) : std::string());
  return readable;
}

int ProfileFile::Update(const char* path, const std::function<bool(ProfileFile&)>& edit) {
  if (!path || !*path) return ENOENT;
  if (const int error = RefuseOtherThanFile(path)) return error;  // before a lock file is made for it
  std::string target;
  if (const int error = LinkTarget(path, target)) return error;
  const WriterLock lock(target);
  if (lock.Error()) return lock.Error();
  std::string bytes;
  if (const int error = ReadWholeFile(target.c_str(), bytes)) return error;
  ProfileFile profile(std::move(bytes));
  if (!edit(profile)) return 0;
  const int error = WriteProfile(target, profile.Serialize());
  if (!error) ++g_writeCount;
  return error;
}

std::uint64_t ProfileFile::WriteCount() { return g_writeCount.load(); }

ProfileFile::DiskCalls ProfileFile::SetDiskCalls(DiskCalls calls) {
  const DiskCalls previous = g_diskCalls;
  g_diskCalls = calls;
  return previous;
}
