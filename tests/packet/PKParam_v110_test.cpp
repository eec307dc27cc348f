#include "packet/PKParam_v110.h"

#include <gtest/gtest.h>

#include <functional>
#include <limits>
#include <utility>
#include <vector>

#include "PacketFieldTable.h"

namespace {

using Bytes = std::vector<unsigned char>;
using Changes = std::vector<std::pair<int, unsigned char>>;  // offset, byte

Bytes Apply(Bytes bytes, const Changes& changes) {
  for (const auto& [offset, value] : changes) bytes[static_cast<size_t>(offset)] = value;
  return bytes;
}

// ---- Layout: every field, written on a fresh packet, changes exactly its literal bytes ----

const std::vector<FieldCase<PKParam_v110>>& ParamFields() {
  using P = PKParam_v110;
  static const std::vector<FieldCase<P>> cases = {
      {"time stamp", [](P& p) { p.SetTimeStamp(0xA1B2C3D4u); }, {{1, 0xD4}, {2, 0xC3}, {3, 0xB2}, {4, 0xA1}},
       [](P& p) { EXPECT_EQ(p.GetTimeStamp(), 0xA1B2C3D4u); }},
      {"FHR1 alarm", [](P& p) { p.SetFHR1Alarm(0x51); }, {{5, 0x51}},
       [](P& p) { EXPECT_EQ(p.GetFHR1Alarm(), 0x51); }},
      {"FHR1[0]", [](P& p) { p.SetFHR1(0, 141); }, {{6, 141}},
       [](P& p) { EXPECT_EQ(p.GetFHR1(0), 141); }},
      {"FHR1[4]", [](P& p) { p.SetFHR1(4, 145); }, {{10, 145}},
       [](P& p) { EXPECT_EQ(p.GetFHR1(4), 145); }},
      {"FM1[4]", [](P& p) { p.SetFM1(4, 0x35); }, {{15, 0x35}},
       [](P& p) { EXPECT_EQ(p.GetFM1(4), 0x35); }},
      {"FMD1[3]", [](P& p) { p.SetFMD1(3, 1); }, {{14, 0x80}},
       [](P& p) { EXPECT_EQ(p.GetFMD1(3), 128); }},
      {"FHR2 alarm", [](P& p) { p.SetFHR2Alarm(0x52); }, {{16, 0x52}},
       [](P& p) { EXPECT_EQ(p.GetFHR2Alarm(), 0x52); }},
      {"FHR2[4]", [](P& p) { p.SetFHR2(4, 152); }, {{21, 152}},
       [](P& p) { EXPECT_EQ(p.GetFHR2(4), 152); }},
      {"FM2[4]", [](P& p) { p.SetFM2(4, 0x36); }, {{26, 0x36}},
       [](P& p) { EXPECT_EQ(p.GetFM2(4), 0x36); }},
      {"FMD2[0]", [](P& p) { p.SetFMD2(0, 1); }, {{22, 0x80}},
       [](P& p) { EXPECT_EQ(p.GetFMD2(0), 128); }},
      {"UC alarm", [](P& p) { p.SetUCAlarm(0x53); }, {{27, 0x53}},
       [](P& p) { EXPECT_EQ(p.GetUCAlarm(), 0x53); }},
      {"UC zeroing", [](P& p) { p.SetUCZeroing(0x03); }, {{28, 0x03}},
       [](P& p) { EXPECT_EQ(p.GetUCZeroing(), 3); }},
      {"UC[4]", [](P& p) { p.SetUC(4, 0x2D); }, {{33, 0x2D}},
       [](P& p) { EXPECT_EQ(p.GetUC(4), 0x2D); }},
      {"ECG alarm", [](P& p) { p.SetECGAlarm(0x54); }, {{34, 0x54}},
       [](P& p) { EXPECT_EQ(p.GetECGAlarm(), 0x54); }},
      {"ECG[0]", [](P& p) { p.SetECG(0, 0x0102); }, {{35, 0x02}, {36, 0x01}},
       [](P& p) { EXPECT_EQ(p.GetECG(0), 0x0102); }},
      {"ECG[4]", [](P& p) { p.SetECG(4, 0xA1B2); }, {{43, 0xB2}, {44, 0xA1}},
       [](P& p) { EXPECT_EQ(p.GetECG(4), 0xA1B2); }},
      {"SpO2 alarm", [](P& p) { p.SetSpO2Alarm(0x55); }, {{45, 0x55}},
       [](P& p) { EXPECT_EQ(p.GetSpO2Alarm(), 0x55); }},
      {"SpO2[4]", [](P& p) { p.SetSpO2(4, 98); }, {{50, 98}},
       [](P& p) { EXPECT_EQ(p.GetSpO2(4), 98); }},
      {"SpO2R[4]", [](P& p) { p.SetSpO2R(4, 0xC3D4); }, {{59, 0xD4}, {60, 0xC3}},
       [](P& p) { EXPECT_EQ(p.GetSpO2R(4), 0xC3D4); }},
      {"NIBP alarm", [](P& p) { p.SetNIBPAlarm(0x56); }, {{61, 0x56}},
       [](P& p) { EXPECT_EQ(p.GetNIBPAlarm(), 0x56); }},
      {"NIBP systolic", [](P& p) { p.SetNIBPSys(0x0178); }, {{62, 0x78}, {63, 0x01}},
       [](P& p) { EXPECT_EQ(p.GetNIBPSys(), 0x0178); }},
      {"NIBP mean", [](P& p) { p.SetNIBPMean(0x0279); }, {{64, 0x79}, {65, 0x02}},
       [](P& p) { EXPECT_EQ(p.GetNIBPMean(), 0x0279); }},
      {"NIBP diastolic", [](P& p) { p.SetNIBPDia(0x037A); }, {{66, 0x7A}, {67, 0x03}},
       [](P& p) { EXPECT_EQ(p.GetNIBPDia(), 0x037A); }},
      {"NIBP status", [](P& p) { p.SetNIBPStatus(4); }, {{68, 0x04}},
       [](P& p) { EXPECT_EQ(p.GetNIBPStatus(), 4); }},
      {"TEMP alarm", [](P& p) { p.SetTempAlarm(0x57); }, {{69, 0x57}},
       [](P& p) { EXPECT_EQ(p.GetTempAlarm(), 0x57); }},
      {"temperature", [](P& p) { p.SetTemp(36.5f); }, {{70, 0x6D}, {71, 0x01}},
       [](P& p) { EXPECT_FLOAT_EQ(p.GetTemp(), 36.5f); }},
      {"FECG alarm", [](P& p) { p.SetFECGAlarm(0x58); }, {{72, 0x58}},
       [](P& p) { EXPECT_EQ(p.GetFECGAlarm(), 0x58); }},
      {"FECG[4]", [](P& p) { p.SetFECG(4, 138); }, {{77, 138}},
       [](P& p) { EXPECT_EQ(p.GetFECG(4), 138); }},
      {"FSpO2 alarm", [](P& p) { p.SetFSpO2Alarm(0x59); }, {{78, 0x59}},
       [](P& p) { EXPECT_EQ(p.GetFSpO2Alarm(), 0x59); }},
      {"FSpO2[4]", [](P& p) { p.SetFSpO2(4, 61); }, {{83, 61}},
       [](P& p) { EXPECT_EQ(p.GetFSpO2(4), 61); }},
      {"FSpO2R[4]", [](P& p) { p.SetFSpO2R(4, 0xE5F6); }, {{92, 0xF6}, {93, 0xE5}},
       [](P& p) { EXPECT_EQ(p.GetFSpO2R(4), 0xE5F6); }},
      {"IUP alarm", [](P& p) { p.SetIUPAlarm(0x5A); }, {{94, 0x5A}},
       [](P& p) { EXPECT_EQ(p.GetIUPAlarm(), 0x5A); }},
      {"IUP zeroing", [](P& p) { p.SetIUPZeroing(0x02); }, {{95, 0x02}},
       [](P& p) { EXPECT_EQ(p.GetIUPZeroing(), 2); }},
      {"IUP[4]", [](P& p) { p.SetIUP(4, 0x3E); }, {{100, 0x3E}},
       [](P& p) { EXPECT_EQ(p.GetIUP(4), 0x3E); }},
      {"marker", [](P& p) { p.SetMarker(1); }, {{101, 0x01}},
       [](P& p) { EXPECT_EQ(p.GetMarker(), 1); }},
      {"stimulator", [](P& p) { p.SetStimulator(1); }, {{101, 0x02}},
       [](P& p) { EXPECT_EQ(p.GetStimulator(), 1); }},
  };
  return cases;
}

TEST(PKParamLayout, NewPacketIsHeaderZerosAndKey) { ExpectFreshPacket<PKParam_v110>(0xC1, 108); }
TEST(PKParamLayout, EachFieldChangesOnlyItsBytes) { ExpectEachFieldChangesOnlyItsBytes(ParamFields()); }
TEST(PKParamLayout, UnusedBytesSurviveEveryWrite) { ExpectUnownedBytesSurviveAllWrites(ParamFields()); }
TEST(PKParamCopy, FollowsTheFrameRules) { ExpectCopyRules<PKParam_v110>(); }

// ---- Array index outside 0-4: reads 0, writes nothing (neighbours included) ----

struct ArrayCase {
  const char* array;
  std::function<void(PKParam_v110&, int)> set;
  std::function<int(PKParam_v110&, int)> get;
};

TEST(PKParamLayout, IndexOutsideTheArrayIsRejected) {
  using P = PKParam_v110;
  const std::vector<ArrayCase> cases = {
      {"FHR1", [](P& p, int i) { p.SetFHR1(i, 0xAB); }, [](P& p, int i) { return p.GetFHR1(i); }},
      {"FHR2", [](P& p, int i) { p.SetFHR2(i, 0xAB); }, [](P& p, int i) { return p.GetFHR2(i); }},
      {"UC", [](P& p, int i) { p.SetUC(i, 0xAB); }, [](P& p, int i) { return p.GetUC(i); }},
      {"SpO2", [](P& p, int i) { p.SetSpO2(i, 0xAB); }, [](P& p, int i) { return p.GetSpO2(i); }},
      {"FECG", [](P& p, int i) { p.SetFECG(i, 0xAB); }, [](P& p, int i) { return p.GetFECG(i); }},
      {"FSpO2", [](P& p, int i) { p.SetFSpO2(i, 0xAB); }, [](P& p, int i) { return p.GetFSpO2(i); }},
      {"IUP", [](P& p, int i) { p.SetIUP(i, 0xAB); }, [](P& p, int i) { return p.GetIUP(i); }},
      {"ECG", [](P& p, int i) { p.SetECG(i, 0xABCD); }, [](P& p, int i) { return p.GetECG(i); }},
      {"SpO2R", [](P& p, int i) { p.SetSpO2R(i, 0xABCD); }, [](P& p, int i) { return p.GetSpO2R(i); }},
      {"FSpO2R", [](P& p, int i) { p.SetFSpO2R(i, 0xABCD); }, [](P& p, int i) { return p.GetFSpO2R(i); }},
      {"FM1", [](P& p, int i) { p.SetFM1(i, 0x2B); }, [](P& p, int i) { return p.GetFM1(i); }},
      {"FM2", [](P& p, int i) { p.SetFM2(i, 0x2B); }, [](P& p, int i) { return p.GetFM2(i); }},
      {"FMD1", [](P& p, int i) { p.SetFMD1(i, 1); }, [](P& p, int i) { return p.GetFMD1(i); }},
      {"FMD2", [](P& p, int i) { p.SetFMD2(i, 1); }, [](P& p, int i) { return p.GetFMD2(i); }},
  };
  for (const ArrayCase& c : cases) {
    for (int index : {-1, 5, 6, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()}) {
      SCOPED_TRACE(testing::Message() << c.array << "[" << index << "]");
      PKParam_v110 packet;
      packet.Clear(0xE1);  // every neighbour holds a nonzero byte that a stray read would return
      const Bytes before = BytesOf(packet);
      c.set(packet, index);
      EXPECT_EQ(BytesOf(packet), before);
      EXPECT_EQ(c.get(packet, index), 0);
    }
  }
}

// ---- Temperature scaling ----

TEST(PKParamTemperature, StoredAsTenthsTruncatedTowardZero) {
  struct Case {
    float degrees;
    unsigned char low;
    unsigned char high;
    float read;
  };
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const float infinity = std::numeric_limits<float>::infinity();
  const std::vector<Case> cases = {
      {36.5f, 0x6D, 0x01, 36.5f},     // 365
      {37.3f, 0x74, 0x01, 37.2f},     // 372: the float 37.3 lies just below 37.3
      {-1.0f, 0xF6, 0xFF, 6552.6f},   // -10, low 16 bits
      {-0.05f, 0x00, 0x00, 0.0f},     // -0.5 truncates to 0, not -1
      {7000.0f, 0x70, 0x11, 446.4f},  // 70000 keeps its low 16 bits: 4464
      {6553.5f, 0xFF, 0xFF, 6553.5f},
      {nan, 0xFF, 0xFF, 6553.5f},  // no defined integer: stored as no value
      {infinity, 0xFF, 0xFF, 6553.5f},
      {-infinity, 0xFF, 0xFF, 6553.5f},
      {1e30f, 0xFF, 0xFF, 6553.5f},
      {-1e30f, 0xFF, 0xFF, 6553.5f},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.degrees);
    PKParam_v110 packet;
    const Bytes fresh = BytesOf(packet);
    packet.SetTemp(c.degrees);
    EXPECT_EQ(BytesOf(packet), Apply(fresh, {{70, c.low}, {71, c.high}}));
    EXPECT_FLOAT_EQ(packet.GetTemp(), c.read);
  }
}

// ---- Fetal movement count and mark share one byte ----

TEST(PKParamMovement, CountAndMarkKeepEachOther) {
  PKParam_v110 packet;
  packet.GetPacket()[13] = 0x80;
  packet.SetFM1(2, 0x85);
  EXPECT_EQ(packet.GetPacket()[13], 0x85);
  EXPECT_EQ(packet.GetFM1(2), 5);
  packet.SetFMD1(2, 1);
  EXPECT_EQ(packet.GetPacket()[13], 0x85);
  EXPECT_EQ(packet.GetFMD1(2), 128);
  packet.SetFMD1(2, 2);
  EXPECT_EQ(packet.GetPacket()[13], 0x05);
  EXPECT_EQ(packet.GetFMD1(2), 0);
  packet.SetFMD1(2, -1);
  EXPECT_EQ(packet.GetPacket()[13], 0x05);

  packet.SetFM2(1, 0xFF);  // bit 7 of the count does not become a mark
  EXPECT_EQ(packet.GetPacket()[23], 0x7F);
  packet.SetFMD2(1, 1);
  packet.SetFM2(1, 0x00);
  EXPECT_EQ(packet.GetPacket()[23], 0x80);
  EXPECT_EQ(packet.GetFM2(1), 0);
  EXPECT_EQ(packet.GetFMD2(1), 128);
}

TEST(PKParamFlags, EachFlagKeepsTheOtherBits) {
  PKParam_v110 packet;
  packet.GetPacket()[101] = 0xF0;
  packet.SetMarker(2);
  EXPECT_EQ(packet.GetPacket()[101], 0xF1);
  EXPECT_EQ(packet.GetMarker(), 1);
  EXPECT_EQ(packet.GetStimulator(), 0);
  packet.SetStimulator(-5);
  EXPECT_EQ(packet.GetPacket()[101], 0xF3);
  EXPECT_EQ(packet.GetStimulator(), 1);
  packet.SetMarker(0);
  EXPECT_EQ(packet.GetPacket()[101], 0xF2);
  EXPECT_EQ(packet.GetMarker(), 0);
}

// ---- Null packet ----

TEST(PKParamNullData, FillsTheNoValuePatterns) {
  PKParam_v110 packet;
  packet.SetFMD1(1, 1);
  packet.SetMarker(1);
  packet.SetStimulator(1);
  packet.SetNullData();

  Bytes expected = {0xC1};
  expected.insert(expected.end(), 10, 0xFF);
  expected.insert(expected.end(), 5, 0x7F);
  expected.insert(expected.end(), 6, 0xFF);
  expected.insert(expected.end(), 5, 0x7F);
  expected.insert(expected.end(), 74, 0xFF);
  expected.insert(expected.end(), 1, 0xFC);
  expected.insert(expected.end(), 6, 0xFF);
  ASSERT_EQ(expected.size(), 108u);
  EXPECT_EQ(BytesOf(packet), expected);
  EXPECT_EQ(packet.IsValid(), 1);
  EXPECT_EQ(packet.GetTimeStamp(), 0xFFFFFFFFu);
  EXPECT_FLOAT_EQ(packet.GetTemp(), 6553.5f);
}

TEST(PKParamNullData, KeepsTheKeyAndNothingCountsAsAValue) {
  PKParam_v110 packet;
  packet.SetKey(0x3C);
  packet.SetNullData();
  EXPECT_EQ(packet.GetPacket()[107], 0x3C);
  EXPECT_EQ(packet.IsValid(), 1);
  for (int kind = 1; kind <= 19; ++kind) {
    for (int index = 0; index < 5; ++index) {
      EXPECT_EQ(packet.IsValidData(kind, index), 0) << "kind " << kind << " index " << index;
    }
  }
}

// ---- IsValidData ----

// Starting from a null packet, filling one parameter makes its kind, and no other, count.
TEST(PKParamValidData, EachKindLooksAtItsOwnField) {
  using P = PKParam_v110;
  const std::vector<std::pair<int, std::function<void(P&)>>> cases = {
      {1, [](P& p) { p.SetECG(0, 72); }},
      {2, [](P& p) { p.SetSpO2(0, 97); }},
      {3, [](P& p) { p.SetSpO2R(0, 74); }},
      {4, [](P& p) { p.SetTemp(36.8f); }},
      {5, [](P& p) { p.SetNIBPStatus(4); p.SetNIBPSys(118); p.SetNIBPMean(92); p.SetNIBPDia(76); }},
      {6, [](P& p) { p.SetUC(0, 20); }},
      {7, [](P& p) { p.SetIUP(0, 15); }},
      {8, [](P& p) { p.SetFECG(0, 140); }},
      {9, [](P& p) { p.SetFSpO2(0, 55); }},
      {10, [](P& p) { p.SetFSpO2R(0, 138); }},
      {11, [](P& p) { p.SetFHR1(0, 142); }},
      {12, [](P& p) { p.SetFHR2(0, 150); }},
      {13, [](P& p) { p.SetFM1(0, 3); }},
      {14, [](P& p) { p.SetFM2(0, 4); }},
      {17, [](P& p) { p.SetMarker(1); }},
      {18, [](P& p) { p.SetStimulator(1); }},
      {19, [](P& p) { p.SetUCZeroing(2); }},
  };
  for (const auto& [filledKind, fill] : cases) {
    PKParam_v110 packet;
    packet.SetNullData();
    fill(packet);
    for (int kind = -1; kind <= 21; ++kind) {
      EXPECT_EQ(packet.IsValidData(kind, 0), kind == filledKind ? 1 : 0)
          << "filled kind " << filledKind << ", asked kind " << kind;
    }
  }
}

// Each case starts from a null packet.
struct ValidCase {
  const char* situation;
  std::function<void(PKParam_v110&)> prepare;
  int kind;
  int index;
  int expected;
};

TEST(PKParamValidData, BoundariesAndSpecialRules) {
  using P = PKParam_v110;
  auto nibp = [](P& p, unsigned char status, int sys, int mean, int dia) {
    p.SetNIBPStatus(status);
    p.SetNIBPSys(sys);
    p.SetNIBPMean(mean);
    p.SetNIBPDia(dia);
  };
  auto storedTemp = [](P& p, unsigned char low, unsigned char high) {
    p.GetPacket()[70] = low;
    p.GetPacket()[71] = high;
  };
  const std::vector<ValidCase> cases = {
      {"temperature 450 (45.0)", [&](P& p) { storedTemp(p, 0xC2, 0x01); }, 4, 3, 1},
      {"temperature 451 (45.1)", [&](P& p) { storedTemp(p, 0xC3, 0x01); }, 4, 0, 0},
      {"temperature -1.0 stored as 0xFFF6", [](P& p) { p.SetTemp(-1.0f); }, 4, 0, 0},
      {"NIBP measured", [&](P& p) { nibp(p, 4, 120, 93, 80); }, 5, 0, 1},
      {"NIBP measured, index 1", [&](P& p) { nibp(p, 4, 120, 93, 80); }, 5, 1, 0},
      {"NIBP status 3", [&](P& p) { nibp(p, 3, 120, 93, 80); }, 5, 0, 0},
      {"NIBP status 5", [&](P& p) { nibp(p, 5, 120, 93, 80); }, 5, 0, 0},
      {"NIBP without systolic", [&](P& p) { nibp(p, 4, 0xFFFF, 93, 80); }, 5, 0, 0},
      {"NIBP without mean", [&](P& p) { nibp(p, 4, 120, 0xFFFF, 80); }, 5, 0, 0},
      {"NIBP without diastolic", [&](P& p) { nibp(p, 4, 120, 93, 0xFFFF); }, 5, 0, 0},
      {"UC zeroing 0, IUP zeroing 5", [](P& p) { p.SetUCZeroing(0); p.SetIUPZeroing(5); }, 19, 0, 1},
      {"UC zeroing 6, IUP zeroing 0", [](P& p) { p.SetUCZeroing(6); p.SetIUPZeroing(0); }, 19, 0, 0},
      {"UC zeroing 1", [](P& p) { p.SetUCZeroing(1); }, 19, 0, 1},
      {"UC zeroing 1, index 1", [](P& p) { p.SetUCZeroing(1); }, 19, 1, 0},
      {"marker, index 1", [](P& p) { p.SetMarker(1); }, 17, 1, 0},
      {"stimulator, index 4", [](P& p) { p.SetStimulator(1); }, 18, 4, 0},
      {"FM1 count 127 with the mark set", [](P& p) { p.GetPacket()[11] = 0xFF; }, 13, 0, 0},
      {"FM1 count 0 with the mark set", [](P& p) { p.GetPacket()[11] = 0x80; }, 13, 0, 1},
      {"ECG 65534", [](P& p) { p.SetECG(2, 65534); }, 1, 2, 1},
      {"ECG -1 stored as 65535", [](P& p) { p.SetECG(2, -1); }, 1, 2, 0},
      {"FHR1 at index 5 reads 0, not 0xFF", [](P&) {}, 11, 5, 1},
      {"kind 15 with every byte 0", [](P& p) { p.Clear(); }, 15, 0, 0},
      {"kind 16 with every byte 0", [](P& p) { p.Clear(); }, 16, 0, 0},
      {"kind 0 with every byte 0", [](P& p) { p.Clear(); }, 0, 0, 0},
      {"kind 20 with every byte 0", [](P& p) { p.Clear(); }, 20, 0, 0},
  };
  for (const ValidCase& c : cases) {
    SCOPED_TRACE(c.situation);
    PKParam_v110 packet;
    packet.SetNullData();
    c.prepare(packet);
    EXPECT_EQ(packet.IsValidData(c.kind, c.index), c.expected);
  }
}

}  // namespace
