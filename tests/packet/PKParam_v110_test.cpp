#include "packet/PKParam_v110.h"

#include <gtest/gtest.h>

#include <functional>
#include <limits>
#include <utility>
#include <vector>

#include "PacketFieldTable.h"

namespace {

using P = PKParam_v110;

TEST(PKParamLayout, NewPacketAndEachField) {
  ExpectLayout<P>(0xC1, 108, {
      {"time stamp", [](P& p) { p.SetTimeStamp(0xA1B2C3D4u); }, {{1, 0xD4}, {2, 0xC3}, {3, 0xB2}, {4, 0xA1}},
       Reads(&P::GetTimeStamp), "2712847316"},
      {"FHR1 alarm", [](P& p) { p.SetFHR1Alarm(0x51); }, {{5, 0x51}}, Reads(&P::GetFHR1Alarm), "81"},
      {"FHR1[0]", [](P& p) { p.SetFHR1(0, 141); }, {{6, 141}}, Reads(&P::GetFHR1, 0), "141"},
      {"FHR1[4]", [](P& p) { p.SetFHR1(4, 145); }, {{10, 145}}, Reads(&P::GetFHR1, 4), "145"},
      {"FM1[4], bit 7 of the count dropped", [](P& p) { p.SetFM1(4, 0xB5); }, {{15, 0x35}}, Reads(&P::GetFM1, 4), "53"},
      {"FMD1[3], 2 clears the mark", [](P& p) { p.SetFM1(3, 5), p.SetFMD1(3, 1), p.SetFMD1(3, 2); }, {{14, 0x05}},
       [](P& p) { return Shown(p.GetFMD1(3), p.GetFM1(3)); }, "0 5"},
      {"FMD1[3]", [](P& p) { p.SetFMD1(3, 1); }, {{14, 0x80}}, Reads(&P::GetFMD1, 3), "128"},
      {"FHR2 alarm", [](P& p) { p.SetFHR2Alarm(0x52); }, {{16, 0x52}}, Reads(&P::GetFHR2Alarm), "82"},
      {"FHR2[4]", [](P& p) { p.SetFHR2(4, 152); }, {{21, 152}}, Reads(&P::GetFHR2, 4), "152"},
      {"FM2[4]", [](P& p) { p.SetFM2(4, 0x36); }, {{26, 0x36}}, Reads(&P::GetFM2, 4), "54"},
      {"FMD2[0]", [](P& p) { p.SetFMD2(0, 1); }, {{22, 0x80}}, Reads(&P::GetFMD2, 0), "128"},
      {"UC alarm", [](P& p) { p.SetUCAlarm(0x53); }, {{27, 0x53}}, Reads(&P::GetUCAlarm), "83"},
      {"UC zeroing", [](P& p) { p.SetUCZeroing(0x03); }, {{28, 0x03}}, Reads(&P::GetUCZeroing), "3"},
      {"UC[4]", [](P& p) { p.SetUC(4, 0x2D); }, {{33, 0x2D}}, Reads(&P::GetUC, 4), "45"},
      {"ECG alarm", [](P& p) { p.SetECGAlarm(0x54); }, {{34, 0x54}}, Reads(&P::GetECGAlarm), "84"},
      {"ECG[0]", [](P& p) { p.SetECG(0, 0x0102); }, {{35, 0x02}, {36, 0x01}}, Reads(&P::GetECG, 0), "258"},
      {"ECG[4], low 16 bits", [](P& p) { p.SetECG(4, 0x7A1B2); }, {{43, 0xB2}, {44, 0xA1}},
       Reads(&P::GetECG, 4), "41394"},
      {"SpO2 alarm", [](P& p) { p.SetSpO2Alarm(0x55); }, {{45, 0x55}}, Reads(&P::GetSpO2Alarm), "85"},
      {"SpO2[4]", [](P& p) { p.SetSpO2(4, 98); }, {{50, 98}}, Reads(&P::GetSpO2, 4), "98"},
      {"SpO2R[4]", [](P& p) { p.SetSpO2R(4, 0xC3D4); }, {{59, 0xD4}, {60, 0xC3}}, Reads(&P::GetSpO2R, 4), "50132"},
      {"NIBP alarm", [](P& p) { p.SetNIBPAlarm(0x56); }, {{61, 0x56}}, Reads(&P::GetNIBPAlarm), "86"},
      {"NIBP systolic", [](P& p) { p.SetNIBPSys(0x0178); }, {{62, 0x78}, {63, 0x01}}, Reads(&P::GetNIBPSys), "376"},
      {"NIBP mean", [](P& p) { p.SetNIBPMean(0x0279); }, {{64, 0x79}, {65, 0x02}}, Reads(&P::GetNIBPMean), "633"},
      {"NIBP diastolic", [](P& p) { p.SetNIBPDia(0x037A); }, {{66, 0x7A}, {67, 0x03}}, Reads(&P::GetNIBPDia), "890"},
      {"NIBP status", [](P& p) { p.SetNIBPStatus(4); }, {{68, 0x04}}, Reads(&P::GetNIBPStatus), "4"},
      {"TEMP alarm", [](P& p) { p.SetTempAlarm(0x57); }, {{69, 0x57}}, Reads(&P::GetTempAlarm), "87"},
      {"temperature x10", [](P& p) { p.SetTemp(36.5f); }, {{70, 0x6D}, {71, 0x01}}, Reads(&P::GetTemp), "36.5"},
      {"FECG alarm", [](P& p) { p.SetFECGAlarm(0x58); }, {{72, 0x58}}, Reads(&P::GetFECGAlarm), "88"},
      {"FECG[4]", [](P& p) { p.SetFECG(4, 138); }, {{77, 138}}, Reads(&P::GetFECG, 4), "138"},
      {"FSpO2 alarm", [](P& p) { p.SetFSpO2Alarm(0x59); }, {{78, 0x59}}, Reads(&P::GetFSpO2Alarm), "89"},
      {"FSpO2[4]", [](P& p) { p.SetFSpO2(4, 61); }, {{83, 61}}, Reads(&P::GetFSpO2, 4), "61"},
      {"FSpO2R[4]", [](P& p) { p.SetFSpO2R(4, 0xE5F6); }, {{92, 0xF6}, {93, 0xE5}}, Reads(&P::GetFSpO2R, 4), "58870"},
      {"IUP alarm", [](P& p) { p.SetIUPAlarm(0x5A); }, {{94, 0x5A}}, Reads(&P::GetIUPAlarm), "90"},
      {"IUP zeroing", [](P& p) { p.SetIUPZeroing(0x02); }, {{95, 0x02}}, Reads(&P::GetIUPZeroing), "2"},
      {"IUP[4]", [](P& p) { p.SetIUP(4, 0x3E); }, {{100, 0x3E}}, Reads(&P::GetIUP, 4), "62"},
      {"marker, any nonzero", [](P& p) { p.SetMarker(2); }, {{101, 0x01}}, Reads(&P::GetMarker), "1"},
      {"stimulator", [](P& p) { p.SetStimulator(1); }, {{101, 0x02}}, Reads(&P::GetStimulator), "1"},
  });
}

TEST(PKParamLayout, IndexOutsideTheArrayIsRejected) {
  ExpectIndexOutsideIsRejected<P>({
      {"FHR1", 5, [](P& p, int i) { p.SetFHR1(i, 0xAB); }, [](P& p, int i) { return p.GetFHR1(i); }, 0},
      {"FHR2", 5, [](P& p, int i) { p.SetFHR2(i, 0xAB); }, [](P& p, int i) { return p.GetFHR2(i); }, 0},
      {"UC", 5, [](P& p, int i) { p.SetUC(i, 0xAB); }, [](P& p, int i) { return p.GetUC(i); }, 0},
      {"SpO2", 5, [](P& p, int i) { p.SetSpO2(i, 0xAB); }, [](P& p, int i) { return p.GetSpO2(i); }, 0},
      {"FECG", 5, [](P& p, int i) { p.SetFECG(i, 0xAB); }, [](P& p, int i) { return p.GetFECG(i); }, 0},
      {"FSpO2", 5, [](P& p, int i) { p.SetFSpO2(i, 0xAB); }, [](P& p, int i) { return p.GetFSpO2(i); }, 0},
      {"IUP", 5, [](P& p, int i) { p.SetIUP(i, 0xAB); }, [](P& p, int i) { return p.GetIUP(i); }, 0},
      {"ECG", 5, [](P& p, int i) { p.SetECG(i, 0xABCD); }, [](P& p, int i) { return p.GetECG(i); }, 0},
      {"SpO2R", 5, [](P& p, int i) { p.SetSpO2R(i, 0xABCD); }, [](P& p, int i) { return p.GetSpO2R(i); }, 0},
      {"FSpO2R", 5, [](P& p, int i) { p.SetFSpO2R(i, 0xABCD); }, [](P& p, int i) { return p.GetFSpO2R(i); }, 0},
      {"FM1", 5, [](P& p, int i) { p.SetFM1(i, 0x2B); }, [](P& p, int i) { return p.GetFM1(i); }, 0},
      {"FM2", 5, [](P& p, int i) { p.SetFM2(i, 0x2B); }, [](P& p, int i) { return p.GetFM2(i); }, 0},
      {"FMD1", 5, [](P& p, int i) { p.SetFMD1(i, 1); }, [](P& p, int i) { return p.GetFMD1(i); }, 0},
      {"FMD2", 5, [](P& p, int i) { p.SetFMD2(i, 1); }, [](P& p, int i) { return p.GetFMD2(i); }, 0},
  });
}

// Widened to double, x10, truncated toward zero, low 16 bits; no integer at all stores 0xFFFF.
TEST(PKParamTemperature, StoredAsTenthsTruncatedTowardZero) {
  const struct { float degrees; unsigned char low, high; float read; } cases[] = {
      {37.3f, 0x74, 0x01, 37.2f},    // 372: the float 37.3 lies just below 37.3
      {-0.05f, 0x00, 0x00, 0.0f},    // -0.5 truncates to 0, not -1
      {-1.0f, 0xF6, 0xFF, 6552.6f},  // -10, low 16 bits
      {std::numeric_limits<float>::quiet_NaN(), 0xFF, 0xFF, 6553.5f},
      {1e30f, 0xFF, 0xFF, 6553.5f},
  };
  for (const auto& c : cases) {
    P packet;
    packet.SetTemp(c.degrees);
    EXPECT_EQ(Bytes(packet.GetPacket() + 70, packet.GetPacket() + 72), Bytes({c.low, c.high})) << c.degrees;
    EXPECT_FLOAT_EQ(packet.GetTemp(), c.read) << c.degrees;
  }
}

// A flag keeps the unused bits of its byte.
TEST(PKParamBits, FlagsKeepTheOtherBits) {
  P packet;
  packet.GetPacket()[101] = 0xF0;
  packet.SetMarker(2);
  packet.SetStimulator(-5);
  EXPECT_EQ(packet.GetPacket()[101], 0xF3);
  packet.SetMarker(0);
  EXPECT_EQ(packet.GetPacket()[101], 0xF2);
}

TEST(PKParamNullData, FillsTheNoValuePatternsAndKeepsTheKey) {
  P packet;
  packet.SetKey(0x3C);
  packet.SetFMD1(1, 1);
  packet.SetMarker(1);
  packet.SetStimulator(1);
  packet.SetNullData();
  Bytes expected = {0xC1};
  for (const auto& [count, byte] : std::vector<std::pair<int, unsigned char>>{
           {10, 0xFF}, {5, 0x7F}, {6, 0xFF}, {5, 0x7F}, {74, 0xFF}, {1, 0xFC}, {5, 0xFF}, {1, 0x3C}}) {
    expected.insert(expected.end(), static_cast<size_t>(count), byte);
  }
  EXPECT_EQ(BytesOf(packet), expected);
  EXPECT_EQ(packet.IsValid(), 1);
}

// Starting from a null packet, a filled field makes its kind, and no other, hold a value at the
// asked index (kind 0: none of them).
TEST(PKParamValidData, EachKindLooksAtItsOwnFieldWithItsOwnRule) {
  auto nibp = [](P& p, unsigned char status, int sys, int mean, int dia) {
    p.SetNIBPStatus(status);
    p.SetNIBPSys(sys);
    p.SetNIBPMean(mean);
    p.SetNIBPDia(dia);
  };
  const struct { const char* situation; std::function<void(P&)> fill; int index, validKind; } cases[] = {
      {"ECG 65534", [](P& p) { p.SetECG(0, 65534); }, 0, 1},
      {"SpO2", [](P& p) { p.SetSpO2(0, 97); }, 0, 2},
      {"SpO2 pulse rate", [](P& p) { p.SetSpO2R(0, 74); }, 0, 3},
      {"temperature 450 (45.0), any index", [](P& p) { p.GetPacket()[70] = 0xC2; p.GetPacket()[71] = 0x01; }, 3, 4},
      {"temperature 451 (45.1)", [](P& p) { p.GetPacket()[70] = 0xC3; p.GetPacket()[71] = 0x01; }, 0, 0},
      {"NIBP measured", [&](P& p) { nibp(p, 4, 118, 92, 76); }, 0, 5},
      {"NIBP measured, index 1", [&](P& p) { nibp(p, 4, 118, 92, 76); }, 1, 0},
      {"NIBP status 3", [&](P& p) { nibp(p, 3, 118, 92, 76); }, 0, 0},
      {"NIBP status 5", [&](P& p) { nibp(p, 5, 118, 92, 76); }, 0, 0},
      {"NIBP without systolic", [&](P& p) { nibp(p, 4, 0xFFFF, 92, 76); }, 0, 0},
      {"NIBP without mean", [&](P& p) { nibp(p, 4, 118, 0xFFFF, 76); }, 0, 0},
      {"NIBP without diastolic", [&](P& p) { nibp(p, 4, 118, 92, 0xFFFF); }, 0, 0},
      {"UC", [](P& p) { p.SetUC(0, 20); }, 0, 6},
      {"IUP", [](P& p) { p.SetIUP(0, 15); }, 0, 7},
      {"FECG", [](P& p) { p.SetFECG(0, 140); }, 0, 8},
      {"FSpO2", [](P& p) { p.SetFSpO2(0, 55); }, 0, 9},
      {"FSpO2 pulse rate", [](P& p) { p.SetFSpO2R(0, 138); }, 0, 10},
      {"FHR1", [](P& p) { p.SetFHR1(0, 142); }, 0, 11},
      {"FHR2", [](P& p) { p.SetFHR2(0, 150); }, 0, 12},
      {"FM1 count 0 with the mark set", [](P& p) { p.GetPacket()[11] = 0x80; }, 0, 13},
      {"FM1 count 127 with the mark set", [](P& p) { p.GetPacket()[11] = 0xFF; }, 0, 0},
      {"FM2", [](P& p) { p.SetFM2(0, 4); }, 0, 14},
      {"marker", [](P& p) { p.SetMarker(1); }, 0, 17},
      {"marker, index 1", [](P& p) { p.SetMarker(1); }, 1, 0},
      {"stimulator", [](P& p) { p.SetStimulator(1); }, 0, 18},
      {"stimulator, index 4", [](P& p) { p.SetStimulator(1); }, 4, 0},
      {"UC zeroing 1", [](P& p) { p.SetUCZeroing(1); }, 0, 19},
      {"UC zeroing 1, index 1", [](P& p) { p.SetUCZeroing(1); }, 1, 0},
      {"UC zeroing 0, IUP zeroing 5", [](P& p) { p.SetUCZeroing(0); p.SetIUPZeroing(5); }, 0, 19},
      {"UC zeroing 6, IUP zeroing 0", [](P& p) { p.SetUCZeroing(6); p.SetIUPZeroing(0); }, 0, 0},
  };
  for (const auto& c : cases) {
    P packet;
    packet.SetNullData();
    c.fill(packet);
    for (int kind = -1; kind <= 21; ++kind) {
      const int expected = c.validKind != 0 && kind == c.validKind;
      EXPECT_EQ(packet.IsValidData(kind, c.index), expected) << c.situation << ", kind " << kind;
    }
  }
  P zeros;  // kinds 15 and 16 never hold data; an index outside 0-4 reads 0, which counts as a value
  EXPECT_EQ(zeros.IsValidData(15, 0), 0);
  EXPECT_EQ(zeros.IsValidData(16, 0), 0);
  EXPECT_EQ(zeros.IsValidData(11, 5), 1);
}

}  // namespace
