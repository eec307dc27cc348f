// Speed of the numerics and waveform packet classes against a hand-written decoder and encoder
// (bench/baseline) that does the same byte work on a plain array, across the same kind of
// shared-library boundary. After the table, one line per pair gives class time / baseline time.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "bench/RatioReporter.h"
#include "bench/baseline/RawPacket.h"
#include "packet/PKParam_v110.h"
#include "packet/PKWave_v110.h"

namespace {

namespace N = RawPacket::Numerics;
namespace W = RawPacket::Wave;

constexpr unsigned char kLinkKey = 0x5A;
constexpr int kNumericsKinds = 19;
constexpr int kWaveChannels = 4;

using NumericsBytes = std::array<unsigned char, N::kSize>;
using WaveBytes = std::array<unsigned char, W::kSize>;

// ---- numerics packet ---------------------------------------------------------------------------

// Reads everything a station reads from a received numerics packet; returns a sum of it all so
// that no read can be dropped.
unsigned DecodeNumerics(PKParam_v110& packet, unsigned char* block) {
  unsigned sum = static_cast<unsigned>(packet.SetPacket(block, N::kSize, 1));
  sum += static_cast<unsigned>(packet.IsValid());
  sum += packet.GetTimeStamp();
  sum += packet.GetFHR1Alarm() + packet.GetFHR2Alarm() + packet.GetUCAlarm() + packet.GetUCZeroing() +
         packet.GetECGAlarm() + packet.GetSpO2Alarm() + packet.GetNIBPAlarm() + packet.GetNIBPStatus() +
         packet.GetTempAlarm() + packet.GetFECGAlarm() + packet.GetFSpO2Alarm() + packet.GetIUPAlarm() +
         packet.GetIUPZeroing();
  for (int i = 0; i < N::kSamples; ++i) {
    sum += packet.GetFHR1(i) + packet.GetFM1(i) + packet.GetFMD1(i) + packet.GetFHR2(i) + packet.GetFM2(i) +
           packet.GetFMD2(i) + packet.GetUC(i) + packet.GetECG(i) + packet.GetSpO2(i) + packet.GetSpO2R(i) +
           packet.GetFECG(i) + packet.GetFSpO2(i) + packet.GetFSpO2R(i) + packet.GetIUP(i);
  }
  sum += packet.GetNIBPSys() + packet.GetNIBPMean() + packet.GetNIBPDia();
  sum += static_cast<unsigned>(packet.GetTemp());
  sum += packet.GetMarker() + packet.GetStimulator();
  for (int kind = 1; kind <= kNumericsKinds; ++kind)
    for (int i = 0; i < N::kSamples; ++i) sum += packet.IsValidData(kind, i);
  return sum;
}

unsigned DecodeNumerics(NumericsBytes& packet, const unsigned char* block) {
  using namespace RawPacket;
  const unsigned char* p = packet.data();
  unsigned sum = static_cast<unsigned>(LoadBlock(packet.data(), N::kSize, block, N::kSize, kLinkKey));
  sum += static_cast<unsigned>(IsStamped(p, N::kSize, kLinkKey));
  sum += Read4Byte(p, N::kTimeStamp);
  sum += ReadByte(p, N::kFHR1Alarm) + ReadByte(p, N::kFHR2Alarm) + ReadByte(p, N::kUCAlarm) +
         ReadByte(p, N::kUCZeroing) + ReadByte(p, N::kECGAlarm) + ReadByte(p, N::kSpO2Alarm) +
         ReadByte(p, N::kNIBPAlarm) + ReadByte(p, N::kNIBPStatus) + ReadByte(p, N::kTempAlarm) +
         ReadByte(p, N::kFECGAlarm) + ReadByte(p, N::kFSpO2Alarm) + ReadByte(p, N::kIUPAlarm) +
         ReadByte(p, N::kIUPZeroing);
  for (int i = 0; i < N::kSamples; ++i) {
    sum += ReadByteEntry(p, N::kFHR1, N::kSamples, i) + ReadBitsEntry(p, N::kFM1, N::kSamples, i, N::kFMCountBits) +
           ReadBitsEntry(p, N::kFM1, N::kSamples, i, N::kFMDMarkBit) + ReadByteEntry(p, N::kFHR2, N::kSamples, i) +
           ReadBitsEntry(p, N::kFM2, N::kSamples, i, N::kFMCountBits) +
           ReadBitsEntry(p, N::kFM2, N::kSamples, i, N::kFMDMarkBit) + ReadByteEntry(p, N::kUC, N::kSamples, i) +
           Read2ByteEntry(p, N::kECG, N::kSamples, i) + ReadByteEntry(p, N::kSpO2, N::kSamples, i) +
           Read2ByteEntry(p, N::kSpO2R, N::kSamples, i) + ReadByteEntry(p, N::kFECG, N::kSamples, i) +
           ReadByteEntry(p, N::kFSpO2, N::kSamples, i) + Read2ByteEntry(p, N::kFSpO2R, N::kSamples, i) +
           ReadByteEntry(p, N::kIUP, N::kSamples, i);
  }
  sum += Read2Byte(p, N::kNIBPSys) + Read2Byte(p, N::kNIBPMean) + Read2Byte(p, N::kNIBPDia);
  sum += static_cast<unsigned>(ReadTenths(p, N::kTemp));
  sum += ReadFlag(p, N::kFlags, N::kMarkerBit) + ReadFlag(p, N::kFlags, N::kStimulatorBit);
  for (int kind = 1; kind <= kNumericsKinds; ++kind)
    for (int i = 0; i < N::kSamples; ++i) sum += NumericsHasValue(p, kind, i);
  return sum;
}

// The readings that the build benchmarks write: a made-up trace, five samples per array.
constexpr unsigned int kTimeStamp = 0x01020304;
constexpr unsigned char kAlarmCode = 2, kZeroingCode = 3, kNIBPMeasured = 4;
constexpr int kSys = 118, kMean = 92, kDia = 76;
constexpr float kTemperature = 36.8f;
unsigned char FHR(int i) { return static_cast<unsigned char>(138 + i); }
unsigned char Count(int i) { return static_cast<unsigned char>(i); }
int Mark(int i) { return i % 2; }
unsigned char Uterine(int i) { return static_cast<unsigned char>(20 + 3 * i); }
int HeartRate(int i) { return 80 + i; }
unsigned char Saturation(int i) { return static_cast<unsigned char>(96 + i % 3); }

// Fills every field of the numerics packet, then stamps it for sending.
void BuildNumerics(PKParam_v110& packet) {
  packet.SetTimeStamp(kTimeStamp);
  packet.SetFHR1Alarm(kAlarmCode);
  packet.SetFHR2Alarm(kAlarmCode);
  packet.SetUCAlarm(kAlarmCode);
  packet.SetUCZeroing(kZeroingCode);
  packet.SetECGAlarm(kAlarmCode);
  packet.SetSpO2Alarm(kAlarmCode);
  packet.SetNIBPAlarm(kAlarmCode);
  packet.SetNIBPStatus(kNIBPMeasured);
  packet.SetTempAlarm(kAlarmCode);
  packet.SetFECGAlarm(kAlarmCode);
  packet.SetFSpO2Alarm(kAlarmCode);
  packet.SetIUPAlarm(kAlarmCode);
  packet.SetIUPZeroing(kZeroingCode);
  for (int i = 0; i < N::kSamples; ++i) {
    packet.SetFHR1(i, FHR(i));
    packet.SetFM1(i, Count(i));
    packet.SetFMD1(i, Mark(i));
    packet.SetFHR2(i, FHR(i));
    packet.SetFM2(i, Count(i));
    packet.SetFMD2(i, Mark(i));
    packet.SetUC(i, Uterine(i));
    packet.SetECG(i, HeartRate(i));
    packet.SetSpO2(i, Saturation(i));
    packet.SetSpO2R(i, HeartRate(i));
    packet.SetFECG(i, FHR(i));
    packet.SetFSpO2(i, Saturation(i));
    packet.SetFSpO2R(i, FHR(i));
    packet.SetIUP(i, Uterine(i));
  }
  packet.SetNIBPSys(kSys);
  packet.SetNIBPMean(kMean);
  packet.SetNIBPDia(kDia);
  packet.SetTemp(kTemperature);
  packet.SetMarker(1);
  packet.SetStimulator(0);
  packet.ResetCheckSum();
}

void BuildNumerics(NumericsBytes& packet) {
  using namespace RawPacket;
  unsigned char* p = packet.data();
  const auto markBits = [](int i) { return Mark(i) == 1 ? N::kFMDMarkBit : 0; };
  Write4Byte(p, N::kTimeStamp, kTimeStamp);
  WriteByte(p, N::kFHR1Alarm, kAlarmCode);
  WriteByte(p, N::kFHR2Alarm, kAlarmCode);
  WriteByte(p, N::kUCAlarm, kAlarmCode);
  WriteByte(p, N::kUCZeroing, kZeroingCode);
  WriteByte(p, N::kECGAlarm, kAlarmCode);
  WriteByte(p, N::kSpO2Alarm, kAlarmCode);
  WriteByte(p, N::kNIBPAlarm, kAlarmCode);
  WriteByte(p, N::kNIBPStatus, kNIBPMeasured);
  WriteByte(p, N::kTempAlarm, kAlarmCode);
  WriteByte(p, N::kFECGAlarm, kAlarmCode);
  WriteByte(p, N::kFSpO2Alarm, kAlarmCode);
  WriteByte(p, N::kIUPAlarm, kAlarmCode);
  WriteByte(p, N::kIUPZeroing, kZeroingCode);
  for (int i = 0; i < N::kSamples; ++i) {
    WriteByteEntry(p, N::kFHR1, N::kSamples, i, FHR(i));
    WriteBitsEntry(p, N::kFM1, N::kSamples, i, N::kFMCountBits, Count(i));
    WriteBitsEntry(p, N::kFM1, N::kSamples, i, N::kFMDMarkBit, markBits(i));
    WriteByteEntry(p, N::kFHR2, N::kSamples, i, FHR(i));
    WriteBitsEntry(p, N::kFM2, N::kSamples, i, N::kFMCountBits, Count(i));
    WriteBitsEntry(p, N::kFM2, N::kSamples, i, N::kFMDMarkBit, markBits(i));
    WriteByteEntry(p, N::kUC, N::kSamples, i, Uterine(i));
    Write2ByteEntry(p, N::kECG, N::kSamples, i, HeartRate(i));
    WriteByteEntry(p, N::kSpO2, N::kSamples, i, Saturation(i));
    Write2ByteEntry(p, N::kSpO2R, N::kSamples, i, HeartRate(i));
    WriteByteEntry(p, N::kFECG, N::kSamples, i, FHR(i));
    WriteByteEntry(p, N::kFSpO2, N::kSamples, i, Saturation(i));
    Write2ByteEntry(p, N::kFSpO2R, N::kSamples, i, FHR(i));
    WriteByteEntry(p, N::kIUP, N::kSamples, i, Uterine(i));
  }
  Write2Byte(p, N::kNIBPSys, kSys);
  Write2Byte(p, N::kNIBPMean, kMean);
  Write2Byte(p, N::kNIBPDia, kDia);
  WriteTenths(p, N::kTemp, kTemperature);
  WriteFlag(p, N::kFlags, N::kMarkerBit, 1);
  WriteFlag(p, N::kFlags, N::kStimulatorBit, 0);
  Stamp(p, N::kSize, kLinkKey);
}

// The block the decode benchmarks receive: a numerics packet filled by the baseline encoder,
// its first byte the type header, its last the link key.
NumericsBytes ReceivedNumerics() {
  NumericsBytes block{};
  block[0] = 0xC1;
  BuildNumerics(block);
  return block;
}

// ---- waveform packet ---------------------------------------------------------------------------

constexpr int kWaveSamples[kWaveChannels] = {W::kECGSamples, W::kSpO2Samples, W::kECGSamples, W::kSpO2Samples};

unsigned DecodeWave(PKWave_v110& packet, unsigned char* block) {
  unsigned sum = static_cast<unsigned>(packet.SetPacket(block, W::kSize, 1));
  sum += static_cast<unsigned>(packet.IsValid());
  for (int i = 0; i < W::kECGSamples; ++i) sum += static_cast<unsigned>(packet.GetECG(i) + packet.GetFECG(i));
  for (int i = 0; i < W::kSpO2Samples; ++i) sum += static_cast<unsigned>(packet.GetSpO2(i) + packet.GetFSpO2(i));
  for (int channel = 1; channel <= kWaveChannels; ++channel)
    for (int i = 0; i < kWaveSamples[channel - 1]; ++i) sum += packet.IsValidData(channel, i);
  return sum;
}

unsigned DecodeWave(WaveBytes& packet, const unsigned char* block) {
  using namespace RawPacket;
  const unsigned char* p = packet.data();
  unsigned sum = static_cast<unsigned>(LoadBlock(packet.data(), W::kSize, block, W::kSize, kLinkKey));
  sum += static_cast<unsigned>(IsStamped(p, W::kSize, kLinkKey));
  for (int i = 0; i < W::kECGSamples; ++i) {
    sum += static_cast<unsigned>(ReadSigned2ByteEntry(p, W::kECG, W::kECGSamples, i) +
                                 ReadSigned2ByteEntry(p, W::kFECG, W::kECGSamples, i));
  }
  for (int i = 0; i < W::kSpO2Samples; ++i) {
    sum += static_cast<unsigned>(ReadByteEntry(p, W::kSpO2, W::kSpO2Samples, i) +
                                 ReadByteEntry(p, W::kFSpO2, W::kSpO2Samples, i));
  }
  for (int channel = 1; channel <= kWaveChannels; ++channel)
    for (int i = 0; i < kWaveSamples[channel - 1]; ++i) sum += WaveHasValue(p, channel, i);
  return sum;
}

short EcgSample(int i) { return static_cast<short>(i * 97 - 600); }
int WaveLevel(int i) { return 40 + 60 * i; }

void BuildWave(PKWave_v110& packet) {
  for (int i = 0; i < W::kECGSamples; ++i) {
    packet.SetECG(i, EcgSample(i));
    packet.SetFECG(i, EcgSample(i));
  }
  for (int i = 0; i < W::kSpO2Samples; ++i) {
    packet.SetSpO2(i, WaveLevel(i));
    packet.SetFSpO2(i, WaveLevel(i));
  }
  packet.ResetCheckSum();
}

void BuildWave(WaveBytes& packet) {
  using namespace RawPacket;
  unsigned char* p = packet.data();
  for (int i = 0; i < W::kECGSamples; ++i) {
    Write2ByteEntry(p, W::kECG, W::kECGSamples, i, EcgSample(i));
    Write2ByteEntry(p, W::kFECG, W::kECGSamples, i, EcgSample(i));
  }
  for (int i = 0; i < W::kSpO2Samples; ++i) {
    WriteByteEntry(p, W::kSpO2, W::kSpO2Samples, i, WaveLevel(i));
    WriteByteEntry(p, W::kFSpO2, W::kSpO2Samples, i, WaveLevel(i));
  }
  Stamp(p, W::kSize, kLinkKey);
}

WaveBytes ReceivedWave() {
  WaveBytes block{};
  block[0] = 0xC0;
  BuildWave(block);
  return block;
}

// ---- the benchmarks ----------------------------------------------------------------------------

// A packet object as the station keeps one per monitor: keyed with the link key.
template <class Packet>
Packet KeyedPacket() {
  Packet packet;
  packet.SetKey(kLinkKey);
  return packet;
}

// The baseline's packet: the same fresh bytes as a new packet object, keyed.
template <class Bytes>
Bytes KeyedBytes(unsigned char typeHeader) {
  Bytes bytes{};
  bytes.front() = typeHeader;
  bytes.back() = kLinkKey;
  return bytes;
}

// Runs `work` once per iteration; its result and every write stay observable.
template <class Work>
void Measure(benchmark::State& state, Work work) {
  for (auto _ : state) {
    auto result = work();
    benchmark::DoNotOptimize(result);
    benchmark::ClobberMemory();
  }
}

void NumericsDecodeClass(benchmark::State& state) {
  auto packet = KeyedPacket<PKParam_v110>();
  NumericsBytes block = ReceivedNumerics();
  Measure(state, [&] { return DecodeNumerics(packet, block.data()); });
}

void NumericsDecodeBaseline(benchmark::State& state) {
  auto packet = KeyedBytes<NumericsBytes>(0xC1);
  const NumericsBytes block = ReceivedNumerics();
  Measure(state, [&] { return DecodeNumerics(packet, block.data()); });
}

void NumericsBuildClass(benchmark::State& state) {
  auto packet = KeyedPacket<PKParam_v110>();
  Measure(state, [&] {
    BuildNumerics(packet);
    return packet.GetPacket();
  });
}

void NumericsBuildBaseline(benchmark::State& state) {
  auto packet = KeyedBytes<NumericsBytes>(0xC1);
  Measure(state, [&] {
    BuildNumerics(packet);
    return packet.data();
  });
}

void WaveDecodeClass(benchmark::State& state) {
  auto packet = KeyedPacket<PKWave_v110>();
  WaveBytes block = ReceivedWave();
  Measure(state, [&] { return DecodeWave(packet, block.data()); });
}

void WaveDecodeBaseline(benchmark::State& state) {
  auto packet = KeyedBytes<WaveBytes>(0xC0);
  const WaveBytes block = ReceivedWave();
  Measure(state, [&] { return DecodeWave(packet, block.data()); });
}

void WaveBuildClass(benchmark::State& state) {
  auto packet = KeyedPacket<PKWave_v110>();
  Measure(state, [&] {
    BuildWave(packet);
    return packet.GetPacket();
  });
}

void WaveBuildBaseline(benchmark::State& state) {
  auto packet = KeyedBytes<WaveBytes>(0xC0);
  Measure(state, [&] {
    BuildWave(packet);
    return packet.data();
  });
}

constexpr BenchmarkPair kPairs[] = {
    {"numerics decode", "numerics_decode", NumericsDecodeClass, NumericsDecodeBaseline},
    {"numerics build", "numerics_build", NumericsBuildClass, NumericsBuildBaseline},
    {"waveform decode", "waveform_decode", WaveDecodeClass, WaveDecodeBaseline},
    {"waveform build", "waveform_build", WaveBuildClass, WaveBuildBaseline},
};
constexpr double kTargetRatio = 2.0;

// A ratio means something only when both sides do the same work: the class and the baseline
// must build the same bytes and read the same values back.
bool SidesAgree() {
  auto numerics = KeyedPacket<PKParam_v110>();
  auto numericsBytes = KeyedBytes<NumericsBytes>(0xC1);
  BuildNumerics(numerics);
  BuildNumerics(numericsBytes);
  const bool numericsBuilt = std::equal(numericsBytes.begin(), numericsBytes.end(), numerics.GetPacket());
  NumericsBytes numericsBlock = ReceivedNumerics();
  const bool numericsRead = DecodeNumerics(numerics, numericsBlock.data()) ==
                            DecodeNumerics(numericsBytes, numericsBlock.data());

  auto wave = KeyedPacket<PKWave_v110>();
  auto waveBytes = KeyedBytes<WaveBytes>(0xC0);
  BuildWave(wave);
  BuildWave(waveBytes);
  const bool waveBuilt = std::equal(waveBytes.begin(), waveBytes.end(), wave.GetPacket());
  WaveBytes waveBlock = ReceivedWave();
  const bool waveRead = DecodeWave(wave, waveBlock.data()) == DecodeWave(waveBytes, waveBlock.data());

  if (!numericsBuilt) std::fprintf(stderr, "numerics build: class and baseline bytes differ\n");
  if (!numericsRead) std::fprintf(stderr, "numerics decode: class and baseline read different values\n");
  if (!waveBuilt) std::fprintf(stderr, "waveform build: class and baseline bytes differ\n");
  if (!waveRead) std::fprintf(stderr, "waveform decode: class and baseline read different values\n");
  return numericsBuilt && numericsRead && waveBuilt && waveRead;
}

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  if (!SidesAgree()) return 1;
  RunPairs(kPairs, kTargetRatio);
  benchmark::Shutdown();
  return 0;
}
