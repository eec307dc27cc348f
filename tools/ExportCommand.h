#pragma once

#include <string>

#include "tools/CommandLine.h"

// What `vudoda export` is asked to write.
struct ExportOptions {
  std::string format;
  std::string output = "-";  // "-": standard output
  bool hex = false;
  std::string link = "-";    // "-": standard input
};

// `vudoda export --format fhr|fhrm|wfdb|csv [-o FILE] [--hex] [LINK]`.
void DefineExport(CLI::App& command, CommandRun& run);

// Turns a captured monitor link into a recording at 4 Hz (see LinkExport), written to the output
// (a WFDB record to FILE.hea and FILE.dat). With an output file, prints what it wrote.
// kExitFailure when the link cannot be read or holds no numerics, or the output not written.
int RunExport(const ExportOptions& options, ToolIo& io);
