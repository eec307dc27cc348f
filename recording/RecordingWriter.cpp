#include "recording/RecordingWriter.h"

#include "recording/CsvWriter.h"
#include "recording/FhrWriter.h"
#include "recording/WfdbWriter.h"

RecordingWriter::~RecordingWriter() = default;

std::unique_ptr<RecordingWriter> RecordingWriter::Create(const std::string& format, std::ostream& out,
                                                         const std::string& recordPath, std::string& fault) {
  if (format == "fhr" || format == "fhrm") return std::make_unique<FhrWriter>(out, format == "fhrm");
  if (format == "csv") return std::make_unique<CsvWriter>(out);
  if (format != "wfdb") {
    fault = "no recording format '" + format + "' (fhr, fhrm, wfdb, csv)";
    return nullptr;
  }
  if (recordPath.empty()) {
    fault = "a WFDB record is two files: it needs a path, not standard output";
    return nullptr;
  }
  auto wfdb = std::make_unique<WfdbWriter>();
  if (std::optional<std::string> created = wfdb->Create(recordPath)) {
    fault = *created;
    return nullptr;
  }
  return wfdb;
}
