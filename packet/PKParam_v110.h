#pragma once

#include "packet/PKBase.h"

// Numerics packet of protocol 1.10: a time stamp and, per monitored parameter, its alarm status
// and current values. Arrays hold five samples, entry i at offset + i (1-byte entries) or
// offset + 2*i (2-byte entries); 2-byte and 4-byte values are little-endian (see PKBase).
//
//   offset  width  field                  encoding
//   0       1      type header 0xC1
//   1       4      time stamp             4-byte value
//   5       1      FHR1 alarm status      code
//   6       1 x5   FHR1                   byte; 0xFF = no value
//   11      1 x5   FM1 count, FMD1 mark   bits 0-6 count (0x7F = no value); bit 7 FMD1 mark
//   16      1      FHR2 alarm status      code
//   17      1 x5   FHR2                   byte; 0xFF = no value
//   22      1 x5   FM2 count, FMD2 mark   as FM1/FMD1
//   27      1      UC alarm status        code
//   28      1      UC zeroing             code; 1-5 = zeroing event
//   29      1 x5   UC                     byte; 0xFF = no value
//   34      1      ECG alarm status       code
//   35      2 x5   ECG heart rate         2-byte value; 0xFFFF = no value
//   45      1      SpO2 alarm status      code
//   46      1 x5   SpO2                   byte; 0xFF = no value
//   51      2 x5   SpO2 pulse rate        2-byte value; 0xFFFF = no value
//   61      1      NIBP alarm status      code
//   62      2      NIBP systolic          2-byte value; 0xFFFF = no value
//   64      2      NIBP mean              2-byte value; 0xFFFF = no value
//   66      2      NIBP diastolic         2-byte value; 0xFFFF = no value
//   68      1      NIBP status            code; only 4 makes the pressures count
//   69      1      TEMP alarm status      code
//   70      2      temperature            2-byte value = degrees x 10; above 450 = no value
//   72      1      FECG alarm status      code
//   73      1 x5   FECG heart rate        byte; 0xFF = no value
//   78      1      FSpO2 alarm status     code
//   79      1 x5   FSpO2                  byte; 0xFF = no value
//   84      2 x5   FSpO2 pulse rate       2-byte value; 0xFFFF = no value
//   94      1      IUP alarm status       code
//   95      1      IUP zeroing            code; 1-5 = zeroing event
//   96      1 x5   IUP                    byte; 0xFF = no value
//   101     1      flags                  bit 0 marker, bit 1 stimulator, bits 2-7 unused
//   102     5      unused
//   107     1      checksum byte (key)
//
// No accessor stamps the checksum byte or touches the valid flag: the sender calls
// ResetCheckSum() after filling. Array accessors take an index 0-4; outside it a getter
// returns 0 and a setter writes nothing.

// PARAM_KIND: the numbering of monitored parameters that IsValidData takes; the station's
// display switches (ObexConfig::IsVisible) use the same numbers.
enum PARAM_KIND {
  PARAM_ECG = 1,         // ECG heart rate
  PARAM_SPO2 = 2,
  PARAM_SPO2_PR = 3,     // SpO2 pulse rate
  PARAM_TEMP = 4,
  PARAM_NIBP = 5,
  PARAM_UC = 6,
  PARAM_IUP = 7,
  PARAM_FECG = 8,        // FECG heart rate
  PARAM_FSPO2 = 9,
  PARAM_FSPO2_PR = 10,   // FSpO2 pulse rate
  PARAM_FHR1 = 11,
  PARAM_FHR2 = 12,
  PARAM_FM1 = 13,
  PARAM_FM2 = 14,
  PARAM_FM1_SHOWN = 15,  // no data in this packet; shown with FM1
  PARAM_FM2_SHOWN = 16,  // no data in this packet; shown with FM2
  PARAM_MARKER = 17,
  PARAM_STIMULATOR = 18,
  PARAM_ZEROING = 19,    // UC or IUP zeroing
};

class AFX_EXT_CLASS PKParam_v110 : public PKBase {
 public:
  // Bytes C1, 106 x 00, FF; valid flag 0.
  PKParam_v110();
  PKParam_v110(const PKParam_v110& other);
  ~PKParam_v110() override;
  // Copies bytes and key; this packet's valid flag stays.
  PKParam_v110& operator=(PKParam_v110& other);

  unsigned int GetTimeStamp();
  void SetTimeStamp(unsigned int timeStamp);

  // Alarm statuses, zeroing and NIBP status codes: one byte each, stored as given.
  unsigned char GetFHR1Alarm();
  void SetFHR1Alarm(unsigned char code);
  unsigned char GetFHR2Alarm();
  void SetFHR2Alarm(unsigned char code);
  unsigned char GetUCAlarm();
  void SetUCAlarm(unsigned char code);
  unsigned char GetUCZeroing();
  void SetUCZeroing(unsigned char code);
  unsigned char GetECGAlarm();
  void SetECGAlarm(unsigned char code);
  unsigned char GetSpO2Alarm();
  void SetSpO2Alarm(unsigned char code);
  unsigned char GetNIBPAlarm();
  void SetNIBPAlarm(unsigned char code);
  unsigned char GetNIBPStatus();
  void SetNIBPStatus(unsigned char code);
  unsigned char GetTempAlarm();
  void SetTempAlarm(unsigned char code);
  unsigned char GetFECGAlarm();
  void SetFECGAlarm(unsigned char code);
  unsigned char GetFSpO2Alarm();
  void SetFSpO2Alarm(unsigned char code);
  unsigned char GetIUPAlarm();
  void SetIUPAlarm(unsigned char code);
  unsigned char GetIUPZeroing();
  void SetIUPZeroing(unsigned char code);

  // Byte arrays of five samples.
  unsigned char GetFHR1(int index);
  void SetFHR1(int index, unsigned char value);
  unsigned char GetFHR2(int index);
  void SetFHR2(int index, unsigned char value);
  unsigned char GetUC(int index);
  void SetUC(int index, unsigned char value);
  unsigned char GetSpO2(int index);
  void SetSpO2(int index, unsigned char value);
  unsigned char GetFECG(int index);
  void SetFECG(int index, unsigned char value);
  unsigned char GetFSpO2(int index);
  void SetFSpO2(int index, unsigned char value);
  unsigned char GetIUP(int index);
  void SetIUP(int index, unsigned char value);

  // 2-byte arrays of five samples (0-65535; a setter stores the low 16 bits).
  int GetECG(int index);
  void SetECG(int index, int value);
  int GetSpO2R(int index);
  void SetSpO2R(int index, int value);
  int GetFSpO2R(int index);
  void SetFSpO2R(int index, int value);

  // NIBP pressures, 2-byte values.
  int GetNIBPSys();
  void SetNIBPSys(int value);
  int GetNIBPMean();
  void SetNIBPMean(int value);
  int GetNIBPDia();
  void SetNIBPDia(int value);

  // Fetal movement counts, bits 0-6 of the entry (0-127); a setter keeps the FMD mark (bit 7).
  unsigned char GetFM1(int index);
  void SetFM1(int index, unsigned char count);
  unsigned char GetFM2(int index);
  void SetFM2(int index, unsigned char count);
  // Movement-detected marks, bit 7 in place: 128 when set, else 0. A setter sets the mark only
  // for exactly 1 and clears it for any other value; the count stays.
  int GetFMD1(int index);
  void SetFMD1(int index, int mark);
  int GetFMD2(int index);
  void SetFMD2(int index, int mark);

  // Degrees: the stored value / 10 (0.0 to 6553.5).
  float GetTemp();
  // Stores degrees x 10 truncated toward zero, low 16 bits (-1.0 stores 0xFFF6). NaN or a value
  // whose x 10 lies outside the int range stores 0xFFFF (no value).
  void SetTemp(float degrees);

  // 1 when the flag bit is set, else 0. A setter sets the bit for any nonzero argument and
  // keeps the other bits of the flags byte.
  int GetMarker();
  void SetMarker(int on);
  int GetStimulator();
  void SetStimulator(int on);

  // 1 when parameter `kind` (PARAM_KIND 1-19) holds a value at `index`, else 0. Only the
  // no-value patterns are tested (and temperature above 45.0); unknown kinds give 0.
  int IsValidData(int kind, int index);
  // Fills every field with its no-value pattern (flags and FMD marks cleared); marks the
  // packet valid and keeps the key, so it can be sent as it is.
  void SetNullData();

 private:
  unsigned char GetByteEntry(int offset, int index);
  void SetByteEntry(int offset, int index, unsigned char value);
  int Get2ByteEntry(int offset, int index);
  void Set2ByteEntry(int offset, int index, int value);
  unsigned char GetFMCount(int offset, int index);
  void SetFMCount(int offset, int index, unsigned char count);
  int GetFMDMark(int offset, int index);
  void SetFMDMark(int offset, int index, int mark);
  int GetFlag(unsigned char bit);
  void SetFlag(unsigned char bit, int on);
  int IsNIBPValid(int index);
  int IsZeroingValid(int index);

  unsigned char m_Packet[108];
};
