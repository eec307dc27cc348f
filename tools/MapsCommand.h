#pragma once

#include <span>
#include <string>

#include "tools/CommandLine.h"

extern const char kMapsUsage[];

// `vudoda maps [KIND] [--language N]`: lists each constant map (or only KIND, given by number
// 2–42 or by name, "CMAP_ECG_GAIN" or "ecg_gain") with its rows in map order: code, string id
// and the text in language N, quoted so that trailing blanks show. Exit code kExitUsage for bad
// arguments, kExitFailure when the language library cannot be loaded or the output not
// written, kExitOk otherwise.
int RunMaps(std::span<const std::string> args, ToolIo& io);
