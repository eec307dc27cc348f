#include "bench/baseline/RawPacket.h"

#include <cstring>

// The exported functions are thin wrappers over these hidden ones, so that the no-value checks
// below read the bytes directly instead of calling back through the library's exported symbols:
// that is how a hand-written decoder would be written.
namespace {

bool InArray(int count, int index) { return index >= 0 && index < count; }

int Byte(const unsigned char* packet, int offset) { return packet[offset]; }

int ByteEntry(const unsigned char* packet, int offset, int count, int index) {
  return InArray(count, index) ? packet[offset + index] : 0;
}

int TwoBytes(const unsigned char* packet, int offset) {
  return packet[offset] | (packet[offset + 1] << 8);
}

int TwoByteEntry(const unsigned char* packet, int offset, int count, int index) {
  return InArray(count, index) ? TwoBytes(packet, offset + 2 * index) : 0;
}

short SignedTwoByteEntry(const unsigned char* packet, int offset, int count, int index) {
  constexpr short kNoSample = -32768;
  return InArray(count, index) ? static_cast<short>(TwoBytes(packet, offset + 2 * index)) : kNoSample;
}

void PutTwoBytes(unsigned char* packet, int offset, int value) {
  packet[offset] = static_cast<unsigned char>(value);
  packet[offset + 1] = static_cast<unsigned char>(value >> 8);
}

bool IsZeroingEvent(int code) { return code >= 1 && code <= 5; }

}  // namespace

namespace RawPacket {

int LoadBlock(unsigned char* packet, int size, const unsigned char* data, int dataSize, unsigned char key) {
  if (data == nullptr || dataSize != size || data[size - 1] != key) return 0;
  std::memcpy(packet, data, static_cast<size_t>(size));
  return 1;
}

int IsStamped(const unsigned char* packet, int size, unsigned char key) { return packet[size - 1] == key; }
void Stamp(unsigned char* packet, int size, unsigned char key) { packet[size - 1] = key; }

int ReadByte(const unsigned char* packet, int offset) { return Byte(packet, offset); }
int ReadByteEntry(const unsigned char* packet, int offset, int count, int index) {
  return ByteEntry(packet, offset, count, index);
}
int ReadBitsEntry(const unsigned char* packet, int offset, int count, int index, int mask) {
  return ByteEntry(packet, offset, count, index) & mask;
}
int ReadFlag(const unsigned char* packet, int offset, int mask) { return (packet[offset] & mask) ? 1 : 0; }
int Read2Byte(const unsigned char* packet, int offset) { return TwoBytes(packet, offset); }
int Read2ByteEntry(const unsigned char* packet, int offset, int count, int index) {
  return TwoByteEntry(packet, offset, count, index);
}
short ReadSigned2ByteEntry(const unsigned char* packet, int offset, int count, int index) {
  return SignedTwoByteEntry(packet, offset, count, index);
}
unsigned int Read4Byte(const unsigned char* packet, int offset) {
  return static_cast<unsigned int>(packet[offset]) | (static_cast<unsigned int>(packet[offset + 1]) << 8) |
         (static_cast<unsigned int>(packet[offset + 2]) << 16) |
         (static_cast<unsigned int>(packet[offset + 3]) << 24);
}
float ReadTenths(const unsigned char* packet, int offset) {
  return static_cast<float>(TwoBytes(packet, offset) / 10.0);
}

void WriteByte(unsigned char* packet, int offset, int value) {
  packet[offset] = static_cast<unsigned char>(value);
}
void WriteByteEntry(unsigned char* packet, int offset, int count, int index, int value) {
  if (InArray(count, index)) packet[offset + index] = static_cast<unsigned char>(value);
}
void WriteBitsEntry(unsigned char* packet, int offset, int count, int index, int mask, int value) {
  if (!InArray(count, index)) return;
  unsigned char& entry = packet[offset + index];
  entry = static_cast<unsigned char>((entry & ~mask) | (value & mask));
}
void WriteFlag(unsigned char* packet, int offset, int mask, int on) {
  packet[offset] = static_cast<unsigned char>(on ? (packet[offset] | mask) : (packet[offset] & ~mask));
}
void Write2Byte(unsigned char* packet, int offset, int value) { PutTwoBytes(packet, offset, value); }
void Write2ByteEntry(unsigned char* packet, int offset, int count, int index, int value) {
  if (InArray(count, index)) PutTwoBytes(packet, offset + 2 * index, value);
}
void Write4Byte(unsigned char* packet, int offset, unsigned int value) {
  for (int i = 0; i < 4; ++i) packet[offset + i] = static_cast<unsigned char>(value >> (8 * i));
}
void WriteTenths(unsigned char* packet, int offset, float value) {
  PutTwoBytes(packet, offset, static_cast<int>(static_cast<double>(value) * 10.0));
}

int NumericsHasValue(const unsigned char* p, int kind, int index) {
  using namespace Numerics;
  constexpr int kNoByte = 0xFF, kNo2Byte = 0xFFFF, kNIBPMeasured = 4, kHottestTenths = 450;
  switch (kind) {
    case 1: return TwoByteEntry(p, kECG, kSamples, index) != kNo2Byte;
    case 2: return ByteEntry(p, kSpO2, kSamples, index) != kNoByte;
    case 3: return TwoByteEntry(p, kSpO2R, kSamples, index) != kNo2Byte;
    case 4: return TwoBytes(p, kTemp) <= kHottestTenths;
    case 5:
      return index == 0 && Byte(p, kNIBPStatus) == kNIBPMeasured && TwoBytes(p, kNIBPSys) != kNo2Byte &&
             TwoBytes(p, kNIBPDia) != kNo2Byte && TwoBytes(p, kNIBPMean) != kNo2Byte;
    case 6: return ByteEntry(p, kUC, kSamples, index) != kNoByte;
    case 7: return ByteEntry(p, kIUP, kSamples, index) != kNoByte;
    case 8: return ByteEntry(p, kFECG, kSamples, index) != kNoByte;
    case 9: return ByteEntry(p, kFSpO2, kSamples, index) != kNoByte;
    case 10: return TwoByteEntry(p, kFSpO2R, kSamples, index) != kNo2Byte;
    case 11: return ByteEntry(p, kFHR1, kSamples, index) != kNoByte;
    case 12: return ByteEntry(p, kFHR2, kSamples, index) != kNoByte;
    case 13: return (ByteEntry(p, kFM1, kSamples, index) & kFMCountBits) != kFMCountBits;
    case 14: return (ByteEntry(p, kFM2, kSamples, index) & kFMCountBits) != kFMCountBits;
    case 17: return index == 0 && (Byte(p, kFlags) & kMarkerBit) != 0;
    case 18: return index == 0 && (Byte(p, kFlags) & kStimulatorBit) != 0;
    case 19: return index == 0 && (IsZeroingEvent(Byte(p, kUCZeroing)) || IsZeroingEvent(Byte(p, kIUPZeroing)));
    default: return 0;
  }
}

int WaveHasValue(const unsigned char* p, int channel, int index) {
  using namespace Wave;
  constexpr short kNoSample = -32768;
  constexpr int kNoWave = 255;
  switch (channel) {
    case 1: return SignedTwoByteEntry(p, kECG, kECGSamples, index) != kNoSample;
    case 2: return InArray(kSpO2Samples, index) && Byte(p, kSpO2 + index) != kNoWave;
    case 3: return SignedTwoByteEntry(p, kFECG, kECGSamples, index) != kNoSample;
    case 4: return InArray(kSpO2Samples, index) && Byte(p, kFSpO2 + index) != kNoWave;
    default: return 0;
  }
}

}  // namespace RawPacket
