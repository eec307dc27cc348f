#include "packet/PKAlarm_v110.h"

#include <gtest/gtest.h>

#include <functional>
#include <limits>
#include <string>

#include "PacketFieldTable.h"

namespace {

using A = PKAlarm_v110;
using SetByte = void (A::*)(unsigned char);
using GetByte = unsigned char (A::*)();

// Enable in the high nibble, level in the low one, each setter keeping the other: level 0x3C,
// enable 0x1A (must keep C), level 0x2B (must keep A) end as 0xAB, read back as 10 and 11.
FieldCase<A> Nibbles(const char* name, int offset, SetByte setEnable, SetByte setLevel, GetByte getEnable,
                     GetByte getLevel) {
  return {name,
          [=](A& a) {
            (a.*setLevel)(0x3C);
            (a.*setEnable)(0x1A);
            EXPECT_EQ(a.GetPacket()[offset], 0xAC) << "the enable setter dropped the level";
            (a.*setLevel)(0x2B);
          },
          {{offset, 0xAB}},
          [=](A& a) { return Shown((a.*getEnable)(), (a.*getLevel)()); },
          "10 11"};
}

// What a limit pair's getter reads.
template <class Limit>
std::function<std::string(A&)> Limits(void (A::*get)(Limit&, Limit&)) {
  return [=](A& alarm) {
    Limit first{}, second{};
    (alarm.*get)(first, second);
    return Shown(first, second);
  };
}

// Limit pairs store the first at the lower offset; 300 keeps its low 8 bits (44), 70000 its low
// 16 bits (0x1170). Offsets 50-58 belong to no field.
TEST(PKAlarm_v110Layout, NewPacketAndEachField) {
  ExpectLayout<A>(0xB2, 60, {
      Nibbles("FHR1", 1, &A::SetFHR1AlarmEnable, &A::SetFHR1Level, &A::GetFHR1AlarmEnable, &A::GetFHR1Level),
      {"FHR1 limits", [](A& a) { a.SetFHR1Limit(300, 0xC8); }, {{2, 44}, {3, 0xC8}},
       Limits(&A::GetFHR1Limit), "44 200"},
      Nibbles("FHR2", 4, &A::SetFHR2AlarmEnable, &A::SetFHR2Level, &A::GetFHR2AlarmEnable, &A::GetFHR2Level),
      {"FHR2 limits", [](A& a) { a.SetFHR2Limit(300, 0xC8); }, {{5, 44}, {6, 0xC8}},
       Limits(&A::GetFHR2Limit), "44 200"},
      Nibbles("UC", 7, &A::SetUCAlarmEnable, &A::SetUCLevel, &A::GetUCAlarmEnable, &A::GetUCLevel),
      {"UC limits", [](A& a) { a.SetUCLimit(300, 0xC8); }, {{8, 44}, {9, 0xC8}}, Limits(&A::GetUCLimit), "44 200"},
      {"UC frequency limits", [](A& a) { a.SetUCFreqLimit(300, 0xC8); }, {{10, 44}, {11, 0xC8}},
       Limits(&A::GetUCFreqLimit), "44 200"},
      Nibbles("ECG", 12, &A::SetECGAlarmEnable, &A::SetECGLevel, &A::GetECGAlarmEnable, &A::GetECGLevel),
      {"ECG limits", [](A& a) { a.SetECGLimit(0x1234, 70000); }, {{13, 0x34}, {14, 0x12}, {15, 0x70}, {16, 0x11}},
       Limits(&A::GetECGLimit), "4660 4464"},
      Nibbles("SpO2", 17, &A::SetSpO2AlarmEnable, &A::SetSpO2Level, &A::GetSpO2AlarmEnable, &A::GetSpO2Level),
      {"SpO2 limits", [](A& a) { a.SetSpO2Limit(300, 0xC8); }, {{18, 44}, {19, 0xC8}},
       Limits(&A::GetSpO2Limit), "44 200"},
      {"SpO2 pulse-rate level, whole byte", [](A& a) { a.SetSpO2RLevel(0x21); }, {{20, 0x21}},
       Reads(&A::GetSpO2RLevel), "33"},
      {"SpO2 pulse-rate limits", [](A& a) { a.SetSpO2RLimit(0x1234, 70000); },
       {{21, 0x34}, {22, 0x12}, {23, 0x70}, {24, 0x11}}, Limits(&A::GetSpO2RLimit), "4660 4464"},
      Nibbles("NIBP", 25, &A::SetNIBPAlarmEnable, &A::SetNIBPLevel, &A::GetNIBPAlarmEnable, &A::GetNIBPLevel),
      {"NIBP source", [](A& a) { a.SetNIBPSource(0x21); }, {{26, 0x21}}, Reads(&A::GetNIBPSource), "33"},
      {"NIBP limits", [](A& a) { a.SetNIBPLimit(0x1234, 70000); }, {{27, 0x34}, {28, 0x12}, {29, 0x70}, {30, 0x11}},
       Limits(&A::GetNIBPLimit), "4660 4464"},
      Nibbles("TEMP", 31, &A::SetTempAlarmEnable, &A::SetTempLevel, &A::GetTempAlarmEnable, &A::GetTempLevel),
      {"temperature limits x10", [](A& a) { a.SetTempLimit(36.0f, 39.5f); },
       {{32, 0x68}, {33, 0x01}, {34, 0x8B}, {35, 0x01}}, Limits(&A::GetTempLimit), "36 39.5"},
      Nibbles("FECG", 36, &A::SetFECGAlarmEnable, &A::SetFECGLevel, &A::GetFECGAlarmEnable, &A::GetFECGLevel),
      {"FECG limits", [](A& a) { a.SetFECGLimit(300, 0xC8); }, {{37, 44}, {38, 0xC8}},
       Limits(&A::GetFECGLimit), "44 200"},
      Nibbles("FSpO2", 39, &A::SetFSpO2AlarmEnable, &A::SetFSpO2Level, &A::GetFSpO2AlarmEnable, &A::GetFSpO2Level),
      {"FSpO2 limits", [](A& a) { a.SetFSpO2Limit(300, 0xC8); }, {{40, 44}, {41, 0xC8}},
       Limits(&A::GetFSpO2Limit), "44 200"},
      {"FSpO2 pulse-rate level, whole byte", [](A& a) { a.SetFSpO2RLevel(0x21); }, {{42, 0x21}},
       Reads(&A::GetFSpO2RLevel), "33"},
      {"FSpO2 pulse-rate limits", [](A& a) { a.SetFSpO2RLimit(300, 0xC8); }, {{43, 44}, {44, 0xC8}},
       Limits(&A::GetFSpO2RLimit), "44 200"},
      Nibbles("IUP", 45, &A::SetIUPAlarmEnable, &A::SetIUPLevel, &A::GetIUPAlarmEnable, &A::GetIUPLevel),
      {"IUP limits", [](A& a) { a.SetIUPLimit(300, 0xC8); }, {{46, 44}, {47, 0xC8}}, Limits(&A::GetIUPLimit), "44 200"},
      {"IUP frequency limits", [](A& a) { a.SetIUPFreqLimit(300, 0xC8); }, {{48, 44}, {49, 0xC8}},
       Limits(&A::GetIUPFreqLimit), "44 200"},
  });
}

// Widened from single precision, x10, truncated toward zero; no integer at all stores 0xFFFF.
TEST(PKAlarm_v110Temperature, LimitsAreTruncatedTenths) {
  A alarm;
  alarm.SetTempLimit(37.3f, -0.5f);  // 37.3f lies just below 37.3: 372; -5 as 16 bits
  EXPECT_EQ(Bytes(alarm.GetPacket() + 32, alarm.GetPacket() + 36), Bytes({0x74, 0x01, 0xFB, 0xFF}));
  float first = 0, second = 0;
  alarm.GetTempLimit(first, second);
  EXPECT_FLOAT_EQ(first, 37.2f);
  EXPECT_FLOAT_EQ(second, 6553.1f);
  alarm.SetTempLimit(std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::max());
  EXPECT_EQ(Bytes(alarm.GetPacket() + 32, alarm.GetPacket() + 36), Bytes({0xFF, 0xFF, 0xFF, 0xFF}));
}

}  // namespace
