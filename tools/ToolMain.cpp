#include "tools/ToolMain.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <ostream>
#include <vector>

#include "tools/ConfigCommand.h"
#include "tools/DbCommand.h"
#include "tools/DecodeCommand.h"
#include "tools/ExportCommand.h"
#include "tools/MapsCommand.h"
#include "tools/SimulateCommand.h"
#include "tools/StationCommand.h"
#include "tools/StripCommand.h"

#ifndef VUDODA_VERSION
#error "the build defines VUDODA_VERSION, the project's version"
#endif

namespace {

// Every command is one row: its name, what it does, an example and where its options are
// defined; a new command is one more row.
struct Command {
  const char* name;
  const char* summary;
  const char* example;
  DefineCommand define;
};

constexpr Command kCommands[] = {
    {"config", "show, get, set or reset the station configuration (Maternis.ini)",
     "vudoda config set \"Hospital Name\" \"Demo Birth Centre\" --file Maternis.ini", &DefineConfig},
    {"db", "the patient database: create it, list and add patients, studies and users",
     "vudoda db studies --database sqlite:station.db", &DefineDb},
    {"decode", "print every packet of a monitor-link stream, with the texts of coded values",
     "vudoda simulate --seconds 5 | vudoda decode --only PKParam_v110", &DefineDecode},
    {"export", "write a captured link out as a CTG recording: fhr, fhrm, wfdb or csv at 4 Hz",
     "vudoda export --format csv -o labour.csv monitor-link.bin", &DefineExport},
    {"maps", "list the constant maps: codes, string ids and texts, in map order",
     "vudoda maps on_off --language 5", &DefineMaps},
    {"simulate", "write the link of a bedside fetal monitor: made up (the same for the same --seed) or playing a recording",
     "vudoda simulate --seconds 60 -o monitor-link.bin\n  vudoda simulate --replay labour.fhr --realtime --connect 127.0.0.1:5000",
     &DefineSimulate},
    {"strip", "draw the CTG strip of a captured link or a recording to PDF, SVG or PNG, to the paper conventions",
     "vudoda strip monitor-link.bin -o strip.pdf --speed 3 --from 08:30 --minutes 20\n  vudoda strip labour.hea -o "
     "strip.pdf",
     &DefineStrip},
    {"station", "the central station: every bed's link on one loop, admission, recording, link loss",
     "vudoda station --listen 127.0.0.1:4500 --database sqlite:ward.db", &DefineStation},
};

constexpr const char* kExitCodes = "Exit codes: 0 done, 1 input or output unusable, 2 bad arguments.";

// The deepest command that the arguments chose, e.g. "db add-user"; empty for the tool itself.
const CLI::App& ChosenCommand(const CLI::App& app, std::string& path) {
  const CLI::App* command = &app;
  while (!command->get_subcommands().empty()) {
    command = command->get_subcommands().front();
    path += (path.empty() ? "" : " ") + command->get_name();
  }
  return *command;
}

// CLI11's one-line reason; a word that names no command is named itself, rather than the
// command that is then missing.
std::string Reason(const CLI::ParseError& error, const CLI::App& chosen) {
  const std::vector<std::string> left = chosen.remaining();
  if (error.get_name() == "RequiredError" && !left.empty()) return "The following argument was not expected: " + left.front();
  return error.what();
}

// `vudoda help db init` asks what `vudoda db init --help` does.
std::vector<std::string> WithHelpWord(std::span<const std::string> args) {
  std::vector<std::string> words(args.begin(), args.end());
  if (!words.empty() && words.front() == "help") {
    words.erase(words.begin());
    words.emplace_back("--help");
  }
  return words;
}

}  // namespace

std::unique_ptr<CLI::App> MakeToolApp(CommandRun& run) {
  auto app = std::make_unique<CLI::App>("The station tool of VuDoda: the monitor link, the configuration, the "
                                        "patient database.",
                                        "vudoda");
  app->set_version_flag("--version", VUDODA_VERSION);
  app->footer(kExitCodes);
  app->require_subcommand(1);
  app->get_formatter()->column_width(32);
  // As before CLI11: a repeated option keeps its last value.
  app->option_defaults()->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
  for (const Command& row : kCommands) {
    CLI::App* command = app->add_subcommand(row.name, row.summary);
    row.define(*command, run);
    command->footer(std::string("Example:\n  ") + row.example);
  }
  KeepOperandsOutOfOptions(*app);
  return app;
}

int RunTool(std::span<const std::string> args, ToolIo& io) {
  CommandRun run{io};
  const std::unique_ptr<CLI::App> app = MakeToolApp(run);
  std::vector<std::string> reversed = WithHelpWord(args);
  std::reverse(reversed.begin(), reversed.end());
  try {
    app->parse(reversed);
  } catch (const CLI::CallForHelp&) {
    io.out << app->help();
    return kExitOk;
  } catch (const CLI::CallForVersion&) {
    io.out << "vudoda " << VUDODA_VERSION << '\n';
    return kExitOk;
  } catch (const CLI::ParseError& error) {
    std::string command;
    const CLI::App& chosen = ChosenCommand(*app, command);
    io.err << "vudoda" << (command.empty() ? "" : " " + command) << ": " << Reason(error, chosen) << " (see vudoda "
           << (command.empty() ? "" : command + " ") << "--help)\n";
    return kExitUsage;
  }
  return run.exitCode;
}
