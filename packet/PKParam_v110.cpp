#include "packet/PKParam_v110.h"


namespace {
constexpr unsigned char kTypeHeader = 0xC1;
constexpr int kSize = 108;
constexpr int kSamples = 5;

constexpr int kTimeStamp = 1;
constexpr int kFHR1Alarm = 5;
constexpr int kFHR1 = 6;
constexpr int kFM1 = 11;
constexpr int kFHR2Alarm = 16;
constexpr int kFHR2 = 17;
constexpr int kFM2 = 22;
constexpr int kUCAlarm = 27;
constexpr int kUCZeroing = 28;
constexpr int kUC = 29;
constexpr int kECGAlarm = 34;
constexpr int kECG = 35;
constexpr int kSpO2Alarm = 45;
constexpr int kSpO2 = 46;
constexpr int kSpO2R = 51;
constexpr int kNIBPAlarm = 61;
constexpr int kNIBPSys = 62;
constexpr int kNIBPMean = 64;
constexpr int kNIBPDia = 66;
constexpr int kNIBPStatus = 68;
constexpr int kTempAlarm = 69;
constexpr int kTemp = 70;
constexpr int kFECGAlarm = 72;
constexpr int kFECG = 73;
constexpr int kFSpO2Alarm = 78;
constexpr int kFSpO2 = 79;
constexpr int kFSpO2R = 84;
constexpr int kIUPAlarm = 94;
constexpr int kIUPZeroing = 95;
constexpr int kIUP = 96;
constexpr int kFlags = 101;

constexpr unsigned char kMarkerBit = 0x01;
constexpr unsigned char kStimulatorBit = 0x02;
constexpr unsigned char kFMDBit = 0x80;
constexpr unsigned char kFMCountBits = 0x7F;

constexpr unsigned char kNoByte = 0xFF;
constexpr int kNo2Byte = 0xFFFF;
constexpr unsigned char kNoFMCount = 0x7F;
constexpr unsigned char kNIBPMeasured = 4;
constexpr unsigned char kFirstZeroingCode = 1;
constexpr unsigned char kLastZeroingCode = 5;
constexpr int kHighestTemp = 450;  // 45.0 degrees; above it the temperature counts as absent
constexpr double kTempScale = 10.0;

bool IsZeroingEvent(unsigned char code) { return code >= kFirstZeroingCode && code <= kLastZeroingCode; }
}  // namespace

PKParam_v110::PKParam_v110() : PKBase(m_Packet, kSize, kTypeHeader) {}
PKParam_v110::PKParam_v110(const PKParam_v110& other) : PKBase(other, m_Packet) {}
PKParam_v110::~PKParam_v110() = default;

PKParam_v110& PKParam_v110::operator=(PKParam_v110& other) {
  CopyPacket(&other);
  return *this;
}

// Array entries: every range check goes through ArrayEntry, so an index outside 0-4 reads 0
// and never writes into the neighbouring field. The helpers serve this file only and are inline,
// so that an accessor does not reach them through the library's symbol table.
inline unsigned char PKParam_v110::GetByteEntry(int offset, int index) {
  const unsigned char* entry = ArrayEntry(offset, 1, kSamples, index);
  return entry ? *entry : 0;
}

inline void PKParam_v110::SetByteEntry(int offset, int index, unsigned char value) {
  if (unsigned char* entry = ArrayEntry(offset, 1, kSamples, index)) *entry = value;
}

inline int PKParam_v110::Get2ByteEntry(int offset, int index) {
  const unsigned char* entry = ArrayEntry(offset, 2, kSamples, index);
  return entry ? Get2ByteValue(entry) : 0;
}

inline void PKParam_v110::Set2ByteEntry(int offset, int index, int value) {
  if (unsigned char* entry = ArrayEntry(offset, 2, kSamples, index)) Set2ByteValue(entry, value);
}

inline unsigned char PKParam_v110::GetFMCount(int offset, int index) {
  return GetByteEntry(offset, index) & kFMCountBits;
}

inline void PKParam_v110::SetFMCount(int offset, int index, unsigned char count) {
  if (unsigned char* entry = ArrayEntry(offset, 1, kSamples, index)) {
    *entry = static_cast<unsigned char>((*entry & kFMDBit) | (count & kFMCountBits));
  }
}

// The mark is returned in place (128), not reduced to 1: hosts compare against the mask.
inline int PKParam_v110::GetFMDMark(int offset, int index) { return GetByteEntry(offset, index) & kFMDBit; }

inline void PKParam_v110::SetFMDMark(int offset, int index, int mark) {
  if (unsigned char* entry = ArrayEntry(offset, 1, kSamples, index)) {
    *entry = static_cast<unsigned char>(mark == 1 ? (*entry | kFMDBit) : (*entry & kFMCountBits));
  }
}

inline int PKParam_v110::GetFlag(unsigned char bit) { return (m_Packet[kFlags] & bit) ? 1 : 0; }

inline void PKParam_v110::SetFlag(unsigned char bit, int on) {
  m_Packet[kFlags] = static_cast<unsigned char>(on ? (m_Packet[kFlags] | bit) : (m_Packet[kFlags] & ~bit));
}

unsigned int PKParam_v110::GetTimeStamp() { return Get4ByteValue(m_Packet + kTimeStamp); }
void PKParam_v110::SetTimeStamp(unsigned int timeStamp) { Set4ByteValue(m_Packet + kTimeStamp, timeStamp); }

unsigned char PKParam_v110::GetFHR1Alarm() { return m_Packet[kFHR1Alarm]; }
void PKParam_v110::SetFHR1Alarm(unsigned char code) { m_Packet[kFHR1Alarm] = code; }
unsigned char PKParam_v110::GetFHR2Alarm() { return m_Packet[kFHR2Alarm]; }
void PKParam_v110::SetFHR2Alarm(unsigned char code) { m_Packet[kFHR2Alarm] = code; }
unsigned char PKParam_v110::GetUCAlarm() { return m_Packet[kUCAlarm]; }
void PKParam_v110::SetUCAlarm(unsigned char code) { m_Packet[kUCAlarm] = code; }
unsigned char PKParam_v110::GetUCZeroing() { return m_Packet[kUCZeroing]; }
void PKParam_v110::SetUCZeroing(unsigned char code) { m_Packet[kUCZeroing] = code; }
unsigned char PKParam_v110::GetECGAlarm() { return m_Packet[kECGAlarm]; }
void PKParam_v110::SetECGAlarm(unsigned char code) { m_Packet[kECGAlarm] = code; }
unsigned char PKParam_v110::GetSpO2Alarm() { return m_Packet[kSpO2Alarm]; }
void PKParam_v110::SetSpO2Alarm(unsigned char code) { m_Packet[kSpO2Alarm] = code; }
unsigned char PKParam_v110::GetNIBPAlarm() { return m_Packet[kNIBPAlarm]; }
void PKParam_v110::SetNIBPAlarm(unsigned char code) { m_Packet[kNIBPAlarm] = code; }
unsigned char PKParam_v110::GetNIBPStatus() { return m_Packet[kNIBPStatus]; }
void PKParam_v110::SetNIBPStatus(unsigned char code) { m_Packet[kNIBPStatus] = code; }
unsigned char PKParam_v110::GetTempAlarm() { return m_Packet[kTempAlarm]; }
void PKParam_v110::SetTempAlarm(unsigned char code) { m_Packet[kTempAlarm] = code; }
unsigned char PKParam_v110::GetFECGAlarm() { return m_Packet[kFECGAlarm]; }
void PKParam_v110::SetFECGAlarm(unsigned char code) { m_Packet[kFECGAlarm] = code; }
unsigned char PKParam_v110::GetFSpO2Alarm() { return m_Packet[kFSpO2Alarm]; }
void PKParam_v110::SetFSpO2Alarm(unsigned char code) { m_Packet[kFSpO2Alarm] = code; }
unsigned char PKParam_v110::GetIUPAlarm() { return m_Packet[kIUPAlarm]; }
void PKParam_v110::SetIUPAlarm(unsigned char code) { m_Packet[kIUPAlarm] = code; }
unsigned char PKParam_v110::GetIUPZeroing() { return m_Packet[kIUPZeroing]; }
void PKParam_v110::SetIUPZeroing(unsigned char code) { m_Packet[kIUPZeroing] = code; }

unsigned char PKParam_v110::GetFHR1(int index) { return GetByteEntry(kFHR1, index); }
void PKParam_v110::SetFHR1(int index, unsigned char value) { SetByteEntry(kFHR1, index, value); }
unsigned char PKParam_v110::GetFHR2(int index) { return GetByteEntry(kFHR2, index); }
void PKParam_v110::SetFHR2(int index, unsigned char value) { SetByteEntry(kFHR2, index, value); }
unsigned char PKParam_v110::GetUC(int index) { return GetByteEntry(kUC, index); }
void PKParam_v110::SetUC(int index, unsigned char value) { SetByteEntry(kUC, index, value); }
unsigned char PKParam_v110::GetSpO2(int index) { return GetByteEntry(kSpO2, index); }
void PKParam_v110::SetSpO2(int index, unsigned char value) { SetByteEntry(kSpO2, index, value); }
unsigned char PKParam_v110::GetFECG(int index) { return GetByteEntry(kFECG, index); }
void PKParam_v110::SetFECG(int index, unsigned char value) { SetByteEntry(kFECG, index, value); }
unsigned char PKParam_v110::GetFSpO2(int index) { return GetByteEntry(kFSpO2, index); }
void PKParam_v110::SetFSpO2(int index, unsigned char value) { SetByteEntry(kFSpO2, index, value); }
unsigned char PKParam_v110::GetIUP(int index) { return GetByteEntry(kIUP, index); }
void PKParam_v110::SetIUP(int index, unsigned char value) { SetByteEntry(kIUP, index, value); }

int PKParam_v110::GetECG(int index) { return Get2ByteEntry(kECG, index); }
void PKParam_v110::SetECG(int index, int value) { Set2ByteEntry(kECG, index, value); }
int PKParam_v110::GetSpO2R(int index) { return Get2ByteEntry(kSpO2R, index); }
void PKParam_v110::SetSpO2R(int index, int value) { Set2ByteEntry(kSpO2R, index, value); }
int PKParam_v110::GetFSpO2R(int index) { return Get2ByteEntry(kFSpO2R, index); }
void PKParam_v110::SetFSpO2R(int index, int value) { Set2ByteEntry(kFSpO2R, index, value); }

int PKParam_v110::GetNIBPSys() { return Get2ByteValue(m_Packet + kNIBPSys); }
void PKParam_v110::SetNIBPSys(int value) { Set2ByteValue(m_Packet + kNIBPSys, value); }
int PKParam_v110::GetNIBPMean() { return Get2ByteValue(m_Packet + kNIBPMean); }
void PKParam_v110::SetNIBPMean(int value) { Set2ByteValue(m_Packet + kNIBPMean, value); }
int PKParam_v110::GetNIBPDia() { return Get2ByteValue(m_Packet + kNIBPDia); }
void PKParam_v110::SetNIBPDia(int value) { Set2ByteValue(m_Packet + kNIBPDia, value); }

unsigned char PKParam_v110::GetFM1(int index) { return GetFMCount(kFM1, index); }
void PKParam_v110::SetFM1(int index, unsigned char count) { SetFMCount(kFM1, index, count); }
unsigned char PKParam_v110::GetFM2(int index) { return GetFMCount(kFM2, index); }
void PKParam_v110::SetFM2(int index, unsigned char count) { SetFMCount(kFM2, index, count); }
int PKParam_v110::GetFMD1(int index) { return GetFMDMark(kFM1, index); }
void PKParam_v110::SetFMD1(int index, int mark) { SetFMDMark(kFM1, index, mark); }
int PKParam_v110::GetFMD2(int index) { return GetFMDMark(kFM2, index); }
void PKParam_v110::SetFMD2(int index, int mark) { SetFMDMark(kFM2, index, mark); }

float PKParam_v110::GetTemp() { return static_cast<float>(GetScaledValue(m_Packet + kTemp, kTempScale)); }
void PKParam_v110::SetTemp(float degrees) { SetScaledValue(m_Packet + kTemp, degrees, kTempScale); }

int PKParam_v110::GetMarker() { return GetFlag(kMarkerBit); }
void PKParam_v110::SetMarker(int on) { SetFlag(kMarkerBit, on); }
int PKParam_v110::GetStimulator() { return GetFlag(kStimulatorBit); }
void PKParam_v110::SetStimulator(int on) { SetFlag(kStimulatorBit, on); }

// NIBP is one measurement, not five samples: only index 0 exists, and the pressures count only
// once the monitor reports the measurement as done (status 4).
int PKParam_v110::IsNIBPValid(int index) {
  return (index == 0 && GetNIBPStatus() == kNIBPMeasured && GetNIBPSys() != kNo2Byte &&
          GetNIBPDia() != kNo2Byte && GetNIBPMean() != kNo2Byte)
             ? 1
             : 0;
}

int PKParam_v110::IsZeroingValid(int index) {
  return (index == 0 && (IsZeroingEvent(GetUCZeroing()) || IsZeroingEvent(GetIUPZeroing()))) ? 1 : 0;
}

// The temperature is compared in stored tenths: 450 is exactly 45.0, with no float rounding.
int PKParam_v110::IsValidData(int kind, int index) {
  switch (kind) {
    case PARAM_ECG: return GetECG(index) != kNo2Byte;
    case PARAM_SPO2: return GetSpO2(index) != kNoByte;
    case PARAM_SPO2_PR: return GetSpO2R(index) != kNo2Byte;
    case PARAM_TEMP: return Get2ByteValue(m_Packet + kTemp) <= kHighestTemp;
    case PARAM_NIBP: return IsNIBPValid(index);
    case PARAM_UC: return GetUC(index) != kNoByte;
    case PARAM_IUP: return GetIUP(index) != kNoByte;
    case PARAM_FECG: return GetFECG(index) != kNoByte;
    case PARAM_FSPO2: return GetFSpO2(index) != kNoByte;
    case PARAM_FSPO2_PR: return GetFSpO2R(index) != kNo2Byte;
    case PARAM_FHR1: return GetFHR1(index) != kNoByte;
    case PARAM_FHR2: return GetFHR2(index) != kNoByte;
    case PARAM_FM1: return GetFM1(index) != kNoFMCount;
    case PARAM_FM2: return GetFM2(index) != kNoFMCount;
    case PARAM_MARKER: return (index == 0 && GetMarker() == 1) ? 1 : 0;
    case PARAM_STIMULATOR: return (index == 0 && GetStimulator() == 1) ? 1 : 0;
    case PARAM_ZEROING: return IsZeroingValid(index);
    default: return 0;  // 15 and 16 carry no data in this packet; other kinds do not exist
  }
}

// All-ones everywhere, except that the flags and the FMD marks are cleared: a set bit there
// would read as an event, not as the absence of one.
void PKParam_v110::SetNullData() {
  Clear(kNoByte);
  SetMarker(0);
  SetStimulator(0);
  for (int index = 0; index < kSamples; ++index) {
    SetFMD1(index, 0);
    SetFMD2(index, 0);
  }
}
