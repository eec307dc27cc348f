#include "tools/MapsCommand.h"

#include <iomanip>
#include <iterator>
#include <optional>
#include <ostream>

#include "constmap/ObConstMap.h"
#include "platform/CString.h"
#include "tools/LanguageOption.h"

const char kMapsUsage[] = "vudoda maps [KIND] [--language N]";

namespace {

constexpr const char* kCommand = "maps";
constexpr CommandLine::Option kOptions[] = {LanguageOption::kOption};

constexpr int kFirstKind = 2;
// The kinds' names, from kFirstKind on.
constexpr const char* kKindNames[] = {
    "CMAP_MODEL",         "CMAP_AC_FILTER",       "CMAP_ADMIT_STATUS", "CMAP_ADMIT_TYPE",
    "CMAP_GENDER",        "CMAP_HEIGHT_UNIT",     "CMAP_WEIGHT_UNIT",  "CMAP_ALARM_LEVEL",
    "CMAP_ON_OFF",        "CMAP_COLOR",           "CMAP_ECG_LEAD",     "CMAP_ECG_GAIN",
    "CMAP_ECG_SPEED",     "CMAP_ECG_FILTER",      "CMAP_NIBP_CUFF",    "CMAP_NIBP_INTERVAL",
    "CMAP_NIBP_SOURCE",   "CMAP_NIBP_UNIT",       "CMAP_TEMP_UNIT",    "CMAP_PACEMAKER",
    "CMAP_ECG_ALARM",     "CMAP_SPO2_ALARM",      "CMAP_FHR1_ALARM",   "CMAP_FHR2_ALARM",
    "CMAP_FECG_ALARM",    "CMAP_FSPO2_ALARM",     "CMAP_UC_ALARM",     "CMAP_IUP_ALARM",
    "CMAP_NIBP_ALARM",    "CMAP_TEMP_ALARM",      "CMAP_WAVE",         "CMAP_LANGUAGE",
    "CMAP_AUTO_RECORD_STOP", "CMAP_TREND_SPEED",  "CMAP_DELAY_TIME",   "CMAP_LEVEL_9",
    "CMAP_LEVEL_5",       "CMAP_MANUAL_AUTO",     "CMAP_OFFSET",       "CMAP_SIGNED_OFFSET",
    "CMAP_MONITORING_MODE",
};
constexpr int kLastKind = kFirstKind + static_cast<int>(std::size(kKindNames)) - 1;

// The kind that `text` names by number or by name, with or without "CMAP_", in any case.
std::optional<int> ParseKind(const std::string& text) {
  if (const std::optional<std::uint64_t> number = ParseUnsigned(text, kLastKind)) {
    if (*number >= kFirstKind) return static_cast<int>(*number);
    return std::nullopt;
  }
  for (int kind = kFirstKind; kind <= kLastKind; ++kind) {
    const CString name = kKindNames[kind - kFirstKind];
    if (name.CompareNoCase(text.c_str()) == 0 || name.Mid(5).CompareNoCase(text.c_str()) == 0) return kind;
  }
  return std::nullopt;
}

std::string Quoted(const CString& text) {
  std::string quoted = "\"";
  for (const char ch : text.str()) {
    if (ch == '"' || ch == '\\') quoted += '\\';
    quoted += ch;
  }
  return quoted + '"';
}

void PrintMap(int kind, std::ostream& out) {
  const auto type = static_cast<ObConstMap::CMAP_TYPE>(kind);
  const int size = ObConstMap::GetMapSize(type);
  out << kKindNames[kind - kFirstKind] << " (" << kind << "): ";
  if (size == 0) {
    out << "no table\n";
    return;
  }
  out << size << (size == 1 ? " row\n" : " rows\n");
  for (int index = 0; index < size; ++index) {
    out << "  " << std::right << std::setw(3) << ObConstMap::GetMapConst(type, index) << "  "
        << ObConstMap::GetMapStringId(type, index) << "  " << Quoted(ObConstMap::GetMapText(type, index)) << '\n';
  }
}

}  // namespace

int RunMaps(std::span<const std::string> args, ToolIo& io) {
  CommandLine line(kOptions);
  if (const std::optional<std::string> fault = line.Parse(args)) {
    return ReportUsageFault(io, kCommand, kMapsUsage, *fault);
  }
  if (line.Operands().size() > 1) return ReportUsageFault(io, kCommand, kMapsUsage, "more than one KIND");
  int first = kFirstKind;
  int last = kLastKind;
  if (!line.Operands().empty()) {
    const std::optional<int> kind = ParseKind(line.Operands().front());
    if (!kind) return ReportUsageFault(io, kCommand, kMapsUsage, "no map kind '" + line.Operands().front() + "'");
    first = last = *kind;
  }
  LanguageOption language;
  if (const std::optional<LanguageOption::Fault> fault = language.Select(line.Value("--language"))) {
    return ReportLanguageFault(io, kCommand, kMapsUsage, *fault);
  }
  for (int kind = first; kind <= last; ++kind) PrintMap(kind, io.out);
  io.out.flush();
  return io.out ? kExitOk : ReportFailure(io, kCommand, "cannot write standard output");
}
