#pragma once

#include <string>
#include <vector>

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
  std::string http;     // ADDRESS:PORT of the web side; empty: none
  std::string tlsCert;  // its certificate chain and key (PEM); none: plain HTTP, loopback only
  std::string tlsKey;
  std::string hl7Listen;  // ADDRESS:PORT for the hospital's admissions; empty: none
  std::vector<std::string> hl7Peers;  // the addresses that may send them
  std::string hl7Send;    // HOST:PORT of the hospital's receiver of observations; empty: none
  double hl7Interval = 60;  // seconds between a bed's observations
};

// `vudoda station [--listen ADDRESS:PORT] [--database URI] [--config FILE] [--monitors FILE]
//                 [--monitor-code-page N] [--beds N] [--silence SECONDS]
//                 [--http ADDRESS:PORT [--tls-cert FILE --tls-key FILE]]
//                 [--hl7-listen ADDRESS:PORT --hl7-peers ADDRESS,...]
//                 [--hl7-send HOST:PORT [--hl7-interval SECONDS]]`: the central station
//                 (see StationEngine) with its web side and the hospital's interfaces until SIGINT or
// SIGTERM, which close every study; then kExitOk. kExitFailure when the configuration, the
// ward file, the database or the address cannot be used.
void DefineStation(CLI::App& command, CommandRun& run);

int RunStation(const StationCommandOptions& options, ToolIo& io);
