#include "link/MonitorSettings.h"

#include <chrono>

#include "packet/PKAlarm_v110.h"
#include "packet/PKMonitor_v110.h"
#include "packet/PKPatient_v110.h"
#include "packet/PKProtocolVer.h"

namespace {

constexpr int kFHRLow = MonitorSettings::kFHRLow;
constexpr int kFHRHigh = MonitorSettings::kFHRHigh;
constexpr int kSpO2Low = MonitorSettings::kSpO2Low;
constexpr int kNIBPLow = MonitorSettings::kNIBPLow;
constexpr int kNIBPHigh = MonitorSettings::kNIBPHigh;

void SetDate(PKPatient_v110& patient, int year, unsigned month, unsigned day) {
  patient.SetYear(year);
  patient.SetMonth(static_cast<int>(month));
  patient.SetDay(static_cast<int>(day));
}

void FillProtocolVersion(PKProtocolVer& version) { version.SetVersion(1, 10); }

void FillMonitor(PKMonitor_v110& monitor) {
  monitor.SetModelType(1);
  monitor.SetVersion(2, 4);
  monitor.SetUnitName("SIM LABOUR ROOM 3");
  monitor.SetMonitorNumber(3);
  monitor.SetDisplayMode(1);
  monitor.SetECGLead(2);  // II
  monitor.SetQRSVolume(2);
  monitor.SetECGFilter(1);    // Monitor
  monitor.SetECGACFilter(1);  // 50Hz
  monitor.SetPace(0);         // None
  monitor.SetSpO2RateVolume(2);
  monitor.SetNIBPCuffType(1);  // Adult
  monitor.SetNIBPInterval(5);  // 5min
  monitor.SetNIBPMode(1);
  monitor.SetFECGFilter(1);
  monitor.SetFECGACFilter(1);
  monitor.SetFHRAutoGainControl(1);
  monitor.SetFHR1Volume(3);
  monitor.SetAutoZeroing(1);
  monitor.SetFetalMovement(1);
}

// An obviously made-up patient.
void FillPatient(PKPatient_v110& patient) {
  patient.SetPatientId("SIM-0000-0001");
  patient.SetLastName("Simulated");
  patient.SetFirstName("Testpatient");
  patient.SetGender(2);  // Female
  SetDate(patient, 1994, 5, 17);
  patient.SetAge(30);
  patient.SetHeight(165.5);
  patient.SetWeight(72.5);
}

void FillAlarmSettings(PKAlarm_v110& alarm) {
  constexpr unsigned char kOn = 1;
  constexpr unsigned char kLow = 1;
  constexpr unsigned char kHigh = 2;
  alarm.SetFHR1AlarmEnable(kOn);
  alarm.SetFHR1Level(kHigh);
  alarm.SetFHR1Limit(kFHRLow, kFHRHigh);
  alarm.SetFHR2Level(kHigh);
  alarm.SetFHR2Limit(kFHRLow, kFHRHigh);
  alarm.SetUCAlarmEnable(kOn);
  alarm.SetUCLevel(kLow);
  alarm.SetUCLimit(0, 90);
  alarm.SetUCFreqLimit(0, 5);
  alarm.SetECGAlarmEnable(kOn);
  alarm.SetECGLevel(kHigh);
  alarm.SetECGLimit(50, 120);
  alarm.SetSpO2AlarmEnable(kOn);
  alarm.SetSpO2Level(kHigh);
  alarm.SetSpO2Limit(kSpO2Low, 100);
  alarm.SetSpO2RLevel(kLow);
  alarm.SetSpO2RLimit(50, 120);
  alarm.SetNIBPAlarmEnable(kOn);
  alarm.SetNIBPLevel(kLow);
  alarm.SetNIBPSource(1);  // Systolic
  alarm.SetNIBPLimit(kNIBPLow, kNIBPHigh);
  alarm.SetTempAlarmEnable(kOn);
  alarm.SetTempLevel(kLow);
  alarm.SetTempLimit(36.0f, 38.0f);
  alarm.SetFECGLevel(kHigh);
  alarm.SetFECGLimit(kFHRLow, kFHRHigh);
  alarm.SetFSpO2Level(kLow);
  alarm.SetFSpO2Limit(30, 70);
  alarm.SetFSpO2RLevel(kLow);
  alarm.SetFSpO2RLimit(kFHRLow, kFHRHigh);
  alarm.SetIUPLevel(kLow);
  alarm.SetIUPLimit(0, 90);
  alarm.SetIUPFreqLimit(0, 5);
}

// The day of `seconds` since 1970-01-01, in UTC.
void SetStudyDate(PKPatient_v110& patient, std::int64_t seconds) {
  const std::chrono::sys_seconds time{std::chrono::seconds(seconds)};
  const std::chrono::year_month_day date{std::chrono::floor<std::chrono::days>(time)};
  SetDate(patient, static_cast<int>(date.year()), static_cast<unsigned>(date.month()),
          static_cast<unsigned>(date.day()));
}

}  // namespace

bool MonitorSettings::Send(PKBase& packet, const PacketSink& sink) {
  packet.ResetCheckSum();
  return sink(std::span<const unsigned char>(packet.GetPacket(), packet.GetPacketSize()));
}

bool MonitorSettings::SendAll(const PacketSink& sink, std::uint32_t seed) {
  return SendWithDate(sink, [seed](PKPatient_v110& patient) {
    // Seeds beyond 9999 fold into the four-digit group before the last, so the identifier
    // keeps its width (and seed 1 its historical bytes).
    CString id;
    id.Format("SIM-%04u-%04u", (seed / 10000) % 10000, seed % 10000);
    patient.SetPatientId(id);
  });
}

bool MonitorSettings::SendForRecording(const PacketSink& sink, std::optional<std::int64_t> studyStart) {
  return SendWithDate(sink, [&](PKPatient_v110& patient) {
    if (studyStart) {
      SetStudyDate(patient, *studyStart);
    } else {
      SetDate(patient, 0, 0, 0);
    }
  });
}

bool MonitorSettings::SendWithDate(const PacketSink& sink, const std::function<void(PKPatient_v110&)>& date) {
  PKProtocolVer version;
  FillProtocolVersion(version);
  PKMonitor_v110 monitor;
  FillMonitor(monitor);
  PKPatient_v110 patient;
  FillPatient(patient);
  date(patient);
  PKAlarm_v110 alarm;
  FillAlarmSettings(alarm);
  return Send(version, sink) && Send(monitor, sink) && Send(patient, sink) && Send(alarm, sink);
}
