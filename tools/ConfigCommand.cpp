#include "tools/ConfigCommand.h"

#include <charconv>
#include <optional>
#include <ostream>

#include "config/ObexConfig.h"
#include "config/LanguageLibrary.h"
#include "config/ObexConfigKeys.h"
#include "constmap/ObConstMap.h"
#include "qnutil/QnGF.h"
#include "tools/LanguageOption.h"

const char kConfigUsage[] = "vudoda config [show | get KEY | set KEY VALUE | reset] [--file PATH]";

namespace {

constexpr const char* kCommand = "config";
constexpr CommandLine::Option kOptions[] = {{"--file", true}};

using TextOfCode = CString (*)(long code);

template <ObConstMap::CMAP_TYPE kind>
CString MapTextOf(long code) {
  return ObConstMap::GetMapTextByConst(kind, code);
}

// A language's name text has the string id 10067 plus its number (1-14).
CString LanguageName(long code) {
  constexpr long kFirst = 1, kLast = 14, kNameIdBase = 10067;
  return code >= kFirst && code <= kLast ? QnGF::GetString(static_cast<UINT>(kNameIdBase + code)) : CString();
}

// The coded keys and the texts of their codes; the other keys hold plain numbers or texts.
struct CodedKey {
  const char* key;
  TextOfCode text;
};
constexpr CodedKey kCodedKeys[] = {
    {"Auto Record Stop", &MapTextOf<ObConstMap::CMAP_AUTO_RECORD_STOP>},
    {"Language", &LanguageName},
    {"Height Unit", &MapTextOf<ObConstMap::CMAP_HEIGHT_UNIT>},
    {"Weight Unit", &MapTextOf<ObConstMap::CMAP_WEIGHT_UNIT>},
    {"NIBP Unit", &MapTextOf<ObConstMap::CMAP_NIBP_UNIT>},
    {"Temp Unit", &ObConstMap::GetTempUnitText},
    {"Sweep Speed", &MapTextOf<ObConstMap::CMAP_ECG_SPEED>},
    {"Trend Speed", &MapTextOf<ObConstMap::CMAP_TREND_SPEED>},
    {"ECG Gain", &MapTextOf<ObConstMap::CMAP_ECG_GAIN>},
    {"FECG Gain", &MapTextOf<ObConstMap::CMAP_ECG_GAIN>},
    {"FHR1 Delay Time", &MapTextOf<ObConstMap::CMAP_DELAY_TIME>},
    {"FHR2 Delay Time", &MapTextOf<ObConstMap::CMAP_DELAY_TIME>},
    {"Review Sweep Speed", &MapTextOf<ObConstMap::CMAP_ECG_SPEED>},
    {"Review Trend Speed", &MapTextOf<ObConstMap::CMAP_TREND_SPEED>},
    {"Review ECG Gain", &MapTextOf<ObConstMap::CMAP_ECG_GAIN>},
    {"Review FECG Gain", &MapTextOf<ObConstMap::CMAP_ECG_GAIN>},
};

const ObexConfigKey* FindKey(const std::string& name) {
  for (const ObexConfigKey& key : GetObexConfigKeys()) {
    if (CString(key.key).CompareNoCase(name.c_str()) == 0) return &key;
  }
  return nullptr;
}

std::optional<TextOfCode> CodeText(const ObexConfigKey& key) {
  for (const CodedKey& coded : kCodedKeys) {
    if (std::string_view(coded.key) == std::string_view(key.key)) return coded.text;
  }
  return std::nullopt;
}

std::string ValueOf(ObexConfig& config, const ObexConfigKey& key) {
  return key.number ? std::to_string(config.*key.number) : (config.*key.text).str();
}

// The value with its map text in the current language, e.g. "5 (LANG_GER)".
std::string ShownValue(ObexConfig& config, const ObexConfigKey& key) {
  std::string shown = ValueOf(config, key);
  if (const std::optional<TextOfCode> text = CodeText(key)) {
    CString mapText = (*text)(config.*key.number);
    mapText.TrimRight();
    shown += " (" + (mapText.IsEmpty() ? std::string("no such code") : mapText.str()) + ")";
  }
  return shown;
}

void Show(ObexConfig& config, const std::string& file, bool opened, std::ostream& out) {
  out << "# " << file << (opened ? "" : " does not exist: the factory defaults") << '\n';
  // The texts of the file's own language, as the station would show them after a restart.
  LanguageOption language;
  if (GetLanguageLibraryName(config.m_nLanguage)) language.Select(std::to_string(config.m_nLanguage));
  std::string_view section;
  for (const ObexConfigKey& key : GetObexConfigKeys()) {
    if (section != std::string_view(key.section)) out << '[' << (section = key.section) << "]\n";
    out << "  " << key.key << " = " << ShownValue(config, key) << '\n';
  }
}

// Stores `value` in the member of `key`; the fault, or nullopt.
std::optional<std::string> Assign(ObexConfig& config, const ObexConfigKey& key, const std::string& value) {
  if (key.text) {
    if (value.find_first_of("\r\n") != std::string::npos) return std::string("a value holds no line break");
    config.*key.text = value.c_str();
    return std::nullopt;
  }
  int number = 0;
  const auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), number);
  if (error != std::errc() || end != value.data() + value.size()) {
    return std::string(key.key) + " takes a whole number, not '" + value + "'";
  }
  config.*key.number = number;
  return std::nullopt;
}

int SaveOrFail(ObexConfig& config, const std::string& file, ToolIo& io) {
  if (!config.Save(file.c_str())) return ReportFailure(io, kCommand, "cannot create " + file);
  return kExitOk;
}

}  // namespace

int RunConfig(std::span<const std::string> args, ToolIo& io) {
  CommandLine line(kOptions);
  if (std::optional<std::string> fault = line.Parse(args)) return ReportUsageFault(io, kCommand, kConfigUsage, *fault);
  const std::vector<std::string>& operands = line.Operands();
  const std::string action = operands.empty() ? "show" : operands.front();
  const std::size_t expected = action == "get" ? 2 : action == "set" ? 3 : 1;
  if ((action != "show" && action != "get" && action != "set" && action != "reset") ||
      (!operands.empty() && operands.size() != expected)) {
    return ReportUsageFault(io, kCommand, kConfigUsage, "expected show, get KEY, set KEY VALUE or reset");
  }
  const ObexConfigKey* key = expected > 1 ? FindKey(operands[1]) : nullptr;
  if (expected > 1 && !key) return ReportUsageFault(io, kCommand, kConfigUsage, "no key named '" + operands[1] + "'");

  const std::string file = line.Value("--file").value_or(QnGF::MakePath(nullptr, "Maternis.ini").str());
  ObexConfig config;
  const bool opened = config.Open(file.c_str()) == 1;
  if (action == "show") {
    Show(config, file, opened, io.out);
  } else if (action == "get") {
    io.out << ValueOf(config, *key) << '\n';
  } else if (action == "set") {
    if (std::optional<std::string> fault = Assign(config, *key, operands[2])) {
      return ReportUsageFault(io, kCommand, kConfigUsage, *fault);
    }
    return SaveOrFail(config, file, io);
  } else {
    config.Default();
    return SaveOrFail(config, file, io);
  }
  return kExitOk;
}
