#pragma once

#include "packet/PKBase.h"

// Alarm-settings packet: for each alarmed parameter whether its alarm is enabled, its level
// and its pair of limits; for UC and IUP also a pair of frequency limits, for NIBP the source
// the limits apply to. Codes are those of the constant maps (alarm levels, NIBP source); this
// class stores them without interpreting them, never checks a limit against its partner or a
// range, never stamps the checksum byte and never changes the valid flag.
//
//   offset  width  field                          encoding
//   0       1      type header 0xB2
//   1       1      FHR1 enable, level             enable in bits 4-7, level in bits 0-3
//   2       1+1    FHR1 limits                    one unsigned byte each
//   4       1      FHR2 enable, level             nibbles
//   5       1+1    FHR2 limits                    one byte each
//   7       1      UC enable, level               nibbles
//   8       1+1    UC limits                      one byte each
//   10      1+1    UC frequency limits            one byte each
//   12      1      ECG enable, level              nibbles
//   13      2+2    ECG heart-rate limits          2-byte values
//   17      1      SpO2 enable, level             nibbles
//   18      1+1    SpO2 limits                    one byte each
//   20      1      SpO2 pulse-rate alarm level    whole byte (no enable nibble)
//   21      2+2    SpO2 pulse-rate limits         2-byte values
//   25      1      NIBP enable, level             nibbles
//   26      1      NIBP source                    whole byte, code
//   27      2+2    NIBP limits                    2-byte values
//   31      1      TEMP enable, level             nibbles
//   32      2+2    temperature limits             2-byte values = temperature x 10
//   36      1      FECG enable, level             nibbles
//   37      1+1    FECG limits                    one byte each
//   39      1      FSpO2 enable, level            nibbles
//   40      1+1    FSpO2 limits                   one byte each
//   42      1      FSpO2 pulse-rate alarm level   whole byte (no enable nibble)
//   43      1+1    FSpO2 pulse-rate limits        one byte each (unlike the maternal ones)
//   45      1      IUP enable, level              nibbles
//   46      1+1    IUP limits                     one byte each
//   48      1+1    IUP frequency limits           one byte each
//   50      9      not used
//   59      1      checksum byte (key)
//
// In every pair the first argument belongs to the lower offset.
class AFX_EXT_CLASS PKAlarm_v110 : public PKBase {
 public:
  // Bytes B2, 58 x 00, FF; valid flag 0.
  PKAlarm_v110();
  PKAlarm_v110(const PKAlarm_v110& other);
  ~PKAlarm_v110() override;
  // Copies the bytes and the key; this packet's valid flag stays.
  PKAlarm_v110& operator=(PKAlarm_v110& other);

  // Enable codes: the getter returns the high nibble (0-15); the setter stores the low 4 bits
  // of its argument there and keeps the level.
  unsigned char GetFHR1AlarmEnable();
  void SetFHR1AlarmEnable(unsigned char enable);
  unsigned char GetFHR2AlarmEnable();
  void SetFHR2AlarmEnable(unsigned char enable);
  unsigned char GetUCAlarmEnable();
  void SetUCAlarmEnable(unsigned char enable);
  unsigned char GetECGAlarmEnable();
  void SetECGAlarmEnable(unsigned char enable);
  unsigned char GetSpO2AlarmEnable();
  void SetSpO2AlarmEnable(unsigned char enable);
  unsigned char GetNIBPAlarmEnable();
  void SetNIBPAlarmEnable(unsigned char enable);
  unsigned char GetTempAlarmEnable();
  void SetTempAlarmEnable(unsigned char enable);
  unsigned char GetFECGAlarmEnable();
  void SetFECGAlarmEnable(unsigned char enable);
  unsigned char GetFSpO2AlarmEnable();
  void SetFSpO2AlarmEnable(unsigned char enable);
  unsigned char GetIUPAlarmEnable();
  void SetIUPAlarmEnable(unsigned char enable);

  // Alarm levels: the getter returns the low nibble (0-15); the setter stores the low 4 bits
  // of its argument there and keeps the enable code.
  unsigned char GetFHR1Level();
  void SetFHR1Level(unsigned char level);
  unsigned char GetFHR2Level();
  void SetFHR2Level(unsigned char level);
  unsigned char GetUCLevel();
  void SetUCLevel(unsigned char level);
  unsigned char GetECGLevel();
  void SetECGLevel(unsigned char level);
  unsigned char GetSpO2Level();
  void SetSpO2Level(unsigned char level);
  unsigned char GetNIBPLevel();
  void SetNIBPLevel(unsigned char level);
  unsigned char GetTempLevel();
  void SetTempLevel(unsigned char level);
  unsigned char GetFECGLevel();
  void SetFECGLevel(unsigned char level);
  unsigned char GetFSpO2Level();
  void SetFSpO2Level(unsigned char level);
  unsigned char GetIUPLevel();
  void SetIUPLevel(unsigned char level);

  // Whole-byte codes: stored and returned as they are.
  unsigned char GetSpO2RLevel();
  void SetSpO2RLevel(unsigned char level);
  unsigned char GetFSpO2RLevel();
  void SetFSpO2RLevel(unsigned char level);
  unsigned char GetNIBPSource();
  void SetNIBPSource(unsigned char code);

  // One-byte limit pairs: each getter gives 0-255; each setter stores the low 8 bits.
  void GetFHR1Limit(int& first, int& second);
  void SetFHR1Limit(int first, int second);
  void GetFHR2Limit(int& first, int& second);
  void SetFHR2Limit(int first, int second);
  void GetUCLimit(int& first, int& second);
  void SetUCLimit(int first, int second);
  void GetUCFreqLimit(int& first, int& second);
  void SetUCFreqLimit(int first, int second);
  void GetSpO2Limit(int& first, int& second);
  void SetSpO2Limit(int first, int second);
  void GetFECGLimit(int& first, int& second);
  void SetFECGLimit(int first, int second);
  void GetFSpO2Limit(int& first, int& second);
  void SetFSpO2Limit(int first, int second);
  void GetFSpO2RLimit(int& first, int& second);
  void SetFSpO2RLimit(int first, int second);
  void GetIUPLimit(int& first, int& second);
  void SetIUPLimit(int first, int second);
  void GetIUPFreqLimit(int& first, int& second);
  void SetIUPFreqLimit(int first, int second);

  // Two-byte limit pairs: each getter gives 0-65535; each setter stores the low 16 bits.
  void GetECGLimit(int& first, int& second);
  void SetECGLimit(int first, int second);
  void GetSpO2RLimit(int& first, int& second);
  void SetSpO2RLimit(int first, int second);
  void GetNIBPLimit(int& first, int& second);
  void SetNIBPLimit(int first, int second);

  // Temperature limits: the getter gives each stored value divided by 10; the setter stores
  // each argument x10 in double precision, truncated toward zero, low 16 bits (37.3f stores
  // 372). NaN, infinities and products beyond int store 0xFFFF.
  void GetTempLimit(float& first, float& second);
  void SetTempLimit(float first, float second);

 private:
  // The field kinds, each written once and named by the offset of its field.
  unsigned char GetHighNibble(int offset);
  void SetHighNibble(int offset, unsigned char value);
  unsigned char GetLowNibble(int offset);
  void SetLowNibble(int offset, unsigned char value);
  void GetBytePair(int offset, int& first, int& second);
  void SetBytePair(int offset, int first, int second);
  void GetWordPair(int offset, int& first, int& second);
  void SetWordPair(int offset, int first, int second);

  unsigned char m_Packet[60];
};
