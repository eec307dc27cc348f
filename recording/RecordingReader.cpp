#include "recording/RecordingReader.h"

#include <filesystem>

#include "platform/CString.h"
#include "recording/CsvReader.h"
#include "recording/FhrReader.h"
#include "recording/WfdbReader.h"

namespace {

enum class RecordingKind { Fhr, Fhrm, Wfdb, Csv };

std::optional<RecordingKind> KindOf(const std::string& path) {
  const CString extension(std::filesystem::path(path).extension().string().c_str());
  if (extension.CompareNoCase(".fhr") == 0) return RecordingKind::Fhr;
  if (extension.CompareNoCase(".fhrm") == 0) return RecordingKind::Fhrm;
  if (extension.CompareNoCase(".hea") == 0) return RecordingKind::Wfdb;
  if (extension.CompareNoCase(".csv") == 0) return RecordingKind::Csv;
  return std::nullopt;
}

}  // namespace

RecordingReader::~RecordingReader() = default;

bool RecordingReader::Reads(const std::string& path) { return KindOf(path).has_value(); }

std::unique_ptr<RecordingReader> RecordingReader::Open(const std::string& path, std::string& fault) {
  const std::optional<RecordingKind> kind = KindOf(path);
  std::optional<std::string> opened;
  std::unique_ptr<RecordingReader> reader;
  if (kind == RecordingKind::Wfdb) {
    auto wfdb = std::make_unique<WfdbReader>();
    opened = wfdb->Open(path);
    reader = std::move(wfdb);
  } else if (kind == RecordingKind::Csv) {
    auto csv = std::make_unique<CsvReader>();
    opened = csv->Open(path);
    reader = std::move(csv);
  } else if (kind) {
    auto fhr = std::make_unique<FhrReader>();
    opened = fhr->Open(path, kind == RecordingKind::Fhrm);
    reader = std::move(fhr);
  } else {
    opened = path + ": not a recording this library reads (.fhr, .fhrm, a WFDB header .hea or .csv)";
  }
  if (!opened) return reader;
  fault = *opened;
  return nullptr;
}
