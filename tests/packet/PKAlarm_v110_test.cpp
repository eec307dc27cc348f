#include "packet/PKAlarm_v110.h"

#include <gtest/gtest.h>

#include <limits>

#include "PacketFieldTable.h"

namespace {

using Alarm = PKAlarm_v110;
using Case = FieldCase<Alarm>;
using SetByte = void (Alarm::*)(unsigned char);
using GetByte = unsigned char (Alarm::*)();
using SetPair = void (Alarm::*)(int, int);
using GetPair = void (Alarm::*)(int&, int&);

// Level 0x25 (keeps 5), enable 0x1A (keeps A, must keep the level), level 0x3C (must keep the
// enable code): the byte ends as 0xAC. The level is checked midway, as the last write would
// hide an enable setter that drops it.
Case Nibbles(const char* name, int offset, SetByte setEnable, GetByte getEnable, SetByte setLevel, GetByte getLevel) {
  return {name,
          [=](Alarm& a) {
            (a.*setLevel)(0x25);
            (a.*setEnable)(0x1A);
            EXPECT_EQ((a.*getLevel)(), 0x05) << "the enable setter dropped the level";
            (a.*setLevel)(0x3C);
          },
          {{offset, 0xAC}},
          [=](Alarm& a) {
            EXPECT_EQ((a.*getEnable)(), 0x0A);
            EXPECT_EQ((a.*getLevel)(), 0x0C);
          }};
}

Case WholeByte(const char* name, int offset, SetByte set, GetByte get) {
  return {name, [=](Alarm& a) { (a.*set)(0x21); }, {{offset, 0x21}}, [=](Alarm& a) { EXPECT_EQ((a.*get)(), 0x21); }};
}

void ExpectPair(Alarm& alarm, GetPair get, int first, int second) {
  int gotFirst = -1, gotSecond = -1;
  (alarm.*get)(gotFirst, gotSecond);
  EXPECT_EQ(gotFirst, first);
  EXPECT_EQ(gotSecond, second);
}

// 300 keeps its low 8 bits, 44.
Case BytePair(const char* name, int offset, SetPair set, GetPair get) {
  return {name, [=](Alarm& a) { (a.*set)(300, 0xC8); }, {{offset, 44}, {offset + 1, 0xC8}},
          [=](Alarm& a) { ExpectPair(a, get, 44, 0xC8); }};
}

// 70000 keeps its low 16 bits, 0x1170.
Case WordPair(const char* name, int offset, SetPair set, GetPair get) {
  return {name, [=](Alarm& a) { (a.*set)(0x1234, 70000); },
          {{offset, 0x34}, {offset + 1, 0x12}, {offset + 2, 0x70}, {offset + 3, 0x11}},
          [=](Alarm& a) { ExpectPair(a, get, 0x1234, 0x1170); }};
}

std::vector<Case> AlarmFields() {
  using A = Alarm;
  return {
      Nibbles("FHR1", 1, &A::SetFHR1AlarmEnable, &A::GetFHR1AlarmEnable, &A::SetFHR1Level, &A::GetFHR1Level),
      BytePair("FHR1 limits", 2, &A::SetFHR1Limit, &A::GetFHR1Limit),
      Nibbles("FHR2", 4, &A::SetFHR2AlarmEnable, &A::GetFHR2AlarmEnable, &A::SetFHR2Level, &A::GetFHR2Level),
      BytePair("FHR2 limits", 5, &A::SetFHR2Limit, &A::GetFHR2Limit),
      Nibbles("UC", 7, &A::SetUCAlarmEnable, &A::GetUCAlarmEnable, &A::SetUCLevel, &A::GetUCLevel),
      BytePair("UC limits", 8, &A::SetUCLimit, &A::GetUCLimit),
      BytePair("UC frequency limits", 10, &A::SetUCFreqLimit, &A::GetUCFreqLimit),
      Nibbles("ECG", 12, &A::SetECGAlarmEnable, &A::GetECGAlarmEnable, &A::SetECGLevel, &A::GetECGLevel),
      WordPair("ECG limits", 13, &A::SetECGLimit, &A::GetECGLimit),
      Nibbles("SpO2", 17, &A::SetSpO2AlarmEnable, &A::GetSpO2AlarmEnable, &A::SetSpO2Level, &A::GetSpO2Level),
      BytePair("SpO2 limits", 18, &A::SetSpO2Limit, &A::GetSpO2Limit),
      WholeByte("SpO2 pulse-rate level", 20, &A::SetSpO2RLevel, &A::GetSpO2RLevel),
      WordPair("SpO2 pulse-rate limits", 21, &A::SetSpO2RLimit, &A::GetSpO2RLimit),
      Nibbles("NIBP", 25, &A::SetNIBPAlarmEnable, &A::GetNIBPAlarmEnable, &A::SetNIBPLevel, &A::GetNIBPLevel),
      WholeByte("NIBP source", 26, &A::SetNIBPSource, &A::GetNIBPSource),
      WordPair("NIBP limits", 27, &A::SetNIBPLimit, &A::GetNIBPLimit),
      Nibbles("TEMP", 31, &A::SetTempAlarmEnable, &A::GetTempAlarmEnable, &A::SetTempLevel, &A::GetTempLevel),
      {"temperature limits x10", [](Alarm& a) { a.SetTempLimit(36.0f, 39.5f); },
       {{32, 0x68}, {33, 0x01}, {34, 0x8B}, {35, 0x01}},
       [](Alarm& a) {
         float first = 0, second = 0;
         a.GetTempLimit(first, second);
         EXPECT_FLOAT_EQ(first, 36.0f);
         EXPECT_FLOAT_EQ(second, 39.5f);
       }},
      Nibbles("FECG", 36, &A::SetFECGAlarmEnable, &A::GetFECGAlarmEnable, &A::SetFECGLevel, &A::GetFECGLevel),
      BytePair("FECG limits", 37, &A::SetFECGLimit, &A::GetFECGLimit),
      Nibbles("FSpO2", 39, &A::SetFSpO2AlarmEnable, &A::GetFSpO2AlarmEnable, &A::SetFSpO2Level, &A::GetFSpO2Level),
      BytePair("FSpO2 limits", 40, &A::SetFSpO2Limit, &A::GetFSpO2Limit),
      WholeByte("FSpO2 pulse-rate level", 42, &A::SetFSpO2RLevel, &A::GetFSpO2RLevel),
      BytePair("FSpO2 pulse-rate limits", 43, &A::SetFSpO2RLimit, &A::GetFSpO2RLimit),
      Nibbles("IUP", 45, &A::SetIUPAlarmEnable, &A::GetIUPAlarmEnable, &A::SetIUPLevel, &A::GetIUPLevel),
      BytePair("IUP limits", 46, &A::SetIUPLimit, &A::GetIUPLimit),
      BytePair("IUP frequency limits", 48, &A::SetIUPFreqLimit, &A::GetIUPFreqLimit),
  };
}

}  // namespace

TEST(PKAlarm_v110Layout, NewPacketIsHeaderZerosAndKey) { ExpectFreshPacket<Alarm>(0xB2, 60); }

TEST(PKAlarm_v110Layout, EachFieldChangesOnlyItsBytes) { ExpectEachFieldChangesOnlyItsBytes(AlarmFields()); }

// Offsets 50-58 and the checksum byte belong to no field.
TEST(PKAlarm_v110Layout, UnusedBytesSurviveEveryWrite) { ExpectUnownedBytesSurviveAllWrites(AlarmFields()); }

// Temperatures are widened from single precision, scaled x10 and truncated: 37.3f lies just
// below 37.3 and stores 372; values with no integer store the all-ones pattern.
TEST(PKAlarm_v110Temperature, StoredBytes) {
  const float inf = std::numeric_limits<float>::infinity();
  const struct {
    float first, second;
    std::vector<unsigned char> bytes;
  } rows[] = {
      {37.3f, 38.0f, {0x74, 0x01, 0x7C, 0x01}},
      {-0.5f, 0.0f, {0xFB, 0xFF, 0x00, 0x00}},
      {std::numeric_limits<float>::quiet_NaN(), inf, {0xFF, 0xFF, 0xFF, 0xFF}},
      {-inf, std::numeric_limits<float>::max(), {0xFF, 0xFF, 0xFF, 0xFF}},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.first);
    Alarm alarm;
    alarm.SetTempLimit(row.first, row.second);
    EXPECT_EQ(std::vector<unsigned char>(alarm.GetPacket() + 32, alarm.GetPacket() + 36), row.bytes);
  }
}

TEST(PKAlarm_v110Copy, FollowsTheFrameRules) { ExpectCopyRules<Alarm>(); }
