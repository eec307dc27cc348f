#include "hospital/EmrFolder.h"

#include <sys/stat.h>

#include <cstdio>
#include <ctime>
#include <fstream>
#include <memory>

#include "platform/CodePage.h"
#include "recording/RecordingReader.h"
#include "strip/LinkStrip.h"
#include "strip/RecordingStrip.h"
#include "strip/StripSurface.h"

namespace {

struct ImageType {
  int code;
  const char* extension;
  StripFormat format;
};

constexpr ImageType kImageTypes[] = {
    {0, "pdf", StripFormat::Pdf}, {1, "png", StripFormat::Png}, {2, "svg", StripFormat::Svg}};

const ImageType* ImageTypeOf(int code) {
  for (const ImageType& type : kImageTypes)
    if (type.code == code) return &type;
  return nullptr;
}

// `text` (station code page) as a part of a file name: UTF-8, every byte but A-Z, a-z, 0-9
// and "-" as %XX.
std::string NamePart(const std::string& text) {
  std::string utf8;
  if (!AnsiToUtf8(text, utf8)) utf8 = text;  // the bytes themselves, escaped below
  std::string part;
  for (char c : utf8) {
    const auto byte = static_cast<unsigned char>(c);
    if ((byte >= 'A' && byte <= 'Z') || (byte >= 'a' && byte <= 'z') || (byte >= '0' && byte <= '9') || c == '-') {
      part.push_back(c);
    } else {
      char escaped[4];
      std::snprintf(escaped, sizeof escaped, "%%%02X", byte);
      part += escaped;
    }
  }
  return part;
}

// "YYYYMMDDTHHMMSS+hhmm" in local wall time.
std::string LocalStamp(std::chrono::system_clock::time_point instant) {
  const std::time_t seconds = std::chrono::system_clock::to_time_t(instant);
  std::tm local{};
  ::localtime_r(&seconds, &local);
  const long offset = local.tm_gmtoff / 60;
  const long magnitude = offset < 0 ? -offset : offset;
  char stamp[80];
  std::snprintf(stamp, sizeof stamp, "%04d%02d%02dT%02d%02d%02d%c%02ld%02ld", local.tm_year + 1900, local.tm_mon + 1,
                local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec, offset < 0 ? '-' : '+', magnitude / 60,
                magnitude % 60);
  return stamp;
}

std::optional<std::string> Draw(const EmrStudy& study, StripSurface& surface, const StripLayout& layout,
                                const StripHeader& header) {
  if (!RecordingReader::Reads(study.recordingPath)) {
    std::ifstream in(study.recordingPath, std::ios::binary);
    if (!in) return "cannot open the recording " + study.recordingPath;
    return LinkStrip(surface, layout, StripColors::Paper(), header).Draw(in, false);
  }
  std::string fault;
  const std::unique_ptr<RecordingReader> reader = RecordingReader::Open(study.recordingPath, fault);
  if (!reader) return fault;
  return RecordingStrip(surface, layout, StripColors::Paper(), header).Draw(*reader);
}

}  // namespace

EmrFolder::EmrFolder(EmrFolderOptions options, Offload offload)
    : m_options(std::move(options)), m_offload(std::move(offload)) {}

std::optional<std::string> EmrFolder::ExtensionOf(int imageType) {
  const ImageType* type = ImageTypeOf(imageType);
  return type ? std::optional<std::string>(type->extension) : std::nullopt;
}

std::string EmrFolder::FileName(const EmrStudy& study, const std::string& extension) {
  return NamePart(study.patientId) + "_" + NamePart(study.studyId) + "_" + LocalStamp(study.start) + "." + extension;
}

std::optional<std::string> EmrFolder::Write(const EmrFolderOptions& options, const EmrStudy& study,
                                            std::vector<std::string>& files) {
  files.clear();
  const ImageType* type = ImageTypeOf(options.imageType);
  if (!type) {
    return "EMR Image Type " + std::to_string(options.imageType) + " is not one of 0 (PDF), 1 (PNG), 2 (SVG)";
  }
  struct stat status {};
  if (options.folder.empty()) return "no EMR Data Path is configured";
  if (::stat(options.folder.c_str(), &status) != 0 || !S_ISDIR(status.st_mode)) {
    return "the EMR Data Path " + options.folder + " is not a folder";
  }
  const std::string target = options.folder + "/" + FileName(study, type->extension);
  const StripLayout layout(options.speedCode, StripLayout::DefaultBpmPerCm(options.speedCode), StripPaper::A4);
  // Each page's file is put in place whole, or not at all (StripSurface, FileReplacement).
  StripSurface surface(target, type->format, layout.PageWidth(), layout.PageHeight());
  if (std::optional<std::string> fault = surface.Open()) return fault;
  const StripHeader header{options.hospitalName, study.patientName, study.patientId, study.studyId};
  if (std::optional<std::string> fault = Draw(study, surface, layout, header)) return study.recordingPath + ": " + *fault;
  files = surface.Files();
  return std::nullopt;
}

void EmrFolder::Export(EmrStudy study, Done done) {
  struct Result {
    std::optional<std::string> fault;
    std::vector<std::string> files;
  };
  auto result = std::make_shared<Result>();
  m_offload([options = m_options, study = std::move(study), result] {
    result->fault = Write(options, study, result->files);
  },
            [result, done = std::move(done)] { done(result->fault, result->files); });
}
