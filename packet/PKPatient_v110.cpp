#include "packet/PKPatient_v110.h"


namespace {
constexpr unsigned char kTypeHeader = 0xB1;
constexpr int kSize = 80;
constexpr int kTextLength = 20;
constexpr int kPatientId = 1;
constexpr int kLastName = 21;
constexpr int kFirstName = 41;
constexpr int kGender = 61;
constexpr int kYear = 62;
constexpr int kMonth = 64;
constexpr int kDay = 65;
constexpr int kAge = 66;
constexpr int kHeight = 67;
constexpr int kWeight = 69;
constexpr double kHeightWeightScale = 100.0;
}  // namespace

PKPatient_v110::PKPatient_v110() : PKBase(m_Packet, kSize, kTypeHeader) {
  static_assert(sizeof(m_Packet) == kSize);
}
PKPatient_v110::PKPatient_v110(const PKPatient_v110& other) : PKBase(other, m_Packet) {}
PKPatient_v110::~PKPatient_v110() = default;

PKPatient_v110& PKPatient_v110::operator=(PKPatient_v110& other) {
  CopyPacket(&other);
  return *this;
}

CString PKPatient_v110::GetPatientId() { return GetStringValue(m_Packet + kPatientId, kTextLength); }
void PKPatient_v110::SetPatientId(CString id) { SetStringValue(m_Packet + kPatientId, id, kTextLength); }
CString PKPatient_v110::GetLastName() { return GetStringValue(m_Packet + kLastName, kTextLength); }
void PKPatient_v110::SetLastName(CString name) { SetStringValue(m_Packet + kLastName, name, kTextLength); }
CString PKPatient_v110::GetFirstName() { return GetStringValue(m_Packet + kFirstName, kTextLength); }
void PKPatient_v110::SetFirstName(CString name) { SetStringValue(m_Packet + kFirstName, name, kTextLength); }

unsigned char PKPatient_v110::GetGender() { return m_Packet[kGender]; }
void PKPatient_v110::SetGender(unsigned char code) { m_Packet[kGender] = code; }
unsigned char PKPatient_v110::GetAge() { return m_Packet[kAge]; }
void PKPatient_v110::SetAge(unsigned char age) { m_Packet[kAge] = age; }

int PKPatient_v110::GetYear() { return Get2ByteValue(m_Packet + kYear); }
void PKPatient_v110::SetYear(int year) { Set2ByteValue(m_Packet + kYear, year); }
int PKPatient_v110::GetMonth() { return m_Packet[kMonth]; }
void PKPatient_v110::SetMonth(int month) { m_Packet[kMonth] = static_cast<unsigned char>(month); }
int PKPatient_v110::GetDay() { return m_Packet[kDay]; }
void PKPatient_v110::SetDay(int day) { m_Packet[kDay] = static_cast<unsigned char>(day); }

double PKPatient_v110::GetHeight() { return GetScaledValue(m_Packet + kHeight, kHeightWeightScale); }
double PKPatient_v110::GetWeight() { return GetScaledValue(m_Packet + kWeight, kHeightWeightScale); }

void PKPatient_v110::SetHeight(double height) {
  SetScaledValue(m_Packet + kHeight, height, kHeightWeightScale);
}

void PKPatient_v110::SetWeight(double weight) {
  SetScaledValue(m_Packet + kWeight, weight, kHeightWeightScale);
}
