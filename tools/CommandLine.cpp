#include "tools/CommandLine.h"

#include <poll.h>
#include <unistd.h>

#include <CLI/CLI.hpp>
#include <iostream>

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

bool ReaderLeft(const std::ostream& out) {
  if (out || &out != &std::cout) return false;
  // A pipe whose reader has gone reports an error to its writer; a terminal that went, a hang-up.
  pollfd output{STDOUT_FILENO, 0, 0};
  return ::poll(&output, 1, 0) == 1 && (output.revents & (POLLERR | POLLHUP)) != 0;
}

int FinishOutput(ToolIo& io, std::string_view command) {
  io.out.flush();
  if (io.out || ReaderLeft(io.out)) return kExitOk;
  return ReportFailure(io, command, "cannot write standard output");
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
