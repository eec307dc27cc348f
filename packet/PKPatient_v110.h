#pragma once

#include "packet/PKBase.h"

// Patient packet: the demographics of the patient at a monitor, so that station and monitor
// agree on who is being monitored. No setter validates its value (a month of 13 is stored as
// it is), stamps the checksum byte or changes the valid flag.
//
//   offset  width  field                 encoding
//   0       1      type header 0xB1
//   1       20     patient identifier    text field of 20 bytes
//   21      20     last name             text field of 20 bytes (the last name comes first)
//   41      20     first name            text field of 20 bytes
//   61      1      gender                code of the gender map
//   62      2      year                  2-byte value
//   64      1      month                 unsigned byte
//   65      1      day                   unsigned byte
//   66      1      age                   unsigned byte
//   67      2      height                2-byte value = height x 100, truncated toward zero
//   69      2      weight                2-byte value = weight x 100, truncated toward zero
//   71      8      not used
//   79      1      checksum byte (key)
//
// Height and weight carry no unit: both ends agree on one (the station's configuration keeps
// it). Values above 655.35 do not fit; only the low 16 bits of the scaled value travel.
class AFX_EXT_CLASS PKPatient_v110 : public PKBase {
 public:
  // Bytes B1, 78 x 00, FF; valid flag 0.
  PKPatient_v110();
  PKPatient_v110(const PKPatient_v110& other);
  ~PKPatient_v110() override;
  // Copies the bytes and the key; this packet's valid flag stays.
  PKPatient_v110& operator=(PKPatient_v110& other);

  // Texts: a getter reads up to the first zero byte, at most 20 characters; a setter stores
  // the first 20 characters of its text and zeros the rest of the field.
  CString GetPatientId();
  void SetPatientId(CString id);
  CString GetLastName();
  void SetLastName(CString name);
  CString GetFirstName();
  void SetFirstName(CString name);

  unsigned char GetGender();
  void SetGender(unsigned char code);
  unsigned char GetAge();
  void SetAge(unsigned char age);

  // 0 … 65535 on reading; the low 16 bits of `year` on writing.
  int GetYear();
  void SetYear(int year);
  // 0 … 255 on reading; the low 8 bits of the argument on writing.
  int GetMonth();
  void SetMonth(int month);
  int GetDay();
  void SetDay(int day);

  // The stored value divided by 100.
  double GetHeight();
  double GetWeight();
  // Stores the argument x100, truncated toward zero, low 16 bits (160.7 stores 16069: the
  // product lies just below 16070). NaN, infinities and products beyond int store 0xFFFF.
  void SetHeight(double height);
  void SetWeight(double weight);

 private:
  unsigned char m_Packet[80];
};
