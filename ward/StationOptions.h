#pragma once

#include <chrono>
#include <string>

// How a station runs: where it listens, how many beds it serves, where it keeps its studies and
// how soon it calls a silent link lost. The defaults are a ward's.
struct StationOptions {
  std::string listenAddress = "0.0.0.0";
  int port = 4500;  // 0: any free port (see StationEngine::Port)
  int beds = 64;
  std::string dataFolder;   // the studies' recordings go to dataFolder/Studies
  std::string databaseUri;  // "sqlite:PATH" or a PostgreSQL connection string
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
