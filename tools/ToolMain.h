#pragma once

#include <memory>
#include <span>
#include <string>

#include "tools/CommandLine.h"

// The station tool: `vudoda COMMAND [ARGS]`. Runs the named command with the rest of the
// arguments and returns its exit code. `--help` or `-h` after any command or subcommand (and
// `help [COMMAND...]`) prints its help, `--version` the version, both kExitOk; an argument
// that the command line refuses gives one line on the error stream and kExitUsage.
int RunTool(std::span<const std::string> args, ToolIo& io);

// The tool's whole command line, every command defined on it, running into `run`: for what
// is generated from the same help texts (the manual page, the shell completion).
std::unique_ptr<CLI::App> MakeToolApp(CommandRun& run);
