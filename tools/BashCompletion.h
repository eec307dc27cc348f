#pragma once

#include <iosfwd>

namespace CLI {
class App;
}  // namespace CLI

// Writes the bash completion of the tool from its command line `tool` (MakeToolApp): the
// commands and subcommands, each one's options, the packet class names after --only, the
// language numbers after --language and file names after the options and operands that name
// files. Sourced, it defines _vudoda and completes `vudoda` with it.
void WriteBashCompletion(const CLI::App& tool, std::ostream& out);
