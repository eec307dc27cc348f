#include "link/MonitorSettings.h"

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

// An obviously made-up patient; the packet's date is her date of birth. Seeds beyond 9999 fold
// into the four-digit group before the last, so the identifier keeps its width (and seed 1 its
// historical bytes).
void FillPatient(PKPatient_v110& patient, std::uint32_t seed) {
  CString id;
  id.Format("SIM-%04u-%04u", (seed / 10000) % 10000, seed % 10000);
  patient.SetPatientId(id);
  patient.SetLastName("Simulated");
  patient.SetFirstName("Testpatient");
  patient.SetGender(2);  // Female
  patient.SetYear(1994);
  patient.SetMonth(5);
  patient.SetDay(17);
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

}  // namespace

bool MonitorSettings::Send(PKBase& packet, const PacketSink& sink) {
  packet.ResetCheckSum();
  return sink(std::span<const unsigned char>(packet.GetPacket(), packet.GetPacketSize()));
}

bool MonitorSettings::SendAll(const PacketSink& sink, std::uint32_t seed) {
  PKProtocolVer version;
  FillProtocolVersion(version);
  PKMonitor_v110 monitor;
  FillMonitor(monitor);
  PKPatient_v110 patient;
  FillPatient(patient, seed);
  PKAlarm_v110 alarm;
  FillAlarmSettings(alarm);
  return Send(version, sink) && Send(monitor, sink) && Send(patient, sink) && Send(alarm, sink);
}
