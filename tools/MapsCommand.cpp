#include "tools/MapsCommand.h"

#include <CLI/CLI.hpp>
#include <charconv>
#include <iomanip>
#include <iterator>
#include <memory>
#include <optional>
#include <ostream>

#include "constmap/ObConstMap.h"
#include "platform/CString.h"
#include "tools/LanguageOption.h"

namespace {

constexpr const char* kCommand = "maps";

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
  int number = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number);
  if (error == std::errc() && end == text.data() + text.size()) {
    if (number >= kFirstKind && number <= kLastKind) return number;
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

void DefineMaps(CLI::App& command, CommandRun& run) {
  const auto options = std::make_shared<MapsOptions>();
  // The kind goes in as its number, whichever way it was named.
  const CLI::Validator kindCheck(
      [](std::string& text) {
        const std::optional<int> kind = ParseKind(text);
        if (!kind) return "no map kind '" + text + "'";
        text = std::to_string(*kind);
        return std::string();
      },
      "", "map kind");
  command.add_option("KIND", options->kind, "the one map to list: its number 2-42 or its name (ECG_GAIN)")
      ->transform(kindCheck);
  LanguageOption::Define(command, options->language);
  command.callback([options, &run] { run.exitCode = RunMaps(*options, run.io); });
}

int RunMaps(const MapsOptions& options, ToolIo& io) {
  LanguageOption language;
  if (const std::optional<std::string> fault = language.Select(options.language)) {
    return ReportFailure(io, kCommand, *fault);
  }
  const bool all = options.kind == 0;
  for (int kind = all ? kFirstKind : options.kind; kind <= (all ? kLastKind : options.kind); ++kind) {
    PrintMap(kind, io.out);
  }
  return FinishOutput(io, kCommand);
}
