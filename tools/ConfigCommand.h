#pragma once

#include <string>

#include "tools/CommandLine.h"

// What `vudoda config` is asked to do.
struct ConfigOptions {
  std::string action;  // "show", "get", "set" or "reset"
  std::string file;    // default: "Maternis.ini" in the program folder
  std::string key;     // get and set: the key as the file names it
  std::string value;   // set
  int language = 0;    // show: LanguageOption::kNotGiven, or the language of the texts
};

// `vudoda config [show | get KEY | set KEY VALUE | reset] [--file PATH] [--language N]`.
void DefineConfig(CLI::App& command, CommandRun& run);

// The station's configuration file. `show` lists every key by section as ObexConfig::Open
// reads it, coded values with their map texts in the asked language or else the file's own;
// `get` prints one value; `set` writes the one key into the file through the profile functions,
// after checking the value against the key's type (kExitUsage when it does not suit); `reset`
// saves the factory defaults, keeping the doctor and nurse texts. A missing file reads as the
// defaults. kExitFailure, with the reason, when the file cannot be written.
int RunConfig(const ConfigOptions& options, ToolIo& io);
