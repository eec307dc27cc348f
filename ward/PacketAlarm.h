#pragma once

#include <span>
#include <string>

#include "constmap/ObConstMap.h"
#include "packet/PKParam_v110.h"

// One parameter's alarm status in the numerics packet, and the map that names its codes: the
// alarms the screen shows, the ward tells and the hospital is sent all come from this one list.
struct PacketAlarm {
  // The status of a parameter whose alarm is off.
  static constexpr unsigned char kNormal = 0;

  const char* parameter;
  unsigned char (PKParam_v110::*status)();
  CString (*text)(long code);

  // Every parameter of the numerics packet that carries an alarm status, in the packet's order.
  static std::span<const PacketAlarm> All();

  // "<parameter>: <the map's text of code>", or "status <code>" where the map has none.
  std::string Described(unsigned char code) const {
    const std::string named = text(code).GetString();
    return std::string(parameter) + ": " + (named.empty() ? "status " + std::to_string(code) : named);
  }
};

inline std::span<const PacketAlarm> PacketAlarm::All() {
  static constexpr PacketAlarm kAlarms[] = {
      {"FHR1", &PKParam_v110::GetFHR1Alarm, &ObConstMap::GetFHR1AlarmText},
      {"FHR2", &PKParam_v110::GetFHR2Alarm, &ObConstMap::GetFHR2AlarmText},
      {"UC", &PKParam_v110::GetUCAlarm, &ObConstMap::GetUCAlarmText},
      {"ECG", &PKParam_v110::GetECGAlarm, &ObConstMap::GetEcgAlarmText},
      {"SpO2", &PKParam_v110::GetSpO2Alarm, &ObConstMap::GetSpO2AlarmText},
      {"NIBP", &PKParam_v110::GetNIBPAlarm, &ObConstMap::GetNIBPAlarmText},
      {"TEMP", &PKParam_v110::GetTempAlarm, &ObConstMap::GetTempAlarmText},
      {"FECG", &PKParam_v110::GetFECGAlarm, &ObConstMap::GetFEcgAlarmText},
      {"FSpO2", &PKParam_v110::GetFSpO2Alarm, &ObConstMap::GetFSpO2AlarmText},
      {"IUP", &PKParam_v110::GetIUPAlarm, &ObConstMap::GetIUPAlarmText},
  };
  return kAlarms;
}
