#include "packet/PKMonitor_v110.h"

namespace {
constexpr unsigned char kTypeHeader = 0xB3;
constexpr int kSize = 56;
constexpr int kModelType = 1;
constexpr int kVersionMain = 2;
constexpr int kVersionSub = 3;
constexpr int kUnitName = 4;
constexpr int kUnitNameLength = 20;
constexpr int kMonitorNumber = 24;
constexpr int kDisplayMode = 25;
constexpr int kECGLead = 26;
constexpr int kQRSVolume = 27;
constexpr int kECGFilter = 28;
constexpr int kECGACFilter = 29;
constexpr int kPace = 30;
constexpr int kSpO2RateVolume = 31;
constexpr int kNIBPCuffType = 32;
constexpr int kNIBPInterval = 33;
constexpr int kNIBPMode = 34;
constexpr int kFQRSVolume = 35;
constexpr int kFECGFilter = 36;
constexpr int kFECGACFilter = 37;
constexpr int kFSpO2RateVolume = 38;
constexpr int kFHRAutoGainControl = 39;
constexpr int kFHR1Volume = 40;
constexpr int kFHR2Volume = 41;
constexpr int kFHR2Offset = 42;
constexpr int kUCOffset = 43;
constexpr int kIUPOffset = 44;
constexpr int kAutoZeroing = 45;
constexpr int kFetalMovement = 46;
}  // namespace

PKMonitor_v110::PKMonitor_v110() : PKBase(m_Packet, kSize, kTypeHeader) {
  static_assert(sizeof(m_Packet) == kSize);
}
PKMonitor_v110::PKMonitor_v110(const PKMonitor_v110& other) : PKBase(other, m_Packet) {}
PKMonitor_v110::~PKMonitor_v110() = default;

PKMonitor_v110& PKMonitor_v110::operator=(PKMonitor_v110& other) {
  CopyPacket(&other);
  return *this;
}

void PKMonitor_v110::GetVersion(unsigned char& main, unsigned char& sub) {
  main = m_Packet[kVersionMain];
  sub = m_Packet[kVersionSub];
}

void PKMonitor_v110::SetVersion(unsigned char main, unsigned char sub) {
  m_Packet[kVersionMain] = main;
  m_Packet[kVersionSub] = sub;
}

CString PKMonitor_v110::GetVersionToSting() {
  CString text;
  text.Format("%d.%d", m_Packet[kVersionMain], m_Packet[kVersionSub]);
  return text;
}

CString PKMonitor_v110::GetUnitName() { return GetStringValue(m_Packet + kUnitName, kUnitNameLength); }
void PKMonitor_v110::SetUnitName(CString name) { SetStringValue(m_Packet + kUnitName, name, kUnitNameLength); }

unsigned char PKMonitor_v110::GetModelType() { return m_Packet[kModelType]; }
void PKMonitor_v110::SetModelType(unsigned char code) { m_Packet[kModelType] = code; }
unsigned char PKMonitor_v110::GetMonitorNumber() { return m_Packet[kMonitorNumber]; }
void PKMonitor_v110::SetMonitorNumber(unsigned char number) { m_Packet[kMonitorNumber] = number; }
unsigned char PKMonitor_v110::GetDisplayMode() { return m_Packet[kDisplayMode]; }
void PKMonitor_v110::SetDisplayMode(unsigned char code) { m_Packet[kDisplayMode] = code; }
unsigned char PKMonitor_v110::GetECGLead() { return m_Packet[kECGLead]; }
void PKMonitor_v110::SetECGLead(unsigned char code) { m_Packet[kECGLead] = code; }
unsigned char PKMonitor_v110::GetQRSVolume() { return m_Packet[kQRSVolume]; }
void PKMonitor_v110::SetQRSVolume(unsigned char code) { m_Packet[kQRSVolume] = code; }
unsigned char PKMonitor_v110::GetECGFilter() { return m_Packet[kECGFilter]; }
void PKMonitor_v110::SetECGFilter(unsigned char code) { m_Packet[kECGFilter] = code; }
unsigned char PKMonitor_v110::GetECGACFilter() { return m_Packet[kECGACFilter]; }
void PKMonitor_v110::SetECGACFilter(unsigned char code) { m_Packet[kECGACFilter] = code; }
unsigned char PKMonitor_v110::GetPace() { return m_Packet[kPace]; }
void PKMonitor_v110::SetPace(unsigned char code) { m_Packet[kPace] = code; }
unsigned char PKMonitor_v110::GetSpO2RateVolume() { return m_Packet[kSpO2RateVolume]; }
void PKMonitor_v110::SetSpO2RateVolume(unsigned char code) { m_Packet[kSpO2RateVolume] = code; }
unsigned char PKMonitor_v110::GetNIBPCuffType() { return m_Packet[kNIBPCuffType]; }
void PKMonitor_v110::SetNIBPCuffType(unsigned char code) { m_Packet[kNIBPCuffType] = code; }
unsigned char PKMonitor_v110::GetNIBPInterval() { return m_Packet[kNIBPInterval]; }
void PKMonitor_v110::SetNIBPInterval(unsigned char code) { m_Packet[kNIBPInterval] = code; }
unsigned char PKMonitor_v110::GetNIBPMode() { return m_Packet[kNIBPMode]; }
void PKMonitor_v110::SetNIBPMode(unsigned char code) { m_Packet[kNIBPMode] = code; }
unsigned char PKMonitor_v110::GetFQRSVolume() { return m_Packet[kFQRSVolume]; }
void PKMonitor_v110::SetFQRSVolume(unsigned char code) { m_Packet[kFQRSVolume] = code; }
unsigned char PKMonitor_v110::GetFECGFilter() { return m_Packet[kFECGFilter]; }
void PKMonitor_v110::SetFECGFilter(unsigned char code) { m_Packet[kFECGFilter] = code; }
unsigned char PKMonitor_v110::GetFECGACFilter() { return m_Packet[kFECGACFilter]; }
void PKMonitor_v110::SetFECGACFilter(unsigned char code) { m_Packet[kFECGACFilter] = code; }
unsigned char PKMonitor_v110::GetFSpO2RateVolume() { return m_Packet[kFSpO2RateVolume]; }
void PKMonitor_v110::SetFSpO2RateVolume(unsigned char code) { m_Packet[kFSpO2RateVolume] = code; }
unsigned char PKMonitor_v110::GetFHRAutoGainControl() { return m_Packet[kFHRAutoGainControl]; }
void PKMonitor_v110::SetFHRAutoGainControl(unsigned char code) { m_Packet[kFHRAutoGainControl] = code; }
unsigned char PKMonitor_v110::GetFHR1Volume() { return m_Packet[kFHR1Volume]; }
void PKMonitor_v110::SetFHR1Volume(unsigned char code) { m_Packet[kFHR1Volume] = code; }
unsigned char PKMonitor_v110::GetFHR2Volume() { return m_Packet[kFHR2Volume]; }
void PKMonitor_v110::SetFHR2Volume(unsigned char code) { m_Packet[kFHR2Volume] = code; }
unsigned char PKMonitor_v110::GetFHR2Offset() { return m_Packet[kFHR2Offset]; }
void PKMonitor_v110::SetFHR2Offset(unsigned char code) { m_Packet[kFHR2Offset] = code; }
unsigned char PKMonitor_v110::GetUCOffset() { return m_Packet[kUCOffset]; }
void PKMonitor_v110::SetUCOffset(unsigned char code) { m_Packet[kUCOffset] = code; }
unsigned char PKMonitor_v110::GetIUPOffset() { return m_Packet[kIUPOffset]; }
void PKMonitor_v110::SetIUPOffset(unsigned char code) { m_Packet[kIUPOffset] = code; }
unsigned char PKMonitor_v110::GetAutoZeroing() { return m_Packet[kAutoZeroing]; }
void PKMonitor_v110::SetAutoZeroing(unsigned char code) { m_Packet[kAutoZeroing] = code; }
unsigned char PKMonitor_v110::GetFetalMovement() { return m_Packet[kFetalMovement]; }
void PKMonitor_v110::SetFetalMovement(unsigned char code) { m_Packet[kFetalMovement] = code; }
