#pragma once

#include <deque>
#include <iosfwd>
#include <string>
#include <vector>

#include "ward/BedRow.h"
#include "ward/WardApi.h"

// What the station shows on a text output. On a terminal: one line per bed in use, redrawn in
// place at each refresh, with the latest events below, each at its time of day. Otherwise (a
// log, a pipe): each event as one plain line stamped with the local date, time and UTC offset
// (see StampText), nothing redrawn.
class VUDODA_WARD_API StationScreen {
 public:
  StationScreen(std::ostream& out, bool terminal);

  void ShowEvent(const std::string& event);
  void ShowRows(const std::vector<BedRow>& rows);
  // What the ward tells beyond its beds (live streams, messages that wait for the hospital):
  // on a terminal in the head line from the next redraw on; otherwise not shown (the event
  // log tells its changes).
  void ShowStatus(const std::string& status) { m_status = status; }

  // A bed's line: bed, link state, patient, study, numerics, figures, alarms.
  static std::string RowLine(const BedRow& row);

 private:
  static constexpr std::size_t kEventsShown = 8;

  std::ostream& m_out;
  bool m_terminal;
  std::deque<std::string> m_events;
  std::string m_status;
};
