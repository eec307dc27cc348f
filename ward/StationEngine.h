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
// monitor links and gives each its bed: the one the ward file names for the monitor's address
// (an address it does not name is refused), or without a ward file the first free one. It frames
// and decodes each link, admits the patient its monitor announces and records the link into her
// study (see StudyRecording, StudyAdmission): every piece of the link goes to the study of the
// patient in force when it came, and a study that begins in the middle of a link begins with the
// link's protocol version and monitor settings. A link may have a few patients admitted an
// hour (BedSession::kAdmissionsPerHour); beyond, its link is not recorded until it may again.
//
// A bed silent for the configured time has a communication failure; when it comes back with the
// same patient within the reconnection window, from the same monitor, her study goes on, also
// after a restart of the station. A connection beyond the number of beds is told why and closed.
// Stopping closes every study with its final figures.
//
// Nothing blocks the loop: the database (admissions, figures) and syncing the recordings run on
// threads beside it (LoopWorker), each statement limited by StationOptions::statementTimeout.
// At the monitors' pace (one small packet at a time) the loop rests 20 ms between turns and a bed
// reads again at most every 30 ms, so that one turn takes many beds' packets: a packet waits at
// most 50 ms. Each bed's link is written once a second; every sync interval, one job syncs the
// recordings written since the last, and one stores every open study's figures.
// While a bed's admission waits, its link waits in memory (up to a megabyte, about a quarter of
// an hour) and is recorded in her study when it opens. A full disk is ridden out as
// StudyRecording says, and told. A failing accept (no descriptors left) is tried again after
// 100 ms, doubling up to a second, told once.
//
// Around the engine, on the same loop, is the ward (StationWard): its web side (StationOptions'
// httpAddress), the hospital's admissions and observations (hl7ListenAddress, hl7SendHost), the
// EMR folder, the alarms with their priorities, and the station's event log
// (<data folder>/station.events), which holds every event, alarm and audit line.
//
// Events are one line of text each ("bed 3: communication failure: ..."), also written to the
// bed's study's event log; the rows are what a screen shows. Every piece of every bed's link
// passes through one place (the loop's BedHost::OnLinkPiece), where whatever watches the beds
// hooks in. Both callbacks run on the thread that runs the loop (Start's on the caller's).
class VUDODA_WARD_API StationEngine {
 public:
  struct Callbacks {
    std::function<void(const std::string& event)> onEvent;
    std::function<void(const std::vector<BedRow>& rows)> onRefresh;
    // At each refresh, what the ward tells beyond its beds (its web side's live streams, the
    // messages that wait for the hospital); empty when there is nothing to tell.
    std::function<void(const std::string& status)> onStatus;
  };

  StationEngine(StationOptions options, Callbacks callbacks);
  ~StationEngine();
  StationEngine(const StationEngine&) = delete;
  StationEngine& operator=(const StationEngine&) = delete;

  // Reads the ward file, opens the database and starts listening; counts the figures of the
  // studies a killed station left open from their recordings. The fault, or nullopt.
  std::optional<std::string> Start();
  // The port it listens on (the chosen one when the options asked for any); and those of its
  // web side and of the hospital's admissions, 0 when they are off.
  int Port() const;
  int WebPort() const;
  int AdmissionsPort() const;
  // Runs the loop on this thread until Stop (or a signal, see StationOptions).
  void Run();
  // Closes every study and ends Run; safe from any thread.
  void Stop();

 private:
  class Loop;
  std::unique_ptr<Loop> m_loop;
};
