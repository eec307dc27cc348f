#pragma once

#include <iosfwd>

namespace CLI {
class App;
}  // namespace CLI

// Writes the manual page vudoda(1), in roff, from the tool's command line `tool` (MakeToolApp):
// the same descriptions, usages, options, defaults and examples that --help prints, one
// subsection per command and subcommand, so that the page cannot drift from the program.
void WriteManualPage(const CLI::App& tool, const char* version, std::ostream& out);
