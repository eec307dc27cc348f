#include "constmap/ObConstMap.h"

#include <array>
#include <span>
#include <string>

#include "platform/CodePage.h"
#include "qnutil/QnGF.h"

namespace {

template <std::size_t N>
using Map = std::array<__CONST_MAP, N>;

constexpr Map<3> kModel{{{1, 10000}, {2, 10001}, {3, 10002}}};
constexpr Map<2> kACFilter{{{1, 10003}, {2, 10004}}};
constexpr Map<2> kAdmitStatus{{{0, 10005}, {1, 10006}}};
constexpr Map<3> kAdmitType{{{1, 10007}, {2, 10008}, {3, 10009}}};
constexpr Map<2> kGender{{{1, 10010}, {2, 10011}}};
constexpr Map<2> kHeightUnit{{{1, 10012}, {2, 10013}}};
constexpr Map<2> kWeightUnit{{{1, 10014}, {2, 10015}}};
constexpr Map<2> kAlarmLevel{{{1, 10017}, {2, 10018}}};
constexpr Map<2> kOnOff{{{0, 10019}, {1, 10020}}};
constexpr Map<3> kECGLead{{{1, 10021}, {2, 10022}, {3, 10023}}};
constexpr Map<4> kECGGain{{{2, 10033}, {3, 10034}, {4, 10035}, {5, 10036}}};
constexpr Map<4> kECGSpeed{{{1, 10037}, {2, 10038}, {3, 10039}, {4, 10040}}};
constexpr Map<4> kECGFilter{{{1, 10041}, {2, 10042}, {3, 10043}, {4, 10044}}};
// The cuff sizes are the admit types' rows, in a table of their own.
constexpr Map<3> kNIBPCuff = kAdmitType;
constexpr Map<13> kNIBPInterval{{{0, 10045},
                                 {1, 10046},
                                 {2, 10047},
                                 {3, 10048},
                                 {4, 10049},
                                 {5, 10050},
                                 {6, 10051},
                                 {7, 10052},
                                 {8, 10053},
                                 {9, 10054},
                                 {10, 10176},  // 45min came later than the rest
                                 {11, 10055},
                                 {12, 10056}}};
constexpr Map<3> kNIBPSource{{{1, 10092}, {2, 10093}, {3, 10094}}};
constexpr Map<2> kNIBPUnit{{{1, 10114}, {2, 10115}}};
constexpr Map<2> kTempUnit{{{1, 10057}, {2, 10058}}};
constexpr Map<2> kPacemaker{{{0, 10059}, {1, 10060}}};
constexpr Map<6> kECGAlarm{{{0, 10127}, {1, 10129}, {2, 10130}, {11, 10128}, {12, 10131}, {13, 10132}}};
constexpr Map<11> kSpO2Alarm{{{0, 10127},
                              {1, 10133},
                              {2, 10134},
                              {3, 10135},
                              {4, 10136},
                              {5, 10137},
                              {6, 10138},
                              {7, 10139},
                              {8, 10140},
                              {9, 10141},
                              {10, 10142}}};
constexpr Map<6> kFHR1Alarm{{{0, 10127}, {1, 10129}, {2, 10130}, {3, 10143}, {4, 10144}, {5, 10145}}};
constexpr Map<6> kFHR2Alarm{{{0, 10127}, {1, 10129}, {2, 10130}, {3, 10146}, {4, 10144}, {5, 10145}}};
// The fetal ECG and SpO2 report their alarms as the maternal ones do, and IUP as UC.
constexpr Map<6> kFECGAlarm = kECGAlarm;
constexpr Map<11> kFSpO2Alarm = kSpO2Alarm;
constexpr Map<4> kUCAlarm{{{0, 10127}, {1, 10147}, {2, 10148}, {3, 10149}}};
constexpr Map<4> kIUPAlarm = kUCAlarm;
constexpr Map<17> kNIBPAlarm{{{0, 10127},
                              {1, 10129},
                              {2, 10130},
                              {17, 10150},
                              {18, 10151},
                              {19, 10152},
                              {20, 10153},
                              {21, 10154},
                              {22, 10155},
                              {23, 10156},
                              {24, 10157},
                              {25, 10158},
                              {26, 10159},
                              {27, 10160},
                              {28, 10161},
                              {29, 10162},
                              {30, 10163}}};
constexpr Map<4> kTempAlarm{{{0, 10127}, {1, 10129}, {2, 10130}, {6, 10138}}};
constexpr Map<4> kWave{{{1, 10116}, {2, 10118}, {3, 10117}, {4, 10119}}};
constexpr Map<2> kLanguage{{{3, 10070}, {13, 10080}}};
constexpr Map<3> kAutoRecordStop{{{0, 10082}, {1, 10083}, {2, 10084}}};
constexpr Map<3> kTrendSpeed{{{1, 10085}, {2, 10086}, {3, 10087}}};
constexpr Map<5> kDelayTime{{{0, 10019}, {1, 10088}, {2, 10089}, {3, 10090}, {4, 10091}}};
// Both level kinds read this one table: the 5-level kind sees its first six rows.
constexpr Map<10> kLevels{{{0, 10019},
                           {1, 10095},
                           {2, 10096},
                           {3, 10097},
                           {4, 10098},
                           {5, 10099},
                           {6, 10177},
                           {7, 10178},
                           {8, 10179},
                           {9, 10180}}};
constexpr std::size_t kLevel5Rows = 6;
constexpr Map<2> kManualAuto{{{0, 10100}, {1, 10101}}};
constexpr Map<3> kOffset{{{0, 10111}, {1, 10112}, {2, 10113}}};
constexpr Map<5> kSignedOffset{{{0, 10106}, {1, 10107}, {2, 10108}, {3, 10109}, {4, 10110}}};
constexpr Map<4> kMonitoringMode{{{1, 10102}, {2, 10103}, {3, 10105}, {4, 10104}}};

using Rows = std::span<const __CONST_MAP>;

// The rows of a kind: the one dispatch behind GetMapPointer and GetMapSize. Empty for
// CMAP_COLOR and for values outside 2–42.
Rows RowsOf(ObConstMap::CMAP_TYPE type) {
  using M = ObConstMap;
  switch (type) {
    case M::CMAP_MODEL: return kModel;
    case M::CMAP_AC_FILTER: return kACFilter;
    case M::CMAP_ADMIT_STATUS: return kAdmitStatus;
    case M::CMAP_ADMIT_TYPE: return kAdmitType;
    case M::CMAP_GENDER: return kGender;
    case M::CMAP_HEIGHT_UNIT: return kHeightUnit;
    case M::CMAP_WEIGHT_UNIT: return kWeightUnit;
    case M::CMAP_ALARM_LEVEL: return kAlarmLevel;
    case M::CMAP_ON_OFF: return kOnOff;
    case M::CMAP_COLOR: return {};
    case M::CMAP_ECG_LEAD: return kECGLead;
    case M::CMAP_ECG_GAIN: return kECGGain;
    case M::CMAP_ECG_SPEED: return kECGSpeed;
    case M::CMAP_ECG_FILTER: return kECGFilter;
    case M::CMAP_NIBP_CUFF: return kNIBPCuff;
    case M::CMAP_NIBP_INTERVAL: return kNIBPInterval;
    case M::CMAP_NIBP_SOURCE: return kNIBPSource;
    case M::CMAP_NIBP_UNIT: return kNIBPUnit;
    case M::CMAP_TEMP_UNIT: return kTempUnit;
    case M::CMAP_PACEMAKER: return kPacemaker;
    case M::CMAP_ECG_ALARM: return kECGAlarm;
    case M::CMAP_SPO2_ALARM: return kSpO2Alarm;
    case M::CMAP_FHR1_ALARM: return kFHR1Alarm;
    case M::CMAP_FHR2_ALARM: return kFHR2Alarm;
    case M::CMAP_FECG_ALARM: return kFECGAlarm;
    case M::CMAP_FSPO2_ALARM: return kFSpO2Alarm;
    case M::CMAP_UC_ALARM: return kUCAlarm;
    case M::CMAP_IUP_ALARM: return kIUPAlarm;
    case M::CMAP_NIBP_ALARM: return kNIBPAlarm;
    case M::CMAP_TEMP_ALARM: return kTempAlarm;
    case M::CMAP_WAVE: return kWave;
    case M::CMAP_LANGUAGE: return kLanguage;
    case M::CMAP_AUTO_RECORD_STOP: return kAutoRecordStop;
    case M::CMAP_TREND_SPEED: return kTrendSpeed;
    case M::CMAP_DELAY_TIME: return kDelayTime;
    case M::CMAP_LEVEL_9: return kLevels;
    case M::CMAP_LEVEL_5: return Rows(kLevels).first(kLevel5Rows);
    case M::CMAP_MANUAL_AUTO: return kManualAuto;
    case M::CMAP_OFFSET: return kOffset;
    case M::CMAP_SIGNED_OFFSET: return kSignedOffset;
    case M::CMAP_MONITORING_MODE: return kMonitoringMode;
  }
  return {};
}

// Seconds of the NIBP interval codes 1–12; code 0 ("Off") and all others are 0.
constexpr int kNIBPIntervalSeconds[] = {0, 60, 120, 150, 180, 300, 600, 900, 1200, 1800, 2700, 3600, 7200};

}  // namespace

ObConstMap::ObConstMap(const ObConstMap&) {}

ObConstMap& ObConstMap::operator=(const ObConstMap&) { return *this; }

ObConstMap::~ObConstMap() = default;

const __CONST_MAP* ObConstMap::GetMapPointer(CMAP_TYPE type) {
  const Rows rows = RowsOf(type);
  return rows.empty() ? nullptr : rows.data();
}

int ObConstMap::GetMapSize(CMAP_TYPE type) { return static_cast<int>(RowsOf(type).size()); }

int ObConstMap::GetMap(CMAP_TYPE type, int index, __CONST_MAP& row) {
  const Rows rows = RowsOf(type);
  if (index < 0 || static_cast<std::size_t>(index) >= rows.size()) return 0;
  row = rows[static_cast<std::size_t>(index)];
  return 1;
}

long ObConstMap::GetMapConst(CMAP_TYPE type, int index) {
  __CONST_MAP row{};
  return GetMap(type, index, row) ? row.lConst : 0;
}

unsigned int ObConstMap::GetMapStringId(CMAP_TYPE type, int index) {
  __CONST_MAP row{};
  return GetMap(type, index, row) ? row.uStringId : 0;
}

CString ObConstMap::GetMapText(CMAP_TYPE type, int index) {
  __CONST_MAP row{};
  return GetMap(type, index, row) ? QnGF::GetString(row.uStringId) : CString();
}

CString ObConstMap::GetMapTextByConst(CMAP_TYPE type, long code) {
  for (const __CONST_MAP& row : RowsOf(type)) {
    if (row.lConst == code) return QnGF::GetString(row.uStringId);
  }
  return CString();
}

int ObConstMap::GetNIBPIntervalValue(long code) {
  return code >= 0 && code < static_cast<long>(std::size(kNIBPIntervalSeconds)) ? kNIBPIntervalSeconds[code] : 0;
}

CString ObConstMap::GetTempUnitText(long code) {
  // Wide literals, converted to the process code page as MFC converts when assigning them.
  std::string text;
  return WideToAnsi(code == 1 ? L"\u00B0C" : L"\u00B0F", text) ? CString(text) : CString();
}

CString ObConstMap::GetModelText(long code) { return GetMapTextByConst(CMAP_MODEL, code); }
CString ObConstMap::GetACFilterText(long code) { return GetMapTextByConst(CMAP_AC_FILTER, code); }
CString ObConstMap::GetAdmitStatusText(long code) { return GetMapTextByConst(CMAP_ADMIT_STATUS, code); }
CString ObConstMap::GetAdmitTypeText(long code) { return GetMapTextByConst(CMAP_ADMIT_TYPE, code); }
CString ObConstMap::GetGenderText(long code) { return GetMapTextByConst(CMAP_GENDER, code); }
CString ObConstMap::GetHeightUnitText(long code) { return GetMapTextByConst(CMAP_HEIGHT_UNIT, code); }
CString ObConstMap::GetWeightUnitText(long code) { return GetMapTextByConst(CMAP_WEIGHT_UNIT, code); }
CString ObConstMap::GetAlarmLevelText(long code) { return GetMapTextByConst(CMAP_ALARM_LEVEL, code); }
CString ObConstMap::GetOnOffText(long code) { return GetMapTextByConst(CMAP_ON_OFF, code); }
CString ObConstMap::GetColorText(long code) { return GetMapTextByConst(CMAP_COLOR, code); }
CString ObConstMap::GetECGLeadText(long code) { return GetMapTextByConst(CMAP_ECG_LEAD, code); }
CString ObConstMap::GetECGGainText(long code) { return GetMapTextByConst(CMAP_ECG_GAIN, code); }
CString ObConstMap::GetECGSpeedText(long code) { return GetMapTextByConst(CMAP_ECG_SPEED, code); }
CString ObConstMap::GetECGFilterText(long code) { return GetMapTextByConst(CMAP_ECG_FILTER, code); }
CString ObConstMap::GetNIBPCuffText(long code) { return GetMapTextByConst(CMAP_NIBP_CUFF, code); }
CString ObConstMap::GetNIBPIntervalText(long code) { return GetMapTextByConst(CMAP_NIBP_INTERVAL, code); }
CString ObConstMap::GetNIBPUnitText(long code) { return GetMapTextByConst(CMAP_NIBP_UNIT, code); }
CString ObConstMap::GetPacemakerText(long code) { return GetMapTextByConst(CMAP_PACEMAKER, code); }
CString ObConstMap::GetEcgAlarmText(long code) { return GetMapTextByConst(CMAP_ECG_ALARM, code); }
CString ObConstMap::GetSpO2AlarmText(long code) { return GetMapTextByConst(CMAP_SPO2_ALARM, code); }
CString ObConstMap::GetFHR1AlarmText(long code) { return GetMapTextByConst(CMAP_FHR1_ALARM, code); }
CString ObConstMap::GetFHR2AlarmText(long code) { return GetMapTextByConst(CMAP_FHR2_ALARM, code); }
CString ObConstMap::GetFEcgAlarmText(long code) { return GetMapTextByConst(CMAP_FECG_ALARM, code); }
CString ObConstMap::GetFSpO2AlarmText(long code) { return GetMapTextByConst(CMAP_FSPO2_ALARM, code); }
CString ObConstMap::GetUCAlarmText(long code) { return GetMapTextByConst(CMAP_UC_ALARM, code); }
CString ObConstMap::GetIUPAlarmText(long code) { return GetMapTextByConst(CMAP_IUP_ALARM, code); }
CString ObConstMap::GetNIBPAlarmText(long code) { return GetMapTextByConst(CMAP_NIBP_ALARM, code); }
CString ObConstMap::GetTempAlarmText(long code) { return GetMapTextByConst(CMAP_TEMP_ALARM, code); }
