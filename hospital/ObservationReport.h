#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <vector>

#include "recording/TraceChannel.h"

// What the station reports to the hospital about one bed over an interval: who is in it, the
// values of the channels it sends (FHR1, FHR2, MHR and UC, each value with the instant it was
// taken) and the alarms that stand. Texts are in the station's code page; instants are UTC.
struct ObservationReport {
  struct Value {
    TraceChannel channel = TraceChannel::FHR1;  // FHR1, FHR2, MHR or UC
    std::chrono::system_clock::time_point time;
    double value = 0;  // bpm for the heart rates, toco units (0-100, relative) for UC
  };

  struct Alarm {
    // How soon a person must answer it (IEC 60601-1-8); None: the station gives no priority.
    enum class Priority { None, Low, Medium, High };

    std::string parameter;  // as the station names it: "FHR1", "UC", "SpO2" …
    int status = 0;         // the code of its status in the parameter's alarm map (not 0, normal)
    std::string text;       // that status's text in the station's language
    Priority priority = Priority::None;
    std::chrono::system_clock::time_point since;
  };

  std::string patientId;
  std::string familyName;
  std::string givenName;
  std::optional<std::chrono::year_month_day> birthDate;
  std::optional<int> bed;
  std::string studyId;
  std::chrono::system_clock::time_point from;
  std::chrono::system_clock::time_point to;
  std::vector<Value> values;
  std::vector<Alarm> alarms;
};
