#include "ward/StudyRecording.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <vector>

#include "link/LoadKeyedPacket.h"
#include "link/StreamFramer.h"
#include "packet/PKParam_v110.h"
#include "ward/BedNumerics.h"
#include "ward/LocalTimeText.h"

namespace {

constexpr int kSamplesPerSecond = 4;
constexpr unsigned char kNumericsHeader = 0xC1;

// A patient identifier comes from the link: anything but letters, digits, '-' and '_' becomes
// '_', so that no identifier can name a path outside the patient's folder.
std::string FolderName(const std::string& patientId) {
  std::string name = patientId.empty() ? "_" : patientId;
  for (char& ch : name) {
    const bool safe = (ch >= 'a' && ch <= 'z') || (ch >= 'A' && ch <= 'Z') || (ch >= '0' && ch <= '9') ||
                      ch == '-' || ch == '_';
    if (!safe) ch = '_';
  }
  return name;
}

std::string EventsPath(const std::string& linkPath) {
  return linkPath.substr(0, linkPath.size() - std::strlen(".link")) + ".events";
}

int OpenForAppend(const std::string& path) {
  return ::open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600);
}

bool WriteAll(int fd, const unsigned char* data, std::size_t size) {
  while (size > 0) {
    const ssize_t written = ::write(fd, data, size);
    if (written < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    data += written;
    size -= static_cast<std::size_t>(written);
  }
  return true;
}

}  // namespace

StudyRecording::StudyRecording(std::string patientId, std::string studyId)
    : m_patientId(std::move(patientId)), m_studyId(std::move(studyId)) {}

StudyRecording::~StudyRecording() {
  Sync();
  if (m_link >= 0) ::close(m_link);
  if (m_events >= 0) ::close(m_events);
}

std::string StudyRecording::LinkPath(const std::string& dataFolder, const std::string& patientId,
                                     const std::string& studyId) {
  const std::filesystem::path folder = std::filesystem::path(dataFolder) / "Studies" / FolderName(patientId);
  return (folder / (FolderName(studyId) + ".link")).string();
}

std::optional<std::int64_t> StudyRecording::SecondsSinceWritten(const std::string& dataFolder,
                                                                const std::string& patientId,
                                                                const std::string& studyId) {
  struct stat status {};
  if (::stat(LinkPath(dataFolder, patientId, studyId).c_str(), &status) != 0) return std::nullopt;
  return static_cast<std::int64_t>(std::time(nullptr) - status.st_mtime);
}

std::optional<std::string> StudyRecording::Open(const std::string& dataFolder) {
  const std::string linkPath = LinkPath(dataFolder, m_patientId, m_studyId);
  std::error_code error;
  std::filesystem::create_directories(std::filesystem::path(linkPath).parent_path(), error);
  if (error) return "cannot create the folder of " + linkPath + ": " + error.message();
  CountRecorded(linkPath);
  m_link = OpenForAppend(linkPath);
  if (m_link < 0) return "cannot open " + linkPath + ": " + std::strerror(errno);
  m_events = OpenForAppend(EventsPath(linkPath));
  if (m_events < 0) return "cannot open " + EventsPath(linkPath) + ": " + std::strerror(errno);
  return std::nullopt;
}

bool StudyRecording::Append(std::span<const unsigned char> bytes) {
  if (m_fault || m_link < 0) return false;
  if (!WriteAll(m_link, bytes.data(), bytes.size())) {
    m_fault = std::string("the recording cannot be written: ") + std::strerror(errno);
  }
  return !m_fault;
}

void StudyRecording::LogEvent(const std::string& text) {
  if (m_events < 0) return;
  const std::string line = LocalTimeText("%Y-%m-%d %H:%M:%S") + ' ' + text + '\n';
  WriteAll(m_events, reinterpret_cast<const unsigned char*>(line.data()), line.size());
}

void StudyRecording::Sync() {
  if (m_link >= 0) ::fdatasync(m_link);
  if (m_events >= 0) ::fdatasync(m_events);
}

void StudyRecording::CountNumerics(PKParam_v110& numerics) {
  m_samples += BedNumerics::kSamples;
  m_lostSamples += static_cast<std::uint64_t>(BedNumerics::LostSamples(numerics));
}

// The figures stored in the database may lag the recording by a sync interval (or more after
// a crash); the recording itself is the truth, so they are counted from it, as the link came.
void StudyRecording::CountRecorded(const std::string& linkPath) {
  std::ifstream in(linkPath, std::ios::binary);
  StreamFramer framer([this](const FrameEvent& event) {
    if (event.type != FrameEvent::Type::Packet || event.kind->typeHeader != kNumericsHeader) return;
    PKParam_v110 numerics;
    if (LoadKeyedPacket(numerics, event.bytes)) CountNumerics(numerics);
  });
  std::vector<unsigned char> chunk(64 * 1024);
  while (in.read(reinterpret_cast<char*>(chunk.data()), static_cast<std::streamsize>(chunk.size())) ||
         in.gcount() > 0) {
    framer.Feed(std::span(chunk).first(static_cast<std::size_t>(in.gcount())));
  }
}

long StudyRecording::LengthSeconds() const { return static_cast<long>(m_samples / kSamplesPerSecond); }

long StudyRecording::LossSeconds() const { return static_cast<long>(m_lostSamples / kSamplesPerSecond); }
