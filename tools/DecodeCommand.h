#pragma once

#include <span>
#include <string>

#include "tools/CommandLine.h"

extern const char kDecodeUsage[];

// `vudoda decode [--hex] [--json] [--language N] [FILE]`: frames the monitor-link stream in FILE
// (standard input without FILE or with "-") and prints every packet's fields, coded ones with
// their map texts in language N, the unknown bytes and a truncated tail with their offsets,
// then the counts. Unknown bytes are no failure: the exit code is kExitUsage for bad
// arguments, kExitFailure when the input or the language library cannot be opened or read (bad
// hex text included; what came before the fault is printed) or the output not written,
// kExitOk otherwise.
int RunDecode(std::span<const std::string> args, ToolIo& io);
