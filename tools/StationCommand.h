#pragma once

#include <string>

#include "tools/CommandLine.h"

// What `vudoda station` is asked to run.
struct StationCommandOptions {
  std::string listen;    // ADDRESS:PORT; empty: every address, the configuration's "Broker Port"
  std::string database;  // connection URI; empty: vudoda.db in the configuration's data folder
  std::string config;    // Maternis.ini to run with; empty: the one beside the program
  std::string monitors;  // the ward file (see WardFile); empty: an open station
  unsigned monitorCodePage = 1252;
  int beds = 64;
  double silence = 5;  // seconds without data before a communication failure
};

// `vudoda station [--listen ADDRESS:PORT] [--database URI] [--config FILE] [--monitors FILE]
//                 [--monitor-code-page N] [--beds N] [--silence SECONDS]`: the central station
//                 (see StationEngine) until SIGINT or
// SIGTERM, which close every study; then kExitOk. kExitFailure when the configuration, the
// ward file, the database or the address cannot be used.
void DefineStation(CLI::App& command, CommandRun& run);

int RunStation(const StationCommandOptions& options, ToolIo& io);
