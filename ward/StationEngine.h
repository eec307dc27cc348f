#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "ward/BedRow.h"
#include "ward/StationOptions.h"
#include "ward/WardApi.h"

// The central station, headless: every bed of the ward on one event loop. It listens for
// monitor links, gives each connection a bed, frames and decodes its stream, admits the
// patient its monitor announces and records the link into her study (see StudyRecording,
// StationDatabase). A bed silent for the configured time has a communication failure; when it
// comes back with the same patient within the reconnection window, her study goes on, also
// after a restart of the station. A connection beyond the number of beds is told why and
// closed. Stopping closes every study with its final figures.
//
// Events are one line of text each ("bed 3: communication failure: ..."); the rows are what a
// screen shows. Both callbacks run on the thread that runs the loop.
class VUDODA_WARD_API StationEngine {
 public:
  struct Callbacks {
    std::function<void(const std::string& event)> onEvent;
    std::function<void(const std::vector<BedRow>& rows)> onRefresh;
  };

  StationEngine(StationOptions options, Callbacks callbacks);
  ~StationEngine();
  StationEngine(const StationEngine&) = delete;
  StationEngine& operator=(const StationEngine&) = delete;

  // Opens the database and starts listening. The fault, or nullopt.
  std::optional<std::string> Start();
  // The port it listens on (the chosen one when the options asked for any).
  int Port() const;
  // Runs the loop on this thread until Stop (or a signal, see StationOptions).
  void Run();
  // Closes every study and ends Run; safe from any thread.
  void Stop();

 private:
  class Loop;
  std::unique_ptr<Loop> m_loop;
};
