#pragma once

#include <chrono>
#include <string>

// How a station runs: where it listens, which monitors it serves at which beds, where it keeps
// its studies and how soon it calls a silent link lost. The defaults are a ward's.
struct StationOptions {
  std::string listenAddress = "0.0.0.0";
  int port = 4500;  // 0: any free port (see StationEngine::Port)
  int beds = 64;
  // The ward file (see WardFile): each monitor's address and bed. Empty: the station is open,
  // any monitor may connect and takes the first free bed (loopback demos and tests).
  std::string monitorsFile;
  // The code page the monitors write their patients' texts in (1252 Western, 949 Korean,
  // 65001 UTF-8); the station converts them to its own (see MonitorText).
  unsigned monitorCodePage = 1252;
  std::string dataFolder;   // the studies' recordings go to dataFolder/Studies
  std::string databaseUri;  // "sqlite:PATH" or a PostgreSQL connection string
  // No database statement waits longer than this for a lock another connection holds; the
  // admission is tried again.
  std::chrono::milliseconds statementTimeout{10000};
  // A bed that sends nothing for this long has a communication failure.
  std::chrono::milliseconds silence{5000};
  // A lost bed that comes back with the same patient within this time continues her study.
  std::chrono::milliseconds reconnectWindow{std::chrono::minutes(10)};
  // Recordings reach the disk and the studies' figures the database at least this often.
  std::chrono::milliseconds syncInterval{5000};
  // How often the screen is redrawn.
  std::chrono::milliseconds refreshInterval{1000};
  // SIGINT and SIGTERM stop the station (close every study) when set.
  bool stopOnSignals = false;
};
