#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>

// One alarm of the ward as the station keeps it: a bed's link or trace that needs a person.
// Its identifier is the ward's own, unique while the station runs; the text is in the station
// language. Instants are UTC.
struct WardAlarm {
  enum class Priority { High, Medium, Low };
  // What happened to an alarm, as the ward reports it to its web side.
  enum class Event { Raised, Cleared, Acknowledged };

  std::uint64_t id = 0;
  int bed = 0;
  Priority priority = Priority::Medium;
  std::string text;
  std::chrono::system_clock::time_point since{};
  std::optional<std::chrono::system_clock::time_point> cleared;  // none while it is on
  std::string acknowledgedBy;                                     // empty until acknowledged
  std::optional<std::chrono::system_clock::time_point> acknowledged;

  // "high", "medium" or "low": as the web side's JSON and the station's event log name it.
  static const char* PriorityName(Priority priority) {
    switch (priority) {
      case Priority::High: return "high";
      case Priority::Medium: return "medium";
      case Priority::Low: return "low";
    }
    return "medium";
  }
};
