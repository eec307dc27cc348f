#pragma once

#include <span>
#include <string>

#include "tools/CommandLine.h"

extern const char kConfigUsage[];

// `vudoda config [show | get KEY | set KEY VALUE | reset] [--file PATH]`: the station's
// configuration file (default "Maternis.ini" in the program folder), read and written through
// ObexConfig's own Open and Save. `show` (the default) lists every key by section, coded values
// with their map texts in the file's configured language; `get` prints one value; `set` stores
// one value; `reset` returns to the factory defaults, keeping the doctor and nurse texts. KEY is
// the key's name in the file, in any case. A missing file reads as the defaults.
int RunConfig(std::span<const std::string> args, ToolIo& io);
