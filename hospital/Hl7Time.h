#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <string_view>

#include "hospital/HospitalApi.h"

// Times as HL7 v2 writes them (DTM: YYYY[MM[DD[HH[MM[SS[.S[S[S[S]]]]]]]]][+/-ZZZZ]).
// The station sends instants in UTC with their offset written out ("+0000"), so that no
// receiver has to guess a zone; it reads dates (a birth date) as the calendar day they name.
class VUDODA_HOSPITAL_API Hl7Time {
 public:
  // "YYYYMMDDHHMMSS+0000", or with `milliseconds` "YYYYMMDDHHMMSS.sss+0000", in UTC.
  static std::string Instant(std::chrono::system_clock::time_point instant, bool milliseconds = false);
  // The day a DT or DTM value names (its time and offset, when given, checked and passed over),
  // or nullopt with the fault: fewer than eight digits, a day the calendar does not have, a year
  // before 1850, a time or offset out of range, anything after them.
  static std::optional<std::chrono::year_month_day> Date(std::string_view text, std::string& fault);
};
