#include "packet/PKBase.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

namespace {
constexpr unsigned char kKeyAtConstruction = 0xFF;
constexpr int kSmallestPacket = 2;  // type header and checksum byte
constexpr int kNoScaledValue = 0xFFFF;

bool IsFrame(const unsigned char* packet, int size) { return packet != nullptr && size >= kSmallestPacket; }
}  // namespace

PKBase::PKBase(unsigned char* packet, int size, unsigned char typeHeader)
    : m_pPacket(IsFrame(packet, size) ? packet : nullptr),
      m_TypeHeader(typeHeader),
      m_bValid(0),
      m_nPacketSize(IsFrame(packet, size) ? size : 0),
      m_Key(kKeyAtConstruction) {
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
  if (m_pPacket) m_pPacket[m_nPacketSize - 1] = key;
}

void PKBase::ResetCheckSum() {
  if (!m_pPacket) return;
  m_pPacket[m_nPacketSize - 1] = MakeCheckSum();
  m_bValid = 1;
}

int PKBase::IsValid() { return (m_pPacket && m_bValid && m_pPacket[m_nPacketSize - 1] == MakeCheckSum()) ? 1 : 0; }

void PKBase::Clear() {
  Clear(0);
  m_bValid = 0;
}

void PKBase::Clear(unsigned char fill) {
  if (!m_pPacket) return;
  std::memset(m_pPacket, fill, static_cast<size_t>(m_nPacketSize));
  m_pPacket[0] = m_TypeHeader;
  m_pPacket[m_nPacketSize - 1] = m_Key;
  m_bValid = 1;
}

int PKBase::SetPacket(unsigned char* data, int size, int checkKey) {
  if (data == nullptr || m_pPacket == nullptr || size != m_nPacketSize) return 0;
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
  // A frame over no bytes, on either side, has nothing to copy.
  if (other == nullptr || m_pPacket == nullptr || other->m_pPacket == nullptr || other->m_nPacketSize < m_nPacketSize)
    return 0;
  std::memmove(m_pPacket, other->m_pPacket, static_cast<size_t>(m_nPacketSize));
  m_Key = other->m_Key;
  return m_nPacketSize;
}

PKBase& PKBase::operator=(PKBase& other) {
  CopyPacket(&other);
  return *this;
}

void PKBase::SetScaledValue(unsigned char* place, double value, double scale) {
  const double product = std::trunc(value * scale);
  const bool fitsInt = product >= static_cast<double>(std::numeric_limits<int>::min()) &&
                       product <= static_cast<double>(std::numeric_limits<int>::max());
  // NaN fails both comparisons and lands here too.
  Set2ByteValue(place, fitsInt ? static_cast<int>(product) : kNoScaledValue);
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
