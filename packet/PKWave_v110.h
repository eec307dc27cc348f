#pragma once

#include "packet/PKBase.h"

// Waveform packet of protocol 1.10: 12 samples each of maternal and fetal ECG and 3 samples
// each of maternal and fetal SpO2 wave. ECG samples are the only signed values of the link.
//
//   offset  width  field                    encoding
//   0       1      type header 0xC0
//   1       2 x12  ECG, sample i at 1+2i    signed 16 bits, low byte first; -32768 = no value
//   25      1 x3   SpO2 wave, sample i at 25+i   byte; 255 = no value
//   28      2 x12  FECG, sample i at 28+2i  as ECG
//   52      1 x3   FSpO2 wave, sample i at 52+i  as SpO2
//   55      1      checksum byte (key)
//
// No accessor stamps the checksum byte or touches the valid flag: the sender calls
// ResetCheckSum() after filling. An index outside 0-11 (ECG, FECG) or 0-2 (SpO2, FSpO2) is
// rejected: a getter returns the channel's no-value pattern and a setter writes nothing.
class AFX_EXT_CLASS PKWave_v110 : public PKBase {
 public:
  // Bytes C0, 54 x 00, FF; valid flag 0. A fresh packet's samples are all 0, all present.
  PKWave_v110();
  PKWave_v110(const PKWave_v110& other);
  ~PKWave_v110() override;
  // Copies bytes and key; this packet's valid flag stays.
  PKWave_v110& operator=(PKWave_v110& other);

  // ECG and FECG samples, signed.
  short GetECG(int index);
  void SetECG(int index, short sample);
  short GetFECG(int index);
  void SetFECG(int index, short sample);

  // SpO2 and FSpO2 wave samples 0-255; a setter stores the low 8 bits.
  int GetSpO2(int index);
  void SetSpO2(int index, int sample);
  int GetFSpO2(int index);
  void SetFSpO2(int index, int sample);

  // 1 when wave channel `channel` (1 ECG, 2 SpO2, 3 FECG, 4 FSpO2) holds a sample at `index`;
  // 0 for the no-value pattern, an index out of range or any other channel.
  int IsValidData(int channel, int index);

 private:
  short GetECGSample(int offset, int index);
  void SetECGSample(int offset, int index, short sample);
  int GetSpO2Sample(int offset, int index);
  void SetSpO2Sample(int offset, int index, int sample);

  unsigned char m_Packet[56];
};
