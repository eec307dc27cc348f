#include "ward/BedNumerics.h"

#include "constmap/ObConstMap.h"
#include "packet/PKParam_v110.h"
#include "ward/BedRow.h"

namespace {

constexpr unsigned char kAlarmNormal = 0;
constexpr int kNIBPMeasured = 4;

// One parameter's alarm status in the packet and the map that names it.
struct AlarmSource {
  const char* label;
  unsigned char (PKParam_v110::*status)();
  CString (*text)(long code);
};

constexpr AlarmSource kAlarms[] = {
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

// The last sample of `kind` that holds a value, or -1.
template <typename Read>
int Latest(PKParam_v110& packet, int kind, Read read) {
  for (int index = BedNumerics::kSamples - 1; index >= 0; --index) {
    if (packet.IsValidData(kind, index)) return static_cast<int>(read(index));
  }
  return -1;
}

}  // namespace

void BedNumerics::Show(PKParam_v110& packet, BedRow& row) {
  row.fhr1 = Latest(packet, PARAM_FHR1, [&](int i) { return packet.GetFHR1(i); });
  row.fhr2 = Latest(packet, PARAM_FHR2, [&](int i) { return packet.GetFHR2(i); });
  row.uc = Latest(packet, PARAM_UC, [&](int i) { return packet.GetUC(i); });
  row.mhr = Latest(packet, PARAM_ECG, [&](int i) { return packet.GetECG(i); });
  row.spo2 = Latest(packet, PARAM_SPO2, [&](int i) { return packet.GetSpO2(i); });
  if (packet.GetNIBPStatus() == kNIBPMeasured && packet.IsValidData(PARAM_NIBP, 0)) {
    row.nibpSystolic = packet.GetNIBPSys();
    row.nibpDiastolic = packet.GetNIBPDia();
  }
  row.alarms.clear();
  for (const AlarmSource& alarm : kAlarms) {
    const unsigned char code = (packet.*alarm.status)();
    if (code == kAlarmNormal) continue;
    row.alarms.push_back(std::string(alarm.label) + ": " + alarm.text(code).GetString());
  }
}

int BedNumerics::LostSamples(PKParam_v110& packet) {
  int lost = 0;
  for (int index = 0; index < kSamples; ++index) {
    if (!packet.IsValidData(PARAM_FHR1, index) && !packet.IsValidData(PARAM_FHR2, index)) ++lost;
  }
  return lost;
}
