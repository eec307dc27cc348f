#include "recording/DurableFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "recording/FileReplacement.h"

namespace {

constexpr unsigned kOwnerOnly = 0600;

std::string Fault(const std::string& doing, const std::string& path) {
  return "cannot " + doing + " " + path + ": " + std::strerror(errno);
}

bool WriteAll(int descriptor, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t written = ::write(descriptor, bytes.data(), bytes.size());
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) return false;
    bytes.remove_prefix(static_cast<std::size_t>(written));
  }
  return true;
}

// Writes `bytes` to the open file and syncs its data; closes it either way.
std::optional<std::string> WriteAndClose(int descriptor, std::string_view bytes, const std::string& path) {
  if (!WriteAll(descriptor, bytes) || ::fdatasync(descriptor) != 0) {
    std::string fault = Fault("write", path);
    ::close(descriptor);
    return fault;
  }
  if (::close(descriptor) != 0) return Fault("close", path);
  return std::nullopt;
}

}  // namespace

std::string DurableFile::FolderOf(const std::string& path) {
  const std::size_t slash = path.find_last_of('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

std::optional<std::string> DurableFile::Sync(const std::string& path) {
  const int descriptor = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (descriptor < 0) return Fault("open", path);
  const bool synced = ::fsync(descriptor) == 0;
  std::optional<std::string> fault = synced ? std::nullopt : std::optional<std::string>(Fault("sync", path));
  ::close(descriptor);
  return fault;
}

std::optional<std::string> DurableFile::WriteWhole(const std::string& path, std::string_view bytes) {
  FileReplacement replacement(path, kOwnerOnly);
  if (std::optional<std::string> fault = replacement.Open()) return fault;
  replacement.Stream().write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  return replacement.Commit();
}

std::optional<std::string> DurableFile::Append(const std::string& path, std::string_view bytes) {
  struct stat status {};
  const bool existed = ::stat(path.c_str(), &status) == 0;
  const int descriptor = ::open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, kOwnerOnly);
  if (descriptor < 0) return Fault("open", path);
  if (std::optional<std::string> fault = WriteAndClose(descriptor, bytes, path)) return fault;
  return existed ? std::nullopt : Sync(FolderOf(path));
}

std::optional<std::string> DurableFile::Rename(const std::string& from, const std::string& to) {
  if (::rename(from.c_str(), to.c_str()) != 0) return Fault("rename " + from + " to", to);
  if (std::optional<std::string> fault = Sync(FolderOf(to))) return fault;
  return FolderOf(from) == FolderOf(to) ? std::nullopt : Sync(FolderOf(from));
}

std::optional<std::string> DurableFile::Remove(const std::string& path) {
  if (::unlink(path.c_str()) != 0 && errno != ENOENT) return Fault("remove", path);
  return Sync(FolderOf(path));
}

std::optional<std::string> DurableFile::Read(const std::string& path, std::string& fault) {
  const int descriptor = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (descriptor < 0) {
    fault = Fault("open", path);
    return std::nullopt;
  }
  std::string bytes;
  char buffer[65536];
  while (true) {
    const ssize_t count = ::read(descriptor, buffer, sizeof buffer);
    if (count < 0 && errno == EINTR) continue;
    if (count < 0) {
      fault = Fault("read", path);
      ::close(descriptor);
      return std::nullopt;
    }
    if (count == 0) break;
    bytes.append(buffer, static_cast<std::size_t>(count));
  }
  ::close(descriptor);
  return bytes;
}
