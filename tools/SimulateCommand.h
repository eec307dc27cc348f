#pragma once

#include <span>
#include <string>

#include "tools/CommandLine.h"

extern const char kSimulateUsage[];

// `vudoda simulate [--seconds N] [--seed N] [--hex] [-o FILE]`: writes the link of a made-up
// bedside monitor (see MonitorSimulator) for N seconds (default 60), as raw bytes or, with
// --hex, as hex text with one packet per line that `decode --hex` reads. Output goes to FILE,
// or to standard output without -o or with "-o -". The same seed (default 1) gives the same
// output. Returns kExitUsage for bad arguments, kExitFailure when the output cannot be written.
int RunSimulate(std::span<const std::string> args, ToolIo& io);
