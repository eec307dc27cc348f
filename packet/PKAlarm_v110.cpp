#include "packet/PKAlarm_v110.h"


namespace {
constexpr unsigned char kTypeHeader = 0xB2;
constexpr int kSize = 60;

// Enable-and-level bytes.
constexpr int kFHR1EnableLevel = 1;
constexpr int kFHR2EnableLevel = 4;
constexpr int kUCEnableLevel = 7;
constexpr int kECGEnableLevel = 12;
constexpr int kSpO2EnableLevel = 17;
constexpr int kNIBPEnableLevel = 25;
constexpr int kTempEnableLevel = 31;
constexpr int kFECGEnableLevel = 36;
constexpr int kFSpO2EnableLevel = 39;
constexpr int kIUPEnableLevel = 45;

// Whole-byte codes.
constexpr int kSpO2RLevel = 20;
constexpr int kNIBPSource = 26;
constexpr int kFSpO2RLevel = 42;

// Limit pairs of one byte each.
constexpr int kFHR1Limits = 2;
constexpr int kFHR2Limits = 5;
constexpr int kUCLimits = 8;
constexpr int kUCFreqLimits = 10;
constexpr int kSpO2Limits = 18;
constexpr int kFECGLimits = 37;
constexpr int kFSpO2Limits = 40;
constexpr int kFSpO2RLimits = 43;
constexpr int kIUPLimits = 46;
constexpr int kIUPFreqLimits = 48;

// Limit pairs of two bytes each.
constexpr int kECGLimits = 13;
constexpr int kSpO2RLimits = 21;
constexpr int kNIBPLimits = 27;
constexpr int kTempLimits = 32;

constexpr int kWordWidth = 2;
constexpr int kNibbleBits = 4;
constexpr unsigned char kLowNibbleMask = 0x0F;
constexpr unsigned char kHighNibbleMask = 0xF0;
constexpr double kTemperatureScale = 10.0;
}  // namespace

PKAlarm_v110::PKAlarm_v110() : PKBase(m_Packet, kSize, kTypeHeader) {
  static_assert(sizeof(m_Packet) == kSize);
}
PKAlarm_v110::PKAlarm_v110(const PKAlarm_v110& other) : PKBase(other, m_Packet) {}
PKAlarm_v110::~PKAlarm_v110() = default;

PKAlarm_v110& PKAlarm_v110::operator=(PKAlarm_v110& other) {
  CopyPacket(&other);
  return *this;
}

unsigned char PKAlarm_v110::GetHighNibble(int offset) { return m_Packet[offset] >> kNibbleBits; }

void PKAlarm_v110::SetHighNibble(int offset, unsigned char value) {
  m_Packet[offset] = static_cast<unsigned char>((m_Packet[offset] & kLowNibbleMask) |
                                                ((value & kLowNibbleMask) << kNibbleBits));
}

unsigned char PKAlarm_v110::GetLowNibble(int offset) { return m_Packet[offset] & kLowNibbleMask; }

void PKAlarm_v110::SetLowNibble(int offset, unsigned char value) {
  m_Packet[offset] = static_cast<unsigned char>((m_Packet[offset] & kHighNibbleMask) | (value & kLowNibbleMask));
}

void PKAlarm_v110::GetBytePair(int offset, int& first, int& second) {
  first = m_Packet[offset];
  second = m_Packet[offset + 1];
}

void PKAlarm_v110::SetBytePair(int offset, int first, int second) {
  m_Packet[offset] = static_cast<unsigned char>(first);
  m_Packet[offset + 1] = static_cast<unsigned char>(second);
}

void PKAlarm_v110::GetWordPair(int offset, int& first, int& second) {
  first = Get2ByteValue(m_Packet + offset);
  second = Get2ByteValue(m_Packet + offset + kWordWidth);
}

void PKAlarm_v110::SetWordPair(int offset, int first, int second) {
  Set2ByteValue(m_Packet + offset, first);
  Set2ByteValue(m_Packet + offset + kWordWidth, second);
}

unsigned char PKAlarm_v110::GetFHR1AlarmEnable() { return GetHighNibble(kFHR1EnableLevel); }
void PKAlarm_v110::SetFHR1AlarmEnable(unsigned char enable) { SetHighNibble(kFHR1EnableLevel, enable); }
unsigned char PKAlarm_v110::GetFHR2AlarmEnable() { return GetHighNibble(kFHR2EnableLevel); }
void PKAlarm_v110::SetFHR2AlarmEnable(unsigned char enable) { SetHighNibble(kFHR2EnableLevel, enable); }
unsigned char PKAlarm_v110::GetUCAlarmEnable() { return GetHighNibble(kUCEnableLevel); }
void PKAlarm_v110::SetUCAlarmEnable(unsigned char enable) { SetHighNibble(kUCEnableLevel, enable); }
unsigned char PKAlarm_v110::GetECGAlarmEnable() { return GetHighNibble(kECGEnableLevel); }
void PKAlarm_v110::SetECGAlarmEnable(unsigned char enable) { SetHighNibble(kECGEnableLevel, enable); }
unsigned char PKAlarm_v110::GetSpO2AlarmEnable() { return GetHighNibble(kSpO2EnableLevel); }
void PKAlarm_v110::SetSpO2AlarmEnable(unsigned char enable) { SetHighNibble(kSpO2EnableLevel, enable); }
unsigned char PKAlarm_v110::GetNIBPAlarmEnable() { return GetHighNibble(kNIBPEnableLevel); }
void PKAlarm_v110::SetNIBPAlarmEnable(unsigned char enable) { SetHighNibble(kNIBPEnableLevel, enable); }
unsigned char PKAlarm_v110::GetTempAlarmEnable() { return GetHighNibble(kTempEnableLevel); }
void PKAlarm_v110::SetTempAlarmEnable(unsigned char enable) { SetHighNibble(kTempEnableLevel, enable); }
unsigned char PKAlarm_v110::GetFECGAlarmEnable() { return GetHighNibble(kFECGEnableLevel); }
void PKAlarm_v110::SetFECGAlarmEnable(unsigned char enable) { SetHighNibble(kFECGEnableLevel, enable); }
unsigned char PKAlarm_v110::GetFSpO2AlarmEnable() { return GetHighNibble(kFSpO2EnableLevel); }
void PKAlarm_v110::SetFSpO2AlarmEnable(unsigned char enable) { SetHighNibble(kFSpO2EnableLevel, enable); }
unsigned char PKAlarm_v110::GetIUPAlarmEnable() { return GetHighNibble(kIUPEnableLevel); }
void PKAlarm_v110::SetIUPAlarmEnable(unsigned char enable) { SetHighNibble(kIUPEnableLevel, enable); }

unsigned char PKAlarm_v110::GetFHR1Level() { return GetLowNibble(kFHR1EnableLevel); }
void PKAlarm_v110::SetFHR1Level(unsigned char level) { SetLowNibble(kFHR1EnableLevel, level); }
unsigned char PKAlarm_v110::GetFHR2Level() { return GetLowNibble(kFHR2EnableLevel); }
void PKAlarm_v110::SetFHR2Level(unsigned char level) { SetLowNibble(kFHR2EnableLevel, level); }
unsigned char PKAlarm_v110::GetUCLevel() { return GetLowNibble(kUCEnableLevel); }
void PKAlarm_v110::SetUCLevel(unsigned char level) { SetLowNibble(kUCEnableLevel, level); }
unsigned char PKAlarm_v110::GetECGLevel() { return GetLowNibble(kECGEnableLevel); }
void PKAlarm_v110::SetECGLevel(unsigned char level) { SetLowNibble(kECGEnableLevel, level); }
unsigned char PKAlarm_v110::GetSpO2Level() { return GetLowNibble(kSpO2EnableLevel); }
void PKAlarm_v110::SetSpO2Level(unsigned char level) { SetLowNibble(kSpO2EnableLevel, level); }
unsigned char PKAlarm_v110::GetNIBPLevel() { return GetLowNibble(kNIBPEnableLevel); }
void PKAlarm_v110::SetNIBPLevel(unsigned char level) { SetLowNibble(kNIBPEnableLevel, level); }
unsigned char PKAlarm_v110::GetTempLevel() { return GetLowNibble(kTempEnableLevel); }
void PKAlarm_v110::SetTempLevel(unsigned char level) { SetLowNibble(kTempEnableLevel, level); }
unsigned char PKAlarm_v110::GetFECGLevel() { return GetLowNibble(kFECGEnableLevel); }
void PKAlarm_v110::SetFECGLevel(unsigned char level) { SetLowNibble(kFECGEnableLevel, level); }
unsigned char PKAlarm_v110::GetFSpO2Level() { return GetLowNibble(kFSpO2EnableLevel); }
void PKAlarm_v110::SetFSpO2Level(unsigned char level) { SetLowNibble(kFSpO2EnableLevel, level); }
unsigned char PKAlarm_v110::GetIUPLevel() { return GetLowNibble(kIUPEnableLevel); }
void PKAlarm_v110::SetIUPLevel(unsigned char level) { SetLowNibble(kIUPEnableLevel, level); }

unsigned char PKAlarm_v110::GetSpO2RLevel() { return m_Packet[kSpO2RLevel]; }
void PKAlarm_v110::SetSpO2RLevel(unsigned char level) { m_Packet[kSpO2RLevel] = level; }
unsigned char PKAlarm_v110::GetFSpO2RLevel() { return m_Packet[kFSpO2RLevel]; }
void PKAlarm_v110::SetFSpO2RLevel(unsigned char level) { m_Packet[kFSpO2RLevel] = level; }
unsigned char PKAlarm_v110::GetNIBPSource() { return m_Packet[kNIBPSource]; }
void PKAlarm_v110::SetNIBPSource(unsigned char code) { m_Packet[kNIBPSource] = code; }

void PKAlarm_v110::GetFHR1Limit(int& first, int& second) { GetBytePair(kFHR1Limits, first, second); }
void PKAlarm_v110::SetFHR1Limit(int first, int second) { SetBytePair(kFHR1Limits, first, second); }
void PKAlarm_v110::GetFHR2Limit(int& first, int& second) { GetBytePair(kFHR2Limits, first, second); }
void PKAlarm_v110::SetFHR2Limit(int first, int second) { SetBytePair(kFHR2Limits, first, second); }
void PKAlarm_v110::GetUCLimit(int& first, int& second) { GetBytePair(kUCLimits, first, second); }
void PKAlarm_v110::SetUCLimit(int first, int second) { SetBytePair(kUCLimits, first, second); }
void PKAlarm_v110::GetUCFreqLimit(int& first, int& second) { GetBytePair(kUCFreqLimits, first, second); }
void PKAlarm_v110::SetUCFreqLimit(int first, int second) { SetBytePair(kUCFreqLimits, first, second); }
void PKAlarm_v110::GetSpO2Limit(int& first, int& second) { GetBytePair(kSpO2Limits, first, second); }
void PKAlarm_v110::SetSpO2Limit(int first, int second) { SetBytePair(kSpO2Limits, first, second); }
void PKAlarm_v110::GetFECGLimit(int& first, int& second) { GetBytePair(kFECGLimits, first, second); }
void PKAlarm_v110::SetFECGLimit(int first, int second) { SetBytePair(kFECGLimits, first, second); }
void PKAlarm_v110::GetFSpO2Limit(int& first, int& second) { GetBytePair(kFSpO2Limits, first, second); }
void PKAlarm_v110::SetFSpO2Limit(int first, int second) { SetBytePair(kFSpO2Limits, first, second); }
void PKAlarm_v110::GetFSpO2RLimit(int& first, int& second) { GetBytePair(kFSpO2RLimits, first, second); }
void PKAlarm_v110::SetFSpO2RLimit(int first, int second) { SetBytePair(kFSpO2RLimits, first, second); }
void PKAlarm_v110::GetIUPLimit(int& first, int& second) { GetBytePair(kIUPLimits, first, second); }
void PKAlarm_v110::SetIUPLimit(int first, int second) { SetBytePair(kIUPLimits, first, second); }
void PKAlarm_v110::GetIUPFreqLimit(int& first, int& second) { GetBytePair(kIUPFreqLimits, first, second); }
void PKAlarm_v110::SetIUPFreqLimit(int first, int second) { SetBytePair(kIUPFreqLimits, first, second); }

void PKAlarm_v110::GetECGLimit(int& first, int& second) { GetWordPair(kECGLimits, first, second); }
void PKAlarm_v110::SetECGLimit(int first, int second) { SetWordPair(kECGLimits, first, second); }
void PKAlarm_v110::GetSpO2RLimit(int& first, int& second) { GetWordPair(kSpO2RLimits, first, second); }
void PKAlarm_v110::SetSpO2RLimit(int first, int second) { SetWordPair(kSpO2RLimits, first, second); }
void PKAlarm_v110::GetNIBPLimit(int& first, int& second) { GetWordPair(kNIBPLimits, first, second); }
void PKAlarm_v110::SetNIBPLimit(int first, int second) { SetWordPair(kNIBPLimits, first, second); }

void PKAlarm_v110::GetTempLimit(float& first, float& second) {
  first = static_cast<float>(GetScaledValue(m_Packet + kTempLimits, kTemperatureScale));
  second = static_cast<float>(GetScaledValue(m_Packet + kTempLimits + kWordWidth, kTemperatureScale));
}

// The float is widened before scaling, so 37.3f (just below 37.3) stores 372, as the
// monitors compute it.
void PKAlarm_v110::SetTempLimit(float first, float second) {
  SetScaledValue(m_Packet + kTempLimits, first, kTemperatureScale);
  SetScaledValue(m_Packet + kTempLimits + kWordWidth, second, kTemperatureScale);
}
