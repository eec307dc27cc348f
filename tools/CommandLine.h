#pragma once

#include <iosfwd>
#include <string>
#include <string_view>

namespace CLI {
class App;
}  // namespace CLI

// Exit codes of every command.
constexpr int kExitOk = 0;
constexpr int kExitFailure = 1;  // an input that cannot be read, an output that cannot be written
constexpr int kExitUsage = 2;    // bad arguments

// The streams a command reads and writes; main passes the process's own, tests their own.
struct ToolIo {
  std::istream& in;
  std::ostream& out;
  std::ostream& err;
};

// What a command's run reports to: its streams, and the exit code that the tool returns.
// A command defines its options on its CLI::App and runs, with the values parsed, from the
// app's callback; the parsing itself never runs a command's logic.
struct CommandRun {
  ToolIo& io;
  int exitCode = kExitOk;
};

// Defines one command's options, operands and subcommands on `command`, and its callback.
using DefineCommand = void (*)(CLI::App& command, CommandRun& run);

// Lets every option of `command` and its subcommands take its values from one word (a list as
// "A,B"), so that the word after it is left to the operands: `decode --only PKParam_v110 FILE`
// reads FILE, as `decode FILE --only PKParam_v110` does.
void KeepOperandsOutOfOptions(CLI::App& command);

// Whether `out`, which failed, is the process's standard output and its reader closed it early
// (`head`, a pager that quit): the reader took what it wanted, so the command stops writing and
// ends with kExitOk, saying nothing.
bool ReaderLeft(const std::ostream& out);

// Ends a command that printed to the output stream: flushes it, and returns kExitOk when every
// write reached it or its reader left (see ReaderLeft), else ReportFailure's "cannot write
// standard output".
int FinishOutput(ToolIo& io, std::string_view command);

// Writes the one line "vudoda <command>: <fault>" to the error stream; returns kExitUsage.
// For faults that only the command can see, such as a value that does not suit its key.
int ReportUsageFault(ToolIo& io, std::string_view command, std::string_view fault);
// Writes "vudoda <command>: <fault>" to the error stream; returns kExitFailure.
int ReportFailure(ToolIo& io, std::string_view command, std::string_view fault);
// Writes "vudoda <command>: note: <note>" to the error stream, where there is a note: what the
// user should know of a result that still succeeded.
void ReportNote(ToolIo& io, std::string_view command, std::string_view note);
