#include "recording/DurableFile.h"
#include "ward/StudyRecording.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <vector>

#include "link/LoadKeyedPacket.h"
#include "link/StreamFramer.h"
#include "packet/PKParam_v110.h"
#include "ward/BedNumerics.h"
#include "ward/LocalTimeText.h"
#include "ward/PrivateFolder.h"
#include "ward/RecordingName.h"

namespace fs = std::filesystem;

namespace {

constexpr int kSamplesPerSecond = 4;
constexpr unsigned char kNumericsHeader = 0xC1;
constexpr std::size_t kEventsKeepLimit = 64 * 1024;
constexpr const char* kLinkSuffix = ".link";
constexpr const char* kEventsSuffix = ".events";

std::string Errno() { return std::strerror(errno); }

std::string EventsPath(const std::string& linkPath) {
  return linkPath.substr(0, linkPath.size() - std::strlen(kLinkSuffix)) + kEventsSuffix;
}

// `text` in double quotes, a quote or backslash escaped by a backslash and a control byte as
// \xHH, so that an owner line is one line whatever the identifiers hold.
std::string Quoted(const std::string& text) {
  static constexpr char kHexDigits[] = "0123456789ABCDEF";
  std::string quoted = "\"";
  for (const char ch : text) {
    const auto byte = static_cast<unsigned char>(ch);
    if (ch == '"' || ch == '\\') {
      quoted += '\\';
      quoted += ch;
    } else if (byte < 0x20 || byte == 0x7F) {
      quoted += "\\x";
      quoted += kHexDigits[byte >> 4];
      quoted += kHexDigits[byte & 0x0F];
    } else {
      quoted += ch;
    }
  }
  return quoted + '"';
}

std::string OwnerOf(const std::string& patientId, const std::string& studyId) {
  return "study " + Quoted(studyId) + " of patient " + Quoted(patientId) + " from monitor ";
}

std::optional<std::string> MakeStudyFolders(const fs::path& patientFolder) {
  std::error_code error;
  const fs::path studies = patientFolder.parent_path();
  fs::create_directories(studies.parent_path(), error);
  if (error) return "cannot create the data folder " + studies.parent_path().string() + ": " + error.message();
  if (auto fault = MakePrivateFolder(studies)) return fault;
  return MakePrivateFolder(patientFolder);
}

std::string FirstLine(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::string line;
  std::getline(in, line);
  return line;
}

bool WriteWhole(int fd, const std::string& text) {
  return ::write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size());
}

int OpenToAppend(const std::string& path, int flags) {
  return ::open(path.c_str(), O_WRONLY | O_APPEND | O_CLOEXEC | flags, 0600);
}

using OpenFault = StudyRecording::OpenFault;

OpenFault Fault(OpenFault::Kind kind, std::string text) { return OpenFault{kind, std::move(text)}; }

// Whether the events file at `eventsPath` says the recording is the study's of `owner`; the
// fault otherwise. `monitor` is the whole owner line's end; empty: any monitor.
std::optional<OpenFault> CheckOwner(const std::string& eventsPath, const std::string& owner,
                                    const std::string& monitor) {
  const std::string line = FirstLine(eventsPath);
  if (!line.starts_with(owner)) {
    return Fault(OpenFault::Kind::Foreign, eventsPath + " does not name this study as its owner");
  }
  if (!monitor.empty() && line.substr(owner.size()) != monitor) {
    return Fault(OpenFault::Kind::OtherMonitor, "the study was recorded from monitor " + line.substr(owner.size()));
  }
  return std::nullopt;
}

}  // namespace

StudyRecording::StudyRecording(std::string patientId, std::string studyId)
    : m_patientId(std::move(patientId)),
      m_studyId(std::move(studyId)),
      m_link(kKeepLimit, kBufferLimit),
      m_events(kEventsKeepLimit) {}

StudyRecording::~StudyRecording() { Flush(); }

std::string StudyRecording::LinkPath(const std::string& dataFolder, const std::string& patientId,
                                     const std::string& studyId) {
  const fs::path folder = fs::path(dataFolder) / "Studies" / RecordingName::Of(patientId);
  return (folder / (RecordingName::Of(studyId) + kLinkSuffix)).string();
}

std::optional<std::time_t> StudyRecording::LastWritten(const std::string& dataFolder, const std::string& patientId,
                                                       const std::string& studyId) {
  struct stat status {};
  if (::stat(LinkPath(dataFolder, patientId, studyId).c_str(), &status) != 0) return std::nullopt;
  return status.st_mtime;
}

std::optional<StudyRecording::Figures> StudyRecording::Count(const std::string& dataFolder,
                                                            const std::string& patientId,
                                                            const std::string& studyId) {
  const std::string linkPath = LinkPath(dataFolder, patientId, studyId);
  if (CheckOwner(EventsPath(linkPath), OwnerOf(patientId, studyId), "") || !fs::exists(linkPath)) {
    return std::nullopt;
  }
  StudyRecording recording(patientId, studyId);
  recording.CountRecorded(linkPath);
  return Figures{recording.LengthSeconds(), recording.LossSeconds()};
}

std::optional<OpenFault> StudyRecording::Open(const std::string& dataFolder, Opening opening,
                                              const std::string& monitor) {
  const std::string linkPath = LinkPath(dataFolder, m_patientId, m_studyId);
  if (auto fault = MakeStudyFolders(fs::path(linkPath).parent_path())) {
    return Fault(OpenFault::Kind::Failed, *fault);
  }
  if (opening == Opening::New) return OpenNew(linkPath, OwnerOf(m_patientId, m_studyId) + Quoted(monitor) + '\n');
  return OpenExisting(linkPath, monitor);
}

// Both files are made here or not at all; the owner line and the folder's new entries reach the
// disk before the study is used.
std::optional<OpenFault> StudyRecording::OpenNew(const std::string& linkPath, const std::string& ownerLine) {
  const std::string eventsPath = EventsPath(linkPath);
  const int link = OpenToAppend(linkPath, O_CREAT | O_EXCL);
  if (link < 0) {
    const auto kind = errno == EEXIST ? OpenFault::Kind::Exists : OpenFault::Kind::Failed;
    return Fault(kind, "cannot create " + linkPath + ": " + Errno());
  }
  const int events = OpenToAppend(eventsPath, O_CREAT | O_EXCL);
  const auto kind = events < 0 && errno == EEXIST ? OpenFault::Kind::Exists : OpenFault::Kind::Failed;
  std::optional<OpenFault> fault;
  if (events < 0) {
    fault = Fault(kind, "cannot create " + eventsPath + ": " + Errno());
  } else if (!WriteWhole(events, ownerLine) || ::fdatasync(events) != 0 || ::fsync(link) != 0 ||
             DurableFile::Sync(fs::path(linkPath).parent_path())) {
    fault = Fault(OpenFault::Kind::Failed, "cannot begin the recording " + linkPath + ": " + Errno());
    ::close(events);
    ::unlink(eventsPath.c_str());
  }
  if (fault) {
    ::close(link);
    ::unlink(linkPath.c_str());
    return fault;
  }
  m_link.Adopt(link, linkPath);
  m_events.Adopt(events, eventsPath);
  return std::nullopt;
}

std::optional<OpenFault> StudyRecording::OpenExisting(const std::string& linkPath, const std::string& monitor) {
  const std::string eventsPath = EventsPath(linkPath);
  if (auto fault = CheckOwner(eventsPath, OwnerOf(m_patientId, m_studyId), Quoted(monitor))) return fault;
  const int link = OpenToAppend(linkPath, 0);
  if (link < 0) {
    const auto kind = errno == ENOENT ? OpenFault::Kind::Foreign : OpenFault::Kind::Failed;
    return Fault(kind, "cannot open " + linkPath + ": " + Errno());
  }
  const int events = OpenToAppend(eventsPath, 0);
  if (events < 0) {
    ::close(link);
    return Fault(OpenFault::Kind::Failed, "cannot open " + eventsPath + ": " + Errno());
  }
  m_link.Adopt(link, linkPath);
  m_events.Adopt(events, eventsPath);
  CountRecorded(linkPath);
  return std::nullopt;
}

void StudyRecording::Append(std::span<const unsigned char> bytes, Samples samples) {
  if (m_link.Append(bytes) == AppendOnlyFile::Outcome::Dropped) return;
  m_waitingSamples.push_back(samples);
  CountWritten();
}

void StudyRecording::Flush() {
  m_link.Flush();
  CountWritten();
  m_events.Flush();
}

std::uint64_t StudyRecording::Unwritten() const {
  return m_link.Waiting() + m_link.DroppedBytes();
}

std::optional<std::string> StudyRecording::TakeChange() {
  if (m_link.Failing() == m_toldFailing) return std::nullopt;
  m_toldFailing = m_link.Failing();
  if (m_toldFailing) {
    return "the recording cannot be written (" + m_link.Fault() + "): up to " +
           std::to_string(kKeepLimit / (1024 * 1024)) + " MiB of the link wait in memory until it can";
  }
  std::string told = "the recording is written again, with the " + std::to_string(m_link.KeptBytes()) +
                     " bytes of the link that waited";
  if (m_link.DroppedBytes() > 0) {
    told += "; " + std::to_string(m_link.DroppedBytes()) + " bytes beyond what could wait are not recorded";
  }
  m_link.ClearCounts();
  return told;
}

void StudyRecording::LogEvent(const std::string& text, std::time_t instant) {
  if (!m_events.IsOpen()) return;
  const std::string line = StampText(instant) + ' ' + text + '\n';
  m_events.Append(std::span(reinterpret_cast<const unsigned char*>(line.data()), line.size()));
}

std::function<std::optional<std::string>()> StudyRecording::SyncJob() const {
  std::vector<std::shared_ptr<const int>> files;
  for (auto fd : {m_link.Descriptor(), m_events.Descriptor()}) {
    if (fd) files.push_back(std::move(fd));
  }
  return [files = std::move(files), studyId = m_studyId] { return Sync(studyId, files); };
}

std::optional<std::string> StudyRecording::Sync(const std::string& studyId,
                                                const std::vector<std::shared_ptr<const int>>& files) {
  for (const auto& fd : files) {
    if (::fdatasync(*fd) != 0) return "the recording of study " + studyId + " cannot be synced: " + Errno();
  }
  return std::nullopt;
}

std::vector<std::shared_ptr<const int>> StudyRecording::TakeUnsynced() {
  std::vector<std::shared_ptr<const int>> grown;
  for (AppendOnlyFile* file : {&m_link, &m_events}) {
    if (auto fd = file->TakeGrown()) grown.push_back(std::move(fd));
  }
  return grown;
}

// The figures count a piece once it is in the link file.
void StudyRecording::CountWritten() {
  for (; m_countedPieces < m_link.WrittenPieces(); ++m_countedPieces) {
    CountIn(m_waitingSamples.front());
    m_waitingSamples.pop_front();
  }
}

void StudyRecording::CountIn(const Samples& samples) {
  m_samples += static_cast<std::uint64_t>(samples.count);
  m_lostSamples += static_cast<std::uint64_t>(samples.lost);
}

// The figures stored in the database may lag the recording by a sync interval (or more after
// a crash); the recording itself is the truth, so they are counted from it, as the link came.
void StudyRecording::CountRecorded(const std::string& linkPath) {
  std::ifstream in(linkPath, std::ios::binary);
  StreamFramer framer([this](const FrameEvent& event) {
    if (event.type != FrameEvent::Type::Packet || event.kind->typeHeader != kNumericsHeader) return;
    PKParam_v110 numerics;
    if (LoadKeyedPacket(numerics, event.bytes)) CountIn({BedNumerics::kSamples, BedNumerics::LostSamples(numerics)});
  });
  std::vector<unsigned char> chunk(64 * 1024);
  while (in.read(reinterpret_cast<char*>(chunk.data()), static_cast<std::streamsize>(chunk.size())) ||
         in.gcount() > 0) {
    framer.Feed(std::span(chunk).first(static_cast<std::size_t>(in.gcount())));
  }
}

long StudyRecording::LengthSeconds() const { return static_cast<long>(m_samples / kSamplesPerSecond); }

long StudyRecording::LossSeconds() const { return static_cast<long>(m_lostSamples / kSamplesPerSecond); }
