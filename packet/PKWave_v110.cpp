#include "packet/PKWave_v110.h"

namespace {
constexpr unsigned char kTypeHeader = 0xC0;
constexpr int kSize = 56;

constexpr int kECG = 1;
constexpr int kSpO2 = 25;
constexpr int kFECG = 28;
constexpr int kFSpO2 = 52;

constexpr int kECGSamples = 12;
constexpr int kSpO2Samples = 3;
constexpr int kECGWidth = 2;
constexpr int kSpO2Width = 1;

constexpr short kNoECGSample = -32768;
constexpr int kNoSpO2Sample = 255;

// CMAP_WAVE: the wave channel codes.
enum WaveChannel { kChannelECG = 1, kChannelSpO2 = 2, kChannelFECG = 3, kChannelFSpO2 = 4 };
}  // namespace

PKWave_v110::PKWave_v110() : PKBase(m_Packet, kSize, kTypeHeader) {}
PKWave_v110::PKWave_v110(const PKWave_v110& other) : PKBase(other, m_Packet) {}
PKWave_v110::~PKWave_v110() = default;

PKWave_v110& PKWave_v110::operator=(PKWave_v110& other) {
  CopyPacket(&other);
  return *this;
}

// The helpers serve this file only and are inline, so that an accessor does not reach them
// through the library's symbol table. Every range check goes through ArrayEntry.

// The unsigned 2-byte value is taken as two's complement: 0x8000-0xFFFF are the negatives.
inline short PKWave_v110::GetECGSample(int offset, int index) {
  const unsigned char* entry = ArrayEntry(offset, kECGWidth, kECGSamples, index);
  return entry ? static_cast<short>(Get2ByteValue(entry)) : kNoECGSample;
}

inline void PKWave_v110::SetECGSample(int offset, int index, short sample) {
  if (unsigned char* entry = ArrayEntry(offset, kECGWidth, kECGSamples, index)) Set2ByteValue(entry, sample);
}

inline int PKWave_v110::GetSpO2Sample(int offset, int index) {
  const unsigned char* entry = ArrayEntry(offset, kSpO2Width, kSpO2Samples, index);
  return entry ? *entry : kNoSpO2Sample;
}

inline void PKWave_v110::SetSpO2Sample(int offset, int index, int sample) {
  if (unsigned char* entry = ArrayEntry(offset, kSpO2Width, kSpO2Samples, index)) {
    *entry = static_cast<unsigned char>(sample);
  }
}

short PKWave_v110::GetECG(int index) { return GetECGSample(kECG, index); }
void PKWave_v110::SetECG(int index, short sample) { SetECGSample(kECG, index, sample); }
short PKWave_v110::GetFECG(int index) { return GetECGSample(kFECG, index); }
void PKWave_v110::SetFECG(int index, short sample) { SetECGSample(kFECG, index, sample); }
int PKWave_v110::GetSpO2(int index) { return GetSpO2Sample(kSpO2, index); }
void PKWave_v110::SetSpO2(int index, int sample) { SetSpO2Sample(kSpO2, index, sample); }
int PKWave_v110::GetFSpO2(int index) { return GetSpO2Sample(kFSpO2, index); }
void PKWave_v110::SetFSpO2(int index, int sample) { SetSpO2Sample(kFSpO2, index, sample); }

int PKWave_v110::IsValidData(int channel, int index) {
  switch (channel) {
    case kChannelECG: return GetECG(index) != kNoECGSample;
    case kChannelSpO2: return GetSpO2(index) != kNoSpO2Sample;
    case kChannelFECG: return GetFECG(index) != kNoECGSample;
    case kChannelFSpO2: return GetFSpO2(index) != kNoSpO2Sample;
    default: return 0;
  }
}
