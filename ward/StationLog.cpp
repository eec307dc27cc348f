#include "ward/StationLog.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <span>

#include "recording/DurableFile.h"
#include "ward/LocalTimeText.h"

namespace {

constexpr const char* kFileName = "station.events";
constexpr mode_t kPrivate = 0600;
// "2026-10-25 02:30:00 +0100"
constexpr std::size_t kStampLength = 25;

}  // namespace

StationLog::StationLog() : m_file(kKeepLimit) {}

std::string StationLog::PathOf(const std::string& dataFolder) {
  return (std::filesystem::path(dataFolder) / kFileName).string();
}

std::optional<std::string> StationLog::Open(const std::string& dataFolder) {
  const std::string path = PathOf(dataFolder);
  const int fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, kPrivate);
  if (fd < 0) return "cannot open the station's event log " + path + ": " + std::strerror(errno);
  struct stat status {};
  if (::fstat(fd, &status) != 0 || ((status.st_mode & 0777) != kPrivate && ::fchmod(fd, kPrivate) != 0)) {
    const std::string fault = "cannot make the station's event log " + path + " private: " + std::strerror(errno);
    ::close(fd);
    return fault;
  }
  m_file.Adopt(fd, path);
  return DurableFile::Sync(DurableFile::FolderOf(path));
}

void StationLog::Write(const std::string& text, std::time_t when) {
  if (!m_file.IsOpen()) return;
  const std::string line = StampText(when) + ' ' + Printable(text) + '\n';
  m_file.Append(std::span(reinterpret_cast<const unsigned char*>(line.data()), line.size()));
}

std::function<std::optional<std::string>()> StationLog::SyncJob() const {
  return [fd = m_file.Descriptor()]() -> std::optional<std::string> {
    if (fd && ::fdatasync(*fd) != 0) return std::string("the station's event log cannot be synced: ") + std::strerror(errno);
    return std::nullopt;
  };
}

std::string StationLog::Printable(const std::string& text) {
  static constexpr char kHexDigits[] = "0123456789ABCDEF";
  std::string printable;
  printable.reserve(text.size());
  for (const char ch : text) {
    const auto byte = static_cast<unsigned char>(ch);
    if (byte < 0x20 || byte == 0x7F) {
      printable += "\\x";
      printable += kHexDigits[byte >> 4];
      printable += kHexDigits[byte & 0x0F];
    } else {
      printable += ch;
    }
  }
  return printable;
}

std::optional<std::time_t> StationLog::StampTime(const std::string& stamp) {
  std::tm wall{};
  char sign = 0;
  int hours = 0;
  int minutes = 0;
  int used = 0;
  if (std::sscanf(stamp.c_str(), "%4d-%2d-%2d %2d:%2d:%2d %c%2d%2d%n", &wall.tm_year, &wall.tm_mon, &wall.tm_mday,
                  &wall.tm_hour, &wall.tm_min, &wall.tm_sec, &sign, &hours, &minutes, &used) != 9 ||
      used != static_cast<int>(kStampLength) || (sign != '+' && sign != '-')) {
    return std::nullopt;
  }
  wall.tm_year -= 1900;
  wall.tm_mon -= 1;
  const long offset = (sign == '-' ? -1 : 1) * (hours * 3600L + minutes * 60L);
  return ::timegm(&wall) - offset;
}

std::vector<StationLog::Line> StationLog::ReadTail(const std::string& dataFolder, std::size_t bytes) {
  std::vector<Line> lines;
  std::ifstream in(PathOf(dataFolder), std::ios::binary);
  if (!in) return lines;
  in.seekg(0, std::ios::end);
  const std::streamoff size = in.tellg();
  const std::streamoff from = size > static_cast<std::streamoff>(bytes) ? size - static_cast<std::streamoff>(bytes) : 0;
  in.seekg(from);
  std::string line;
  if (from > 0) std::getline(in, line);  // the part of a line before the tail
  while (std::getline(in, line)) {
    if (in.eof()) break;  // a line still being written
    if (line.size() <= kStampLength || line[kStampLength] != ' ') continue;
    if (const std::optional<std::time_t> time = StampTime(line.substr(0, kStampLength))) {
      lines.push_back(Line{*time, line.substr(kStampLength + 1)});
    }
  }
  return lines;
}
