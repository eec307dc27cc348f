#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "hospital/ObservationReport.h"
#include "ward/StationLog.h"
#include "ward/WardApi.h"
#include "web/WardAlarm.h"

class PKParam_v110;

// The ward's alarms: what each bed's monitor reports in its numerics packets (an alarm status
// per parameter that is not normal), and the station's own technical alarm, a communication
// failure (the bed's link silent for the configured time, or lost). Each alarm has its priority
// from one table (WardAlarms.cpp; the reasons are given there), its text in the station
// language ("FHR1: Lower Limit", the map text of the status through ObConstMap), the instant it
// was raised and, once over, the instant it cleared; a person may acknowledge it, once.
//
// Every change (raised, cleared, acknowledged) is returned to the caller, which reports it (the
// web side, the logs); LineOf writes it as a line of the station's event log, and Restore reads
// those lines back, so that the history survives a restart. Alarms still on when the log ends
// (the station stopped or was killed) are cleared at the restart. The history keeps the newest
// historyLimit alarms besides those on; identifiers are unique across restarts, counting on from
// the highest the log holds. Used on the loop's thread only.
class VUDODA_WARD_API WardAlarms {
 public:
  using Instant = std::chrono::system_clock::time_point;
  struct Change {
    WardAlarm::Event event = WardAlarm::Event::Raised;
    WardAlarm alarm;
  };

  // The parameter of the station's own technical alarm.
  static constexpr const char* kCommunication = "LINK";

  explicit WardAlarms(std::size_t historyLimit = 1000);

  // The priority of status `code` of `parameter` ("FHR1", "UC", … or kCommunication).
  static WardAlarm::Priority PriorityOf(const std::string& parameter, int code);

  // The alarm statuses of bed `bed`'s numerics packet, at `time`: a status that is on and was
  // not is raised, one that was on and is not (or changed) is cleared.
  std::vector<Change> ShowMonitor(int bed, PKParam_v110& packet, Instant time);
  // Clears every alarm of the bed's monitor: its link is lost, or the bed freed.
  std::vector<Change> EndMonitor(int bed, Instant time);
  // Raises the bed's communication failure (`failing`) or clears it.
  std::vector<Change> ShowCommunication(int bed, bool failing, Instant time);
  // `user` acknowledges alarm `id` at `time`: the alarm as it stands (the first acknowledgement
  // stands), Acknowledged only when this one was the first; nullopt for an unknown alarm.
  std::optional<Change> Acknowledge(std::uint64_t id, const std::string& user, Instant time);
  // Clears every alarm that is on (the station stops).
  std::vector<Change> EndAll(Instant time);

  // The bed's alarms that are on, oldest first.
  std::vector<WardAlarm> Active(int bed) const;
  // The bed's alarms that are on, as an observation report names them.
  std::vector<ObservationReport::Alarm> Standing(int bed) const;
  // The history, newest first: every bed's, or bed `bed`'s.
  std::vector<WardAlarm> History(std::optional<int> bed) const;
  // The bed's alarms whose time overlaps [from, to).
  std::vector<WardAlarm> Overlapping(int bed, Instant from, Instant to) const;

  // `change` as a line of the event log: "bed 3: alarm 17 raised (high): FHR1: Lower Limit",
  // "bed 3: alarm 17 cleared", "bed 3: alarm 17 acknowledged by midwife".
  static std::string LineOf(const Change& change);
  // Reads the history from the log's lines (oldest first); alarms not cleared there are
  // cleared at `now`, and their clearing returned for the log.
  std::vector<Change> Restore(const std::vector<StationLog::Line>& lines, Instant now);

 private:
  struct Entry {
    WardAlarm alarm;
    std::string parameter;
    int code = 0;
  };

  Change Raise(int bed, const std::string& parameter, int code, const std::string& text, Instant time);
  Change Clear(Entry& entry, Instant time);
  Entry* Find(std::uint64_t id);
  Entry* FindActive(int bed, const std::string& parameter);
  void Forget();
  void RestoreLine(const StationLog::Line& line);

  std::size_t m_historyLimit;
  std::deque<Entry> m_entries;  // by identifier, oldest first
  std::map<int, int> m_activeCount;  // alarms on, by bed
  std::uint64_t m_lastId = 0;
};
