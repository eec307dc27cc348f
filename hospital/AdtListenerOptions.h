#pragma once

#include <chrono>
#include <cstddef>
#include <string>
#include <vector>

// How the station listens for the hospital's admissions (see AdtListener).
struct AdtListenerOptions {
  std::string address = "0.0.0.0";
  int port = 2575;  // 0: any free port (see AdtListener::Port)
  // The addresses of the peers that may connect (the hospital's interface engine); a connection
  // from any other is closed at once and logged. An empty list is refused by Start.
  std::vector<std::string> allowedPeers;
  // The station's beds, for PV1-3.
  int beds = 64;
  // Where the keys of taken messages are kept across restarts; "" keeps them in memory only.
  std::string seenFile;
  std::size_t seenCapacity = 10000;
  // A frame begun must end within this time, or the connection is closed.
  std::chrono::milliseconds frameTimeout{30000};
  // Connections served at once; one more is closed at once and logged.
  std::size_t maxConnections = 8;
};
