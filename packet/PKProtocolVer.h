#pragma once

#include "packet/PKBase.h"
#include "platform/CString.h"

// Protocol-version packet: the link protocol version that one end speaks, so that station and
// monitor can tell whether they understand each other before any other packet is exchanged.
//
//   offset  width  field                encoding
//   0       1      type header 0xB0
//   1       1      main version         unsigned 0-255
//   2       1      sub version          unsigned 0-255
//   3       1      checksum byte (key)
class AFX_EXT_CLASS PKProtocolVer : public PKBase {
 public:
  // Bytes B0 00 00 FF, valid flag 0.
  PKProtocolVer();
  PKProtocolVer(const PKProtocolVer& other);
  ~PKProtocolVer() override;
  // Copies bytes and key; this packet's valid flag stays.
  PKProtocolVer& operator=(PKProtocolVer& other);

  // Stores the low 8 bits of each argument; checksum byte and valid flag are not touched.
  void SetVersion(int mainVersion, int subVersion);
  int GetMainVersion();
  int GetSubVersion();
  // True when the stored bytes equal both arguments; a negative argument or one above 255
  // never matches.
  bool IsMachedVersion(int mainVersion, int subVersion);
  // "main.sub" in plain decimal, e.g. "1.10".
  CString GetVersionToString();

 private:
  unsigned char m_Packet[4];
};
