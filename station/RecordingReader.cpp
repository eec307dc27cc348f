#include "station/RecordingReader.h"

#include <filesystem>

#include "platform/CString.h"
#include "station/FhrReader.h"
#include "station/WfdbReader.h"

RecordingReader::~RecordingReader() = default;

std::unique_ptr<RecordingReader> RecordingReader::Open(const std::string& path, std::string& fault) {
  const CString extension(std::filesystem::path(path).extension().string().c_str());
  std::optional<std::string> opened;
  std::unique_ptr<RecordingReader> reader;
  if (extension.CompareNoCase(".fhr") == 0 || extension.CompareNoCase(".fhrm") == 0) {
    auto fhr = std::make_unique<FhrReader>();
    opened = fhr->Open(path, extension.CompareNoCase(".fhrm") == 0);
    reader = std::move(fhr);
  } else if (extension.CompareNoCase(".hea") == 0) {
    auto wfdb = std::make_unique<WfdbReader>();
    opened = wfdb->Open(path);
    reader = std::move(wfdb);
  } else {
    opened = path + ": not a recording this library reads (.fhr, .fhrm or a WFDB header .hea)";
  }
  if (!opened) return reader;
  fault = *opened;
  return nullptr;
}
