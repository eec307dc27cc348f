#include "tools/ToolMain.h"

#include <ostream>

#include "tools/ConfigCommand.h"
#include "tools/DbCommand.h"
#include "tools/DecodeCommand.h"
#include "tools/MapsCommand.h"
#include "tools/SimulateCommand.h"

namespace {

// Every command is one unit with its own usage; a new command is one more row.
struct Command {
  const char* name;
  const char* usage;
  const char* summary;
  int (*run)(std::span<const std::string> args, ToolIo& io);
};

constexpr Command kCommands[] = {
    {"config", kConfigUsage,
     "show the station configuration (coded values with their texts in its language), get\n"
     "      or set one KEY, or reset it to the factory defaults; --file or Maternis.ini beside\n"
     "      the program",
     &RunConfig},
    {"db", kDbUsage,
     "the patient database: create it (init), list patients, studies with their patients or\n"
     "      users (--where CONDITION), add a patient, a study or a user; --database URI or\n"
     "      Data/vudoda.db beside the program",
     &RunDb},
    {"decode", kDecodeUsage,
     "frame a monitor-link byte stream and print every packet's fields (text or --json);\n"
     "      --hex reads hex text; --only prints just the named packet classes (unknown bytes\n"
     "      are always reported); coded values with their texts in the station language N;\n"
     "      standard input without FILE",
     &RunDecode},
    {"maps", kMapsUsage,
     "list each constant map's codes, string ids and texts in map order (or only KIND, by\n"
     "      number or name), in the station language N (1-14; 3: English)",
     &RunMaps},
    {"simulate", kSimulateUsage,
     "write the link of a made-up bedside fetal monitor for N seconds (default 60);\n"
     "      raw bytes, or hex text with --hex; the same --seed gives the same stream",
     &RunSimulate},
};

void PrintUsage(std::ostream& out) {
  out << "usage: vudoda COMMAND [ARGS]\n\ncommands:\n";
  for (const Command& command : kCommands) {
    out << "  " << command.usage << "\n      " << command.summary << '\n';
  }
  out << "\nexit codes: 0 done, 1 input or output unusable, 2 bad arguments\n";
}

}  // namespace

int RunTool(std::span<const std::string> args, ToolIo& io) {
  if (args.empty()) {
    io.err << "vudoda: no command given\n";
    PrintUsage(io.err);
    return kExitUsage;
  }
  const std::string& name = args.front();
  if (name == "help" || name == "-h" || name == "--help") {
    PrintUsage(io.out);
    return kExitOk;
  }
  for (const Command& command : kCommands) {
    if (name == command.name) return command.run(args.subspan(1), io);
  }
  io.err << "vudoda: unknown command '" << name << "'\n";
  PrintUsage(io.err);
  return kExitUsage;
}
