#include "tools/ConfigCommand.h"

#include <CLI/CLI.hpp>
#include <cerrno>
#include <charconv>
#include <cstring>
#include <memory>
#include <optional>
#include <ostream>

#include "config/LanguageLibrary.h"
#include "config/ObexConfig.h"
#include "config/ObexConfigKeys.h"
#include "constmap/ObConstMap.h"
#include "platform/Profile.h"
#include "qnutil/QnGF.h"
#include "tools/LanguageOption.h"

namespace {

constexpr const char* kCommand = "config";
constexpr int kEnglish = 3;

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

// The language of the texts: the one asked for, or the file's own as the station would show it
// after a restart (English when the file names no language or its library cannot be loaded).
// The fault when the asked language cannot be loaded.
std::optional<std::string> SelectShownLanguage(const ObexConfig& config, int asked, LanguageOption& language) {
  if (asked != LanguageOption::kNotGiven) return language.Select(asked);
  const bool named = config.m_nLanguage == kEnglish || GetLanguageLibraryName(config.m_nLanguage);
  if (!named || language.Select(config.m_nLanguage)) language.Select(kEnglish);
  return std::nullopt;
}

void Show(ObexConfig& config, const std::string& file, bool opened, std::ostream& out) {
  out << "# " << file << (opened ? "" : " does not exist: the factory defaults") << '\n';
  std::string_view section;
  for (const ObexConfigKey& key : GetObexConfigKeys()) {
    if (section != std::string_view(key.section)) out << '[' << (section = key.section) << "]\n";
    out << "  " << key.key << " = " << ShownValue(config, key) << '\n';
  }
}

// The value as the file holds it; the fault when it does not suit the key's type.
std::optional<std::string> StoredText(const ObexConfigKey& key, const std::string& value, std::string& stored) {
  if (key.text) {
    if (value.find_first_of("\r\n") != std::string::npos) return std::string("a value holds no line break");
    stored = value;
    return std::nullopt;
  }
  int number = 0;
  const auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), number);
  if (value.empty() || error != std::errc() || end != value.data() + value.size()) {
    return std::string(key.key) + " takes a whole number, not '" + value + "'";
  }
  stored = std::to_string(number);
  return std::nullopt;
}

std::string Reason() { return errno ? std::string(": ") + std::strerror(errno) : std::string(); }

// Only this key changes in the file: the other keys, and keys the record does not know, stay
// exactly as they are.
int Set(const ConfigOptions& options, ToolIo& io) {
  const ObexConfigKey& key = *FindKey(options.key);
  std::string stored;
  if (std::optional<std::string> fault = StoredText(key, options.value, stored)) {
    return ReportUsageFault(io, kCommand, *fault);
  }
  errno = 0;
  if (!WritePrivateProfileStringA(key.section, key.key, stored.c_str(), options.file.c_str())) {
    return ReportFailure(io, kCommand, "cannot write " + std::string(key.key) + " to " + options.file + Reason());
  }
  return kExitOk;
}

int Reset(const std::string& file, ToolIo& io) {
  ObexConfig config;
  config.Open(file.c_str());
  config.Default();
  errno = 0;
  if (!config.Save(file.c_str())) return ReportFailure(io, kCommand, "cannot write " + file + Reason());
  return kExitOk;
}

}  // namespace

void DefineConfig(CLI::App& command, CommandRun& run) {
  const auto options = std::make_shared<ConfigOptions>();
  // --file is taken before the action and after it; each help names it.
  const auto addFile = [&](CLI::App& app) {
    app.add_option("--file", options->file, "the configuration file (default: Maternis.ini in the program folder)")
        ->type_name("PATH");
  };
  // A key is one of the record's, named in any case; it goes in as the file names it.
  const CLI::Validator keyCheck(
      [](std::string& name) {
        const ObexConfigKey* key = FindKey(name);
        if (!key) return "no key named '" + name + "'";
        name = key->key;
        return std::string();
      },
      "", "configuration key");
  const auto addAction = [&](const char* name, const char* summary, const char* example) {
    CLI::App* action = command.add_subcommand(name, summary);
    addFile(*action);
    action->footer(std::string("Example:\n  ") + example);
    return action;
  };
  addFile(command);
  LanguageOption::Define(command, options->language);
  LanguageOption::Define(*addAction("show", "list every key by section, coded values with their texts (the default)",
                                    "vudoda config show --language 3"),
                         options->language);
  addAction("get", "print the value of KEY", "vudoda config get \"Broker Port\"")
      ->add_option("KEY", options->key, "the key's name, in any case")
      ->required()
      ->transform(keyCheck);
  CLI::App* set = addAction("set", "store VALUE in KEY; the file's other keys stay as they are",
                            "vudoda config set Language 5 --file Maternis.ini");
  set->add_option("KEY", options->key, "the key's name, in any case")->required()->transform(keyCheck);
  set->add_option("VALUE", options->value, "a whole number or a text, as the key takes")->required();
  addAction("reset", "return to the factory defaults, keeping the doctor and nurse texts", "vudoda config reset");
  command.require_subcommand(0, 1);
  command.callback([options, &command, &run] {
    const std::vector<CLI::App*> chosen = command.get_subcommands();
    options->action = chosen.empty() ? "show" : chosen.front()->get_name();
    run.exitCode = RunConfig(*options, run.io);
  });
}

int RunConfig(const ConfigOptions& given, ToolIo& io) {
  ConfigOptions options = given;
  if (options.file.empty()) options.file = QnGF::MakePath(nullptr, "Maternis.ini").str();
  if (options.action == "set") return Set(options, io);
  if (options.action == "reset") return Reset(options.file, io);
  ObexConfig config;
  const bool opened = config.Open(options.file.c_str()) == 1;
  if (options.action == "get") {
    io.out << ValueOf(config, *FindKey(options.key)) << '\n';
    return FinishOutput(io, kCommand);
  }
  LanguageOption language;
  if (const std::optional<std::string> fault = SelectShownLanguage(config, options.language, language)) {
    return ReportFailure(io, kCommand, *fault);
  }
  Show(config, options.file, opened, io.out);
  return FinishOutput(io, kCommand);
}
