#include "packet/PKControl.h"

namespace {
constexpr unsigned char kTypeHeader = 0xA0;
constexpr int kSize = 4;
constexpr int kType = 1;
constexpr int kData = 2;
}  // namespace

PKControl::PKControl() : PKBase(m_Packet, kSize, kTypeHeader) {}
PKControl::PKControl(const PKControl& other) : PKBase(other, m_Packet) {}
PKControl::~PKControl() = default;

PKControl& PKControl::operator=(PKControl& other) {
  CopyPacket(&other);
  return *this;
}

unsigned char PKControl::GetType() { return m_Packet[kType]; }
void PKControl::SetType(unsigned char type) { m_Packet[kType] = type; }
unsigned char PKControl::GetData() { return m_Packet[kData]; }
void PKControl::SetData(unsigned char data) { m_Packet[kData] = data; }
