#include "tools/StripCommand.h"

#include <CLI/CLI.hpp>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <memory>
#include <ostream>

#include "config/ObexConfig.h"
#include "recording/RecordingReader.h"
#include "strip/LinkStrip.h"
#include "strip/RecordingStrip.h"
#include "strip/StripSurface.h"
#include "tools/LanguageOption.h"
#include "tools/OptionChecks.h"

namespace {

constexpr const char* kCommand = "strip";
constexpr double kMaxMinutes = 30 * 24 * 60;

// "hh:mm" or "hh:mm:ss" as seconds of the day.
std::optional<int> SecondOfDay(const std::string& text) {
  int hours = 0, minutes = 0, seconds = 0, used = 0;
  const int fields = std::sscanf(text.c_str(), "%2d:%2d%n:%2d%n", &hours, &minutes, &used, &seconds, &used);
  if (fields < 2 || static_cast<std::size_t>(used) != text.size() || hours > 23 || minutes > 59 || seconds > 59 ||
      hours < 0 || minutes < 0 || seconds < 0) {
    return std::nullopt;
  }
  return hours * 3600 + minutes * 60 + seconds;
}

CLI::Validator ClockTime() {
  return CLI::Validator(
      [](const std::string& text) {
        return SecondOfDay(text) ? std::string() : "takes a clock time hh:mm or hh:mm:ss, not '" + text + "'";
      },
      "hh:mm[:ss]");
}

// The configuration: the named file, which must exist, or the program folder's, if any.
std::optional<std::string> LoadConfig(const std::string& path, ObexConfig& config) {
  if (path.empty()) {
    config.Open();
    return std::nullopt;
  }
  if (config.Open(path.c_str()) != 1) return "cannot read the configuration " + path;
  return std::nullopt;
}

std::string StudyName(const std::string& input) {
  if (input == "-") return "link from standard input";
  const std::size_t slash = input.find_last_of('/');
  return slash == std::string::npos ? input : input.substr(slash + 1);
}

// What the strip is drawn from: an open recording, or the link's byte stream.
struct StripInput {
  std::unique_ptr<RecordingReader> recording;
  std::ifstream file;
  std::istream* link = nullptr;
};

std::optional<std::string> OpenInput(const StripOptions& options, ToolIo& io, StripInput& input) {
  if (RecordingReader::Reads(options.input)) {
    if (options.hex) return "--hex reads a link as hex text; " + options.input + " is a recording";
    std::string fault;
    input.recording = RecordingReader::Open(options.input, fault);
    return input.recording ? std::nullopt : std::optional<std::string>(fault);
  }
  input.link = &io.in;
  if (options.input == "-") return std::nullopt;
  input.file.open(options.input, std::ios::binary);
  if (!input.file) return "cannot open " + options.input + ": " + std::strerror(errno);
  input.link = &input.file;
  return std::nullopt;
}

// Draws the input onto the open surface; `remarks` receives what the user should know of a
// link that was drawn. The fault, or nullopt.
std::optional<std::string> Draw(StripInput& input, const StripOptions& options, StripSurface& surface,
                                const StripLayout& layout, const StripColors& colors, const StripHeader& header,
                                std::string& remarks) {
  const StripSpan span{options.fromSecondOfDay, options.minutes};
  if (input.recording) return RecordingStrip(surface, layout, colors, header, span).Draw(*input.recording);
  LinkStrip strip(surface, layout, colors, header, span);
  const std::optional<std::string> fault = strip.Draw(*input.link, options.hex);
  remarks = strip.Remarks();
  return fault;
}

}  // namespace

void DefineStrip(CLI::App& command, CommandRun& run) {
  const auto options = std::make_shared<StripOptions>();
  command.add_option("INPUT", options->input,
                     "the captured link, or a recording .fhr, .fhrm, WFDB .hea or .csv; a link on standard input "
                     "without it or with -")
      ->type_name("FILE")
      ->capture_default_str();
  command.add_option("-o,--output", options->output, "the strip: .pdf (every page), .svg or .png (a file a page)")
      ->type_name("OUT")
      ->required()
      ->check([](const std::string& path) {
        return StripSurface::FormatOf(path) ? std::string() : "must end in .pdf, .svg or .png, not '" + path + "'";
      });
  command.add_option_function<std::string>(
             "--from", [options](const std::string& text) { options->fromSecondOfDay = SecondOfDay(text); },
             "start at this clock time of the recording")
      ->type_name("TIME")
      ->check(ClockTime());
  command.add_option("--minutes", options->minutes, "draw this many minutes")->check(DecimalBetween(0.25, kMaxMinutes));
  command.add_option("--speed", options->speed, "paper speed 1, 2, 3 = 1, 2, 3 cm/min (default: \"Review Trend Speed\")")
      ->check(CLI::IsMember({1, 2, 3}));
  command.add_option("--scale", options->scale, "heart-rate scale in bpm/cm (default: 20 at 1 cm/min, else 30)")
      ->check(CLI::IsMember({20, 30}));
  command.add_option("--colors", options->colors, "paper: red grid on white; station: the configuration's review colours")
      ->check(CLI::IsMember({"paper", "station"}))
      ->capture_default_str();
  command.add_option("--paper", options->paper, "page size, landscape")
      ->transform(CLI::IsMember({"a4", "letter"}, CLI::ignore_case))
      ->capture_default_str();
  command.add_option("--config", options->config, "the station configuration (default: Maternis.ini beside the program)")
      ->type_name("FILE");
  LanguageOption::Define(command, options->language);
  command.add_flag("--hex", options->hex, "read a link as hex text (two digits a byte) instead of raw bytes");
  command.callback([options, &run] { run.exitCode = RunStrip(*options, run.io); });
}

int RunStrip(const StripOptions& options, ToolIo& io) {
  ObexConfig config;
  if (std::optional<std::string> fault = LoadConfig(options.config, config)) return ReportFailure(io, kCommand, *fault);
  LanguageOption language;
  const int chosenLanguage = options.language != LanguageOption::kNotGiven || options.config.empty()
                                 ? options.language
                                 : config.m_nLanguage;
  if (std::optional<std::string> fault = language.Select(chosenLanguage)) return ReportFailure(io, kCommand, *fault);

  StripInput input;
  if (std::optional<std::string> fault = OpenInput(options, io, input)) return ReportFailure(io, kCommand, *fault);
  const int speed = options.speed.value_or(config.m_nReviewTrendSpeed);
  const StripLayout layout(speed, options.scale.value_or(StripLayout::DefaultBpmPerCm(speed)),
                           options.paper == "letter" ? StripPaper::Letter : StripPaper::A4);
  const bool stationColors = options.colors == "station";
  if (const auto unseen = stationColors ? StripColors::UnseenStationColor(config) : std::nullopt) {
    return ReportFailure(io, kCommand, "the configuration's \"" + *unseen +
                                           "\" is its \"Review Graph Background\": set the review colours, or use --colors paper");
  }
  const StripColors colors = stationColors ? StripColors::Station(config) : StripColors::Paper();
  StripSurface surface(options.output, *StripSurface::FormatOf(options.output), layout.PageWidth(), layout.PageHeight());
  if (std::optional<std::string> fault = surface.Open()) return ReportFailure(io, kCommand, *fault);

  const StripHeader header{config.m_strHospitalName.GetString(), "", "", StudyName(options.input)};
  std::string remarks;
  if (std::optional<std::string> fault = Draw(input, options, surface, layout, colors, header, remarks)) {
    surface.Discard();
    return ReportFailure(io, kCommand, options.input + ": " + *fault);
  }
  const int pages = surface.PageCount();
  io.out << "wrote " << pages << (pages == 1 ? " page" : " pages") << ":";
  for (const std::string& written : surface.Files()) io.out << ' ' << written;
  io.out << '\n';
  ReportNote(io, kCommand, remarks);
  return kExitOk;
}
