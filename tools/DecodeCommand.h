#pragma once

#include <string>
#include <vector>

#include "tools/CommandLine.h"

// What `vudoda decode` is asked to do.
struct DecodeOptions {
  bool hex = false;
  bool json = false;
  std::vector<std::string> only;  // packet class names; empty: every class
  int language = 0;               // LanguageOption::kNotGiven
  std::string file = "-";         // "-": standard input
};

// `vudoda decode [--hex] [--json] [--only CLASS,...] [--language N] [FILE]`.
void DefineDecode(CLI::App& command, CommandRun& run);

// Frames the monitor-link stream of `options.file` and prints every packet's fields, coded ones
// with their map texts in the chosen language, the unknown bytes and a truncated tail with their
// offsets, then the counts. Unknown bytes are no failure: kExitFailure when the input or the
// language library cannot be opened or read (bad hex text included; what came before the fault
// is printed) or the output not written, kExitOk otherwise.
int RunDecode(const DecodeOptions& options, ToolIo& io);
