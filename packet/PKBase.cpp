#include "packet/PKBase.h"

#include <algorithm>
#include <cstring>

namespace {
constexpr unsigned char kKeyAtConstruction = 0xFF;
}

PKBase::PKBase(unsigned char* packet, int size, unsigned char typeHeader)
    : m_pPacket(packet), m_TypeHeader(typeHeader), m_bValid(0), m_nPacketSize(size), m_Key(kKeyAtConstruction) {
  Clear();
}

PKBase::PKBase(const PKBase& other, unsigned char* ownBytes)
    : m_pPacket(ownBytes),
      m_TypeHeader(other.m_TypeHeader),
      m_bValid(other.m_bValid),
      m_nPacketSize(other.m_nPacketSize),
      m_Key(other.m_Key) {
  std::memcpy(m_pPacket, other.m_pPacket, static_cast<size_t>(m_nPacketSize));
}

PKBase::~PKBase() = default;

void PKBase::SetKey(unsigned char key) {
  m_Key = key;
  m_pPacket[m_nPacketSize - 1] = key;
}

void PKBase::ResetCheckSum() {
  m_pPacket[m_nPacketSize - 1] = MakeCheckSum();
  m_bValid = 1;
}

int PKBase::IsValid() { return (m_bValid && m_pPacket[m_nPacketSize - 1] == MakeCheckSum()) ? 1 : 0; }

void PKBase::Clear() {
  Clear(0);
  m_bValid = 0;
}

void PKBase::Clear(unsigned char fill) {
  std::memset(m_pPacket, fill, static_cast<size_t>(m_nPacketSize));
  m_pPacket[0] = m_TypeHeader;
  m_pPacket[m_nPacketSize - 1] = m_Key;
  m_bValid = 1;
}

int PKBase::SetPacket(unsigned char* data, int size, int checkKey) {
  if (data == nullptr || size != m_nPacketSize) return 0;
  m_bValid = 1;
  const unsigned char lastByte = data[size - 1];
  if (checkKey) {
    if (lastByte != m_Key) {
      m_bValid = 0;
      return 0;
    }
  } else {
    m_Key = lastByte;
  }
  std::memcpy(m_pPacket, data, static_cast<size_t>(size));
  m_bValid = 1;
  return 1;
}

int PKBase::CopyPacket(PKBase* other) {
  if (other == nullptr || other->m_nPacketSize < m_nPacketSize) return 0;
  std::memmove(m_pPacket, other->m_pPacket, static_cast<size_t>(m_nPacketSize));
  m_Key = other->m_Key;
  return m_nPacketSize;
}

PKBase& PKBase::operator=(PKBase& other) {
  CopyPacket(&other);
  return *this;
}

CString PKBase::GetStringValue(const unsigned char* place, int length) {
  return GetStringValue(reinterpret_cast<const char*>(place), length);
}

CString PKBase::GetStringValue(const char* place, int length) {
  if (length <= 0) return CString();
  return CString(place, static_cast<int>(strnlen(place, static_cast<size_t>(length))));
}

void PKBase::SetStringValue(unsigned char* place, const CString& text, int length) {
  SetStringValue(reinterpret_cast<char*>(place), text, length);
}

void PKBase::SetStringValue(char* place, const CString& text, int length) {
  if (length <= 0) return;
  const int copied = std::min(text.GetLength(), length);
  std::memset(place, 0, static_cast<size_t>(length));
  std::memcpy(place, text.GetString(), static_cast<size_t>(copied));
}
