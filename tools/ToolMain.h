#pragma once

#include <span>
#include <string>

#include "tools/CommandLine.h"

// The station tool: `vudoda COMMAND [ARGS]`. Runs the named command with the rest of the
// arguments and returns its exit code; "help", "-h" or "--help" print the usage (kExitOk);
// no command or an unknown one prints the usage to the error stream (kExitUsage).
int RunTool(std::span<const std::string> args, ToolIo& io);
