#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <vector>

#include "web/BedView.h"
#include "web/MonitoredPatient.h"
#include "web/TraceBatch.h"
#include "web/WardAlarm.h"

// The JSON of the ward's web side, one form for its API and its live stream (README lists
// them). Instants are milliseconds since 1970-01-01 UTC; a value a bed does not have is null.
// Samples go by channel ("FHR1", "FHR2", "MHR", "FECG", "UC", "IUP", "FM1", "FM2"): a channel
// appears in "values" when a sample of the stretch has it, in "alarmCodes" when a sample has
// an alarm status other than 0, and "marks" (TraceSample's bits) when a sample has one.
class WardJson {
 public:
  static std::int64_t Milliseconds(std::chrono::system_clock::time_point time);
  // "YYYY-MM-DD".
  static std::string Date(const std::chrono::year_month_day& date);

  static nlohmann::json Alarm(const WardAlarm& alarm);
  static nlohmann::json Alarms(const std::vector<WardAlarm>& alarms);
  static nlohmann::json Bed(const BedView& view);
  static nlohmann::json Beds(const std::vector<BedView>& views);
  // The samples of `batch` from its `first` on, as bed `bed`'s, with "type" when given and the
  // alarms over them when given. Written by hand: it is the live stream's busiest message and a
  // trace's largest answer, and a value is written as the shortest text that reads back as the
  // same float.
  static std::string Samples(int bed, const TraceBatch& batch, std::size_t first = 0, const char* type = nullptr,
                             const std::vector<WardAlarm>* alarms = nullptr);
  static nlohmann::json Patient(const MonitoredPatient& patient);
  // The map texts of the monitor's alarm statuses per channel, in the station language, as a
  // strip names them in its alarm bands: {"FHR1":{"1":"Upper Limit",...},...} for FHR1, FHR2,
  // FECG, MHR, UC and IUP.
  static nlohmann::json AlarmTexts();
  // A correction as a browser sends it; nullopt with the reason in `fault` when a field is
  // missing, not text, longer than 64 bytes, holds a control character, or the birthday is no
  // date ("YYYY-MM-DD", or null for none).
  static std::optional<MonitoredPatient> ParsePatient(const nlohmann::json& body, std::string& fault);

  static const char* LinkName(BedView::Link link);
  static const char* EventName(WardAlarm::Event event);
};
