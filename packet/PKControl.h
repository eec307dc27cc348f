#pragma once

#include "packet/PKBase.h"

// Control packet: one command between station and monitor. The command codes belong to the
// station application and the monitors; this class stores them without interpreting them.
//
//   offset  width  field
//   0       1      type header 0xA0
//   1       1      command type
//   2       1      command data
//   3       1      checksum byte (key)
class AFX_EXT_CLASS PKControl : public PKBase {
 public:
  PKControl();
  PKControl(const PKControl& other);
  ~PKControl() override;
  PKControl& operator=(PKControl& other);

  unsigned char GetType();
  void SetType(unsigned char type);
  unsigned char GetData();
  void SetData(unsigned char data);

 private:
  unsigned char m_Packet[4];
};
