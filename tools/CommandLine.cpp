#include "tools/CommandLine.h"

#include <CLI/CLI.hpp>
#include <ostream>

namespace {

void WriteErrorLine(ToolIo& io, std::string_view command, std::string_view text) {
  io.err << "vudoda " << command << ": " << text << '\n';
}

}  // namespace

void KeepOperandsOutOfOptions(CLI::App& command) {
  // CLI11 lets an option that holds a list take every following word that is no option.
  for (CLI::Option* option : command.get_options()) option->allow_extra_args(false);
  for (CLI::App* subcommand : command.get_subcommands([](CLI::App*) { return true; })) {
    KeepOperandsOutOfOptions(*subcommand);
  }
}

int ReportUsageFault(ToolIo& io, std::string_view command, std::string_view fault) {
  WriteErrorLine(io, command, fault);
  return kExitUsage;
}

int ReportFailure(ToolIo& io, std::string_view command, std::string_view fault) {
  WriteErrorLine(io, command, fault);
  return kExitFailure;
}

void ReportNote(ToolIo& io, std::string_view command, std::string_view note) {
  if (!note.empty()) WriteErrorLine(io, command, "note: " + std::string(note));
}
