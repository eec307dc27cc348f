#include "ward/BedNumerics.h"

#include "ward/BedRow.h"
#include "ward/PacketAlarm.h"

namespace {

constexpr int kNIBPMeasured = 4;

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
  for (const PacketAlarm& alarm : PacketAlarm::All()) {
    const unsigned char code = (packet.*alarm.status)();
    if (code != PacketAlarm::kNormal) row.alarms.push_back(alarm.Described(code));
  }
}

int BedNumerics::LostSamples(PKParam_v110& packet) {
  int lost = 0;
  for (int index = 0; index < kSamples; ++index) {
    if (!packet.IsValidData(PARAM_FHR1, index) && !packet.IsValidData(PARAM_FHR2, index)) ++lost;
  }
  return lost;
}
