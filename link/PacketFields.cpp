#include "link/PacketFields.h"

#include <string>
#include <type_traits>

#include "link/ParamKind.h"
#include "packet/PKAlarm_v110.h"
#include "packet/PKControl.h"
#include "packet/PKMonitor_v110.h"
#include "packet/PKParam_v110.h"
#include "packet/PKPatient_v110.h"
#include "packet/PKProtocolVer.h"
#include "packet/PKWave_v110.h"

namespace {

// Wave channel numbering of the waveform packet's IsValidData.
constexpr int kWaveECG = 1;
constexpr int kWaveSpO2 = 2;
constexpr int kWaveFECG = 3;
constexpr int kWaveFSpO2 = 4;

constexpr int kNumericSamples = 5;
constexpr int kECGWaveSamples = 12;
constexpr int kSpO2WaveSamples = 3;

// A one-byte code or number of a packet, read through its getter.
template <class Packet>
struct ByteField {
  const char* name;
  unsigned char (Packet::*get)();
  CodeKind code;
};

template <class Packet, std::size_t N>
void AddByteFields(Packet& packet, const ByteField<Packet> (&fields)[N], FieldList& out) {
  for (const ByteField<Packet>& field : fields) {
    out.Add(field.name, IntValue((packet.*field.get)()), field.code);
  }
}

// A limit pair of the alarm-settings packet, first limit first.
template <class Limit>
void AddLimitPair(PKAlarm_v110& packet, void (PKAlarm_v110::*get)(Limit&, Limit&), const char* name,
                  FieldList& out) {
  Limit first{};
  Limit second{};
  (packet.*get)(first, second);
  if constexpr (std::is_floating_point_v<Limit>) {
    out.AddList(name, {DecimalValue(first, 1), DecimalValue(second, 1)});
  } else {
    out.AddList(name, {IntValue(first), IntValue(second)});
  }
}

// The enable nibble and the level nibble of one alarmed parameter.
void AddEnableAndLevel(const std::string& parameter, unsigned char enable, unsigned char level,
                       FieldList& out) {
  out.Add(parameter + "AlarmEnable", IntValue(enable));
  out.Add(parameter + "Level", IntValue(level), CodeKind::AlarmLevel);
}

// Samples of an array field, each absent where the packet's IsValidData(kind, i) says so.
template <class Packet, class Value>
void AddCheckedSamples(Packet& packet, const char* name, int count, int kind,
                       Value (Packet::*get)(int), FieldList& out) {
  out.AddSamples(name, count, [&](int i) {
    return IntValueIf(packet.IsValidData(kind, i) != 0, (packet.*get)(i));
  });
}

template <class Value>
void AddNumericSamples(PKParam_v110& p, const char* name, int kind, Value (PKParam_v110::*get)(int),
                       FieldList& out) {
  AddCheckedSamples(p, name, kNumericSamples, kind, get, out);
}

// A fetal movement count (absent as a count of 127) and its movement-detected marks.
void AddFetalMovement(PKParam_v110& p, const char* count, int kind,
                      unsigned char (PKParam_v110::*getCount)(int), const char* mark,
                      int (PKParam_v110::*getMark)(int), FieldList& out) {
  AddNumericSamples(p, count, kind, getCount, out);
  out.AddSamples(mark, kNumericSamples, [&](int i) { return IntValue((p.*getMark)(i)); });
}

}  // namespace

void ListFields(PKControl& packet, FieldList& out) {
  out.Add("Type", IntValue(packet.GetType()));
  out.Add("Data", IntValue(packet.GetData()));
}

void ListFields(PKProtocolVer& packet, FieldList& out) {
  out.Add("Version", TextValue(packet.GetVersionToString().str()));
}

void ListFields(PKPatient_v110& packet, FieldList& out) {
  out.Add("PatientId", TextValue(packet.GetPatientId().str()));
  out.Add("LastName", TextValue(packet.GetLastName().str()));
  out.Add("FirstName", TextValue(packet.GetFirstName().str()));
  out.Add("Gender", IntValue(packet.GetGender()), CodeKind::Gender);
  out.Add("Year", IntValue(packet.GetYear()));
  out.Add("Month", IntValue(packet.GetMonth()));
  out.Add("Day", IntValue(packet.GetDay()));
  out.Add("Age", IntValue(packet.GetAge()));
  out.Add("Height", DecimalValue(packet.GetHeight(), 2));
  out.Add("Weight", DecimalValue(packet.GetWeight(), 2));
}

void ListFields(PKAlarm_v110& p, FieldList& out) {
  using A = PKAlarm_v110;
  AddEnableAndLevel("FHR1", p.GetFHR1AlarmEnable(), p.GetFHR1Level(), out);
  AddLimitPair(p, &A::GetFHR1Limit, "FHR1Limit", out);
  AddEnableAndLevel("FHR2", p.GetFHR2AlarmEnable(), p.GetFHR2Level(), out);
  AddLimitPair(p, &A::GetFHR2Limit, "FHR2Limit", out);
  AddEnableAndLevel("UC", p.GetUCAlarmEnable(), p.GetUCLevel(), out);
  AddLimitPair(p, &A::GetUCLimit, "UCLimit", out);
  AddLimitPair(p, &A::GetUCFreqLimit, "UCFreqLimit", out);
  AddEnableAndLevel("ECG", p.GetECGAlarmEnable(), p.GetECGLevel(), out);
  AddLimitPair(p, &A::GetECGLimit, "ECGLimit", out);
  AddEnableAndLevel("SpO2", p.GetSpO2AlarmEnable(), p.GetSpO2Level(), out);
  AddLimitPair(p, &A::GetSpO2Limit, "SpO2Limit", out);
  out.Add("SpO2RLevel", IntValue(p.GetSpO2RLevel()), CodeKind::AlarmLevel);
  AddLimitPair(p, &A::GetSpO2RLimit, "SpO2RLimit", out);
  AddEnableAndLevel("NIBP", p.GetNIBPAlarmEnable(), p.GetNIBPLevel(), out);
  out.Add("NIBPSource", IntValue(p.GetNIBPSource()), CodeKind::NIBPSource);
  AddLimitPair(p, &A::GetNIBPLimit, "NIBPLimit", out);
  AddEnableAndLevel("Temp", p.GetTempAlarmEnable(), p.GetTempLevel(), out);
  AddLimitPair(p, &A::GetTempLimit, "TempLimit", out);
  AddEnableAndLevel("FECG", p.GetFECGAlarmEnable(), p.GetFECGLevel(), out);
  AddLimitPair(p, &A::GetFECGLimit, "FECGLimit", out);
  AddEnableAndLevel("FSpO2", p.GetFSpO2AlarmEnable(), p.GetFSpO2Level(), out);
  AddLimitPair(p, &A::GetFSpO2Limit, "FSpO2Limit", out);
  out.Add("FSpO2RLevel", IntValue(p.GetFSpO2RLevel()), CodeKind::AlarmLevel);
  AddLimitPair(p, &A::GetFSpO2RLimit, "FSpO2RLimit", out);
  AddEnableAndLevel("IUP", p.GetIUPAlarmEnable(), p.GetIUPLevel(), out);
  AddLimitPair(p, &A::GetIUPLimit, "IUPLimit", out);
  AddLimitPair(p, &A::GetIUPFreqLimit, "IUPFreqLimit", out);
}

void ListFields(PKMonitor_v110& packet, FieldList& out) {
  using M = PKMonitor_v110;
  static constexpr ByteField<M> kSettings[] = {
      {"MonitorNumber", &M::GetMonitorNumber, CodeKind::None},
      {"DisplayMode", &M::GetDisplayMode, CodeKind::None},
      {"ECGLead", &M::GetECGLead, CodeKind::ECGLead},
      {"QRSVolume", &M::GetQRSVolume, CodeKind::None},
      {"ECGFilter", &M::GetECGFilter, CodeKind::ECGFilter},
      {"ECGACFilter", &M::GetECGACFilter, CodeKind::ACFilter},
      {"Pace", &M::GetPace, CodeKind::Pacemaker},
      {"SpO2RateVolume", &M::GetSpO2RateVolume, CodeKind::None},
      {"NIBPCuffType", &M::GetNIBPCuffType, CodeKind::NIBPCuff},
      {"NIBPInterval", &M::GetNIBPInterval, CodeKind::NIBPInterval},
      {"NIBPMode", &M::GetNIBPMode, CodeKind::None},
      {"FQRSVolume", &M::GetFQRSVolume, CodeKind::None},
      {"FECGFilter", &M::GetFECGFilter, CodeKind::None},
      {"FECGACFilter", &M::GetFECGACFilter, CodeKind::None},
      {"FSpO2RateVolume", &M::GetFSpO2RateVolume, CodeKind::None},
      {"FHRAutoGainControl", &M::GetFHRAutoGainControl, CodeKind::None},
      {"FHR1Volume", &M::GetFHR1Volume, CodeKind::None},
      {"FHR2Volume", &M::GetFHR2Volume, CodeKind::None},
      {"FHR2Offset", &M::GetFHR2Offset, CodeKind::None},
      {"UCOffset", &M::GetUCOffset, CodeKind::None},
      {"IUPOffset", &M::GetIUPOffset, CodeKind::None},
      {"AutoZeroing", &M::GetAutoZeroing, CodeKind::None},
      {"FetalMovement", &M::GetFetalMovement, CodeKind::None},
  };
  out.Add("ModelType", IntValue(packet.GetModelType()), CodeKind::Model);
  out.Add("Version", TextValue(packet.GetVersionToSting().str()));
  out.Add("UnitName", TextValue(packet.GetUnitName().str()));
  AddByteFields(packet, kSettings, out);
}

void ListFields(PKWave_v110& packet, FieldList& out) {
  using W = PKWave_v110;
  AddCheckedSamples(packet, "ECG", kECGWaveSamples, kWaveECG, &W::GetECG, out);
  AddCheckedSamples(packet, "SpO2", kSpO2WaveSamples, kWaveSpO2, &W::GetSpO2, out);
  AddCheckedSamples(packet, "FECG", kECGWaveSamples, kWaveFECG, &W::GetFECG, out);
  AddCheckedSamples(packet, "FSpO2", kSpO2WaveSamples, kWaveFSpO2, &W::GetFSpO2, out);
}

void ListFields(PKParam_v110& p, FieldList& out) {
  using P = PKParam_v110;
  const bool nibpPresent = p.IsValidData(kParamNIBP, 0) != 0;
  out.Add("TimeStamp", IntValue(p.GetTimeStamp()));
  out.Add("FHR1Alarm", IntValue(p.GetFHR1Alarm()), CodeKind::FHR1Alarm);
  AddNumericSamples(p, "FHR1", kParamFHR1, &P::GetFHR1, out);
  AddFetalMovement(p, "FM1", kParamFM1, &P::GetFM1, "FMD1", &P::GetFMD1, out);
  out.Add("FHR2Alarm", IntValue(p.GetFHR2Alarm()), CodeKind::FHR2Alarm);
  AddNumericSamples(p, "FHR2", kParamFHR2, &P::GetFHR2, out);
  AddFetalMovement(p, "FM2", kParamFM2, &P::GetFM2, "FMD2", &P::GetFMD2, out);
  out.Add("UCAlarm", IntValue(p.GetUCAlarm()), CodeKind::UCAlarm);
  out.Add("UCZeroing", IntValue(p.GetUCZeroing()));
  AddNumericSamples(p, "UC", kParamUC, &P::GetUC, out);
  out.Add("ECGAlarm", IntValue(p.GetECGAlarm()), CodeKind::ECGAlarm);
  AddNumericSamples(p, "ECG", kParamECG, &P::GetECG, out);
  out.Add("SpO2Alarm", IntValue(p.GetSpO2Alarm()), CodeKind::SpO2Alarm);
  AddNumericSamples(p, "SpO2", kParamSpO2, &P::GetSpO2, out);
  AddNumericSamples(p, "SpO2R", kParamSpO2R, &P::GetSpO2R, out);
  out.Add("NIBPAlarm", IntValue(p.GetNIBPAlarm()), CodeKind::NIBPAlarm);
  out.Add("NIBPSys", IntValueIf(nibpPresent, p.GetNIBPSys()));
  out.Add("NIBPMean", IntValueIf(nibpPresent, p.GetNIBPMean()));
  out.Add("NIBPDia", IntValueIf(nibpPresent, p.GetNIBPDia()));
  out.Add("NIBPStatus", IntValue(p.GetNIBPStatus()));
  out.Add("TempAlarm", IntValue(p.GetTempAlarm()), CodeKind::TempAlarm);
  out.Add("Temp", DecimalValueIf(p.IsValidData(kParamTemp, 0), p.GetTemp(), 1));
  out.Add("FECGAlarm", IntValue(p.GetFECGAlarm()), CodeKind::FECGAlarm);
  AddNumericSamples(p, "FECG", kParamFECG, &P::GetFECG, out);
  out.Add("FSpO2Alarm", IntValue(p.GetFSpO2Alarm()), CodeKind::FSpO2Alarm);
  AddNumericSamples(p, "FSpO2", kParamFSpO2, &P::GetFSpO2, out);
  AddNumericSamples(p, "FSpO2R", kParamFSpO2R, &P::GetFSpO2R, out);
  out.Add("IUPAlarm", IntValue(p.GetIUPAlarm()), CodeKind::IUPAlarm);
  out.Add("IUPZeroing", IntValue(p.GetIUPZeroing()));
  AddNumericSamples(p, "IUP", kParamIUP, &P::GetIUP, out);
  out.Add("Marker", IntValue(p.GetMarker()));
  out.Add("Stimulator", IntValue(p.GetStimulator()));
}
