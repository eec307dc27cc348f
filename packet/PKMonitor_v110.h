#pragma once

#include "packet/PKBase.h"

// Monitor-settings packet: which bedside monitor this is (model, software version, unit name,
// monitor number) and one byte per setting of its maternal and fetal channels. Each setting is
// a code of the constant maps; this class stores and returns the bytes without interpreting
// them, never stamps the checksum byte and never changes the valid flag.
//
//   offset  width  field                              encoding
//   0       1      type header 0xB3
//   1       1      model type                         code
//   2       1      software version, main number      unsigned byte
//   3       1      software version, sub number       unsigned byte
//   4       20     unit name                          text field of 20 bytes
//   24      1      monitor number                     unsigned byte
//   25      1      display mode                       code
//   26      1      ECG lead                           code
//   27      1      QRS volume                         code
//   28      1      ECG filter                         code
//   29      1      ECG AC (mains) filter              code
//   30      1      pace setting                       code
//   31      1      SpO2 pulse-rate volume             code
//   32      1      NIBP cuff type                     code
//   33      1      NIBP interval                      code
//   34      1      NIBP mode                          code
//   35      1      fetal QRS volume                   code
//   36      1      FECG filter                        code
//   37      1      FECG AC (mains) filter             code
//   38      1      FSpO2 pulse-rate volume            code
//   39      1      FHR automatic gain control         code (before the two FHR volumes)
//   40      1      FHR1 volume                        code
//   41      1      FHR2 volume                        code
//   42      1      FHR2 offset                        code
//   43      1      UC offset                          code
//   44      1      IUP offset                         code
//   45      1      automatic zeroing                  code
//   46      1      fetal movement setting             code
//   47      8      not used
//   55      1      checksum byte (key)
class AFX_EXT_CLASS PKMonitor_v110 : public PKBase {
 public:
  // Bytes B3, 54 x 00, FF; valid flag 0.
  PKMonitor_v110();
  PKMonitor_v110(const PKMonitor_v110& other);
  ~PKMonitor_v110() override;
  // Copies the bytes and the key; this packet's valid flag stays.
  PKMonitor_v110& operator=(PKMonitor_v110& other);

  // Main number into `main`, sub number into `sub`.
  void GetVersion(unsigned char& main, unsigned char& sub);
  void SetVersion(unsigned char main, unsigned char sub);
  // "main.sub" in unsigned decimal, e.g. "1.10". (The name is spelled so in the interface.)
  CString GetVersionToSting();

  // Up to the first zero byte, at most 20 characters.
  CString GetUnitName();
  // The first 20 characters of `name`, the rest of the field zero; the monitor number stays.
  void SetUnitName(CString name);

  // One-byte fields: the getter returns the stored byte, the setter stores its argument as is
  // (a code outside every map included).
  unsigned char GetModelType();
  void SetModelType(unsigned char code);
  unsigned char GetMonitorNumber();
  void SetMonitorNumber(unsigned char number);
  unsigned char GetDisplayMode();
  void SetDisplayMode(unsigned char code);
  unsigned char GetECGLead();
  void SetECGLead(unsigned char code);
  unsigned char GetQRSVolume();
  void SetQRSVolume(unsigned char code);
  unsigned char GetECGFilter();
  void SetECGFilter(unsigned char code);
  unsigned char GetECGACFilter();
  void SetECGACFilter(unsigned char code);
  unsigned char GetPace();
  void SetPace(unsigned char code);
  unsigned char GetSpO2RateVolume();
  void SetSpO2RateVolume(unsigned char code);
  unsigned char GetNIBPCuffType();
  void SetNIBPCuffType(unsigned char code);
  unsigned char GetNIBPInterval();
  void SetNIBPInterval(unsigned char code);
  unsigned char GetNIBPMode();
  void SetNIBPMode(unsigned char code);
  unsigned char GetFQRSVolume();
  void SetFQRSVolume(unsigned char code);
  unsigned char GetFECGFilter();
  void SetFECGFilter(unsigned char code);
  unsigned char GetFECGACFilter();
  void SetFECGACFilter(unsigned char code);
  unsigned char GetFSpO2RateVolume();
  void SetFSpO2RateVolume(unsigned char code);
  unsigned char GetFHRAutoGainControl();
  void SetFHRAutoGainControl(unsigned char code);
  unsigned char GetFHR1Volume();
  void SetFHR1Volume(unsigned char code);
  unsigned char GetFHR2Volume();
  void SetFHR2Volume(unsigned char code);
  unsigned char GetFHR2Offset();
  void SetFHR2Offset(unsigned char code);
  unsigned char GetUCOffset();
  void SetUCOffset(unsigned char code);
  unsigned char GetIUPOffset();
  void SetIUPOffset(unsigned char code);
  unsigned char GetAutoZeroing();
  void SetAutoZeroing(unsigned char code);
  unsigned char GetFetalMovement();
  void SetFetalMovement(unsigned char code);

 private:
  unsigned char m_Packet[56];
};
