#include "packet/PKProtocolVer.h"

namespace {
constexpr unsigned char kTypeHeader = 0xB0;
constexpr int kSize = 4;
constexpr int kMainVersion = 1;
constexpr int kSubVersion = 2;
}  // namespace

PKProtocolVer::PKProtocolVer() : PKBase(m_Packet, kSize, kTypeHeader) {}
PKProtocolVer::PKProtocolVer(const PKProtocolVer& other) : PKBase(other, m_Packet) {}
PKProtocolVer::~PKProtocolVer() = default;

PKProtocolVer& PKProtocolVer::operator=(PKProtocolVer& other) {
  CopyPacket(&other);
  return *this;
}

void PKProtocolVer::SetVersion(int mainVersion, int subVersion) {
  m_Packet[kMainVersion] = static_cast<unsigned char>(mainVersion);
  m_Packet[kSubVersion] = static_cast<unsigned char>(subVersion);
}

int PKProtocolVer::GetMainVersion() { return m_Packet[kMainVersion]; }
int PKProtocolVer::GetSubVersion() { return m_Packet[kSubVersion]; }

// Compared as full integers, so that 256 does not match a stored 0 through truncation.
bool PKProtocolVer::IsMachedVersion(int mainVersion, int subVersion) {
  return GetMainVersion() == mainVersion && GetSubVersion() == subVersion;
}

CString PKProtocolVer::GetVersionToString() {
  CString text;
  text.Format("%d.%d", GetMainVersion(), GetSubVersion());
  return text;
}
