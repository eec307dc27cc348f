#pragma once

#include <chrono>
#include <optional>
#include <string>

// The patient a bed monitors, as a person may correct her: identifier, names and birthday.
// `version` is the ward's mark of the record as it was read (opaque to the web side); a
// correction names the version it was made from, so that a correction made from an older one
// is refused as a conflict instead of overwriting another person's.
struct MonitoredPatient {
  std::string id;
  std::string firstName;
  std::string lastName;
  std::optional<std::chrono::year_month_day> birthday;
  std::string version;
};
