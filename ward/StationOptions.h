#pragma once

#include <chrono>
#include <string>
#include <vector>

#include "hospital/EmrFolderOptions.h"

// How a station runs: where it listens, which monitors it serves at which beds, where it keeps
// its studies and how soon it calls a silent link lost; its web side and its interfaces to the
// hospital, each off while its address is empty. The defaults are a ward's.
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

  // The ward's web side (see WardServer): ADDRESS:PORT it listens on; empty: none. Plain HTTP
  // (no certificate) only on a loopback address.
  std::string httpAddress;
  // The TLS certificate chain and its key (PEM files).
  std::string tlsCertificateFile;
  std::string tlsKeyFile;
  // A login session ends after this long without a request.
  std::chrono::seconds sessionIdleTimeout = std::chrono::minutes(15);
  // The pages; empty: WardServer::DefaultWwwFolder.
  std::string wwwFolder;

  // The hospital's admissions (ADT over MLLP, see AdtListener): the address to listen on;
  // empty: none. Only the peers listed may connect.
  std::string hl7ListenAddress;
  int hl7ListenPort = 2575;  // 0: any free port
  std::vector<std::string> hl7Peers;
  // Observations to the hospital (ORU over MLLP, see HospitalSender): its host; empty: none.
  std::string hl7SendHost;
  int hl7SendPort = 0;
  // Every monitored bed's observations are sent this often.
  std::chrono::milliseconds hl7Interval = std::chrono::seconds(60);
  // The outbound queue's folder; empty: dataFolder/HL7/outbound.
  std::string hl7QueueFolder;
  // Where the strip of each finished study goes ("EMR Data Path", "EMR Image Type"); an empty
  // folder: nowhere.
  EmrFolderOptions emr;
};
