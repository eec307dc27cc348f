#pragma once

#include <cstdint>
#include <string>

#include "tools/CommandLine.h"

// What `vudoda simulate` is asked to write.
struct SimulateOptions {
  double seconds = 60;
  std::uint32_t seed = 1;
  bool hex = false;
  std::string output = "-";  // "-": standard output
};

// `vudoda simulate [--seconds N] [--seed N] [--hex] [-o FILE]`.
void DefineSimulate(CLI::App& command, CommandRun& run);

// Writes the link of a made-up bedside monitor (see MonitorSimulator) for the given seconds, as
// raw bytes or as hex text with one packet per line that `decode --hex` reads. The same seed
// gives the same output. kExitFailure when the output cannot be written.
int RunSimulate(const SimulateOptions& options, ToolIo& io);
