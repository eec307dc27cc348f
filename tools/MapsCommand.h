#pragma once

#include "tools/CommandLine.h"

// What `vudoda maps` is asked to list.
struct MapsOptions {
  int kind = 0;      // 0: every kind
  int language = 0;  // LanguageOption::kNotGiven
};

// `vudoda maps [KIND] [--language N]`; KIND by number 2–42 or by name, "CMAP_ECG_GAIN" or
// "ecg_gain".
void DefineMaps(CLI::App& command, CommandRun& run);

// Lists each constant map (or only the one kind) with its rows in map order: code, string id
// and the text in the chosen language, quoted so that trailing blanks show. kExitFailure when
// the language library cannot be loaded or the output not written, kExitOk otherwise.
int RunMaps(const MapsOptions& options, ToolIo& io);
