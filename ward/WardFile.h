#pragma once

#include <map>
#include <optional>
#include <string>

#include "ward/WardApi.h"

// The ward file: which monitor stands at which bed. A bed is a place, and its monitor is known
// by its address; a monitor keeps its bed across reconnections and restarts of the station, and
// a monitor whose address the file does not name is refused.
//
// The format is text, one monitor a line:
//
//   # delivery suite, first floor
//   1  10.20.0.11  Room 1 window
//   2  10.20.0.12
//   12 fd00::c     Triage
//
// BED (1 … the station's number of beds), then the monitor's IP address (IPv4 or IPv6), then an
// optional label that runs to the end of the line. Blanks and tabs separate the fields; '#'
// begins a comment that runs to the end of the line; empty lines are skipped. A bed or an
// address named twice, a bed out of range, or an address that is none, and the file is refused
// with the number of the line.
class VUDODA_WARD_API WardFile {
 public:
  struct Monitor {
    int bed = 0;  // 1 … beds
    std::string address;
    std::string label;
  };

  // Reads the file at `path` for a station of `beds` beds. The fault (and the monitors as they
  // were), or nullopt.
  std::optional<std::string> Read(const std::string& path, int beds);
  // Reads the file's text; `name` names it in a fault.
  std::optional<std::string> Parse(const std::string& text, const std::string& name, int beds);

  // The monitor at `address` (as BedSession::Address writes it), or nullptr.
  const Monitor* Find(const std::string& address) const;
  std::size_t Size() const { return m_monitors.size(); }

 private:
  std::map<std::string, Monitor> m_monitors;  // by address
};
