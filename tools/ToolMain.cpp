#include "tools/ToolMain.h"

#include <ostream>

#include "tools/DecodeCommand.h"
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
    {"decode", kDecodeUsage,
     "frame a monitor-link byte stream and print every packet's fields (text or --json);\n"
     "      --hex reads hex text; --only prints just the named packet classes (unknown bytes\n"
     "      are always reported); standard input without FILE",
     &RunDecode},
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
