#pragma once

#include <span>
#include <string>

#include "tools/CommandLine.h"

extern const char kDbUsage[];

// `vudoda db ACTION [OPTIONS]`: the patient database through the row classes.
//   init [URI]                 creates the tables (a new file readable by its owner only)
//   patients|studies|users     lists the rows (studies with their patients), --where CONDITION
//   add-patient|add-study|add-user  adds one row; identifiers from GetUniqueId and
//                              SetStartTime unless given
// Every action takes --database URI; without it the default database (DefaultDatabasePath).
// Returns kExitUsage for bad arguments, kExitFailure when the database refuses.
int RunDb(std::span<const std::string> args, ToolIo& io);

// The database used without --database: "vudoda.db" in the station's data folder, the
// configuration's "Data Path" (ObexConfig::Open of Maternis.ini beside the program; the folder
// "Data" beside the program when that file, key or folder is missing).
std::string DefaultDatabasePath();
