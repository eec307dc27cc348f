#include "packet/PKMonitor_v110.h"

#include <gtest/gtest.h>

#include "PacketFieldTable.h"

namespace {

using Monitor = PKMonitor_v110;
using Case = FieldCase<Monitor>;

constexpr char kFullUnitName[] = "Ward 3 bed 12 CTG-B7";  // exactly 20 characters
static_assert(sizeof(kFullUnitName) == 21);

// A one-byte code field written with 200, a code outside every map: stored unchanged.
Case Code(const char* field, int offset, void (Monitor::*set)(unsigned char), unsigned char (Monitor::*get)()) {
  return {field, [set](Monitor& p) { (p.*set)(200); }, {{offset, 200}},
          [get](Monitor& p) { EXPECT_EQ((p.*get)(), 200); }};
}

std::vector<Case> MonitorFields() {
  return {
      Code("model type", 1, &Monitor::SetModelType, &Monitor::GetModelType),
      {"software version", [](Monitor& p) { p.SetVersion(12, 200); }, {{2, 12}, {3, 200}},
       [](Monitor& p) {
         unsigned char main = 0, sub = 0;
         p.GetVersion(main, sub);
         EXPECT_EQ(main, 12);
         EXPECT_EQ(sub, 200);
         EXPECT_STREQ(p.GetVersionToSting(), "12.200");
       }},
      {"unit name", [](Monitor& p) { p.SetUnitName(kFullUnitName); }, TextBytes(4, kFullUnitName),
       [](Monitor& p) { EXPECT_STREQ(p.GetUnitName(), kFullUnitName); }},
      Code("monitor number", 24, &Monitor::SetMonitorNumber, &Monitor::GetMonitorNumber),
      Code("display mode", 25, &Monitor::SetDisplayMode, &Monitor::GetDisplayMode),
      Code("ECG lead", 26, &Monitor::SetECGLead, &Monitor::GetECGLead),
      Code("QRS volume", 27, &Monitor::SetQRSVolume, &Monitor::GetQRSVolume),
      Code("ECG filter", 28, &Monitor::SetECGFilter, &Monitor::GetECGFilter),
      Code("ECG AC filter", 29, &Monitor::SetECGACFilter, &Monitor::GetECGACFilter),
      Code("pace", 30, &Monitor::SetPace, &Monitor::GetPace),
      Code("SpO2 rate volume", 31, &Monitor::SetSpO2RateVolume, &Monitor::GetSpO2RateVolume),
      Code("NIBP cuff type", 32, &Monitor::SetNIBPCuffType, &Monitor::GetNIBPCuffType),
      Code("NIBP interval", 33, &Monitor::SetNIBPInterval, &Monitor::GetNIBPInterval),
      Code("NIBP mode", 34, &Monitor::SetNIBPMode, &Monitor::GetNIBPMode),
      Code("fetal QRS volume", 35, &Monitor::SetFQRSVolume, &Monitor::GetFQRSVolume),
      Code("FECG filter", 36, &Monitor::SetFECGFilter, &Monitor::GetFECGFilter),
      Code("FECG AC filter", 37, &Monitor::SetFECGACFilter, &Monitor::GetFECGACFilter),
      Code("FSpO2 rate volume", 38, &Monitor::SetFSpO2RateVolume, &Monitor::GetFSpO2RateVolume),
      Code("FHR automatic gain control", 39, &Monitor::SetFHRAutoGainControl, &Monitor::GetFHRAutoGainControl),
      Code("FHR1 volume", 40, &Monitor::SetFHR1Volume, &Monitor::GetFHR1Volume),
      Code("FHR2 volume", 41, &Monitor::SetFHR2Volume, &Monitor::GetFHR2Volume),
      Code("FHR2 offset", 42, &Monitor::SetFHR2Offset, &Monitor::GetFHR2Offset),
      Code("UC offset", 43, &Monitor::SetUCOffset, &Monitor::GetUCOffset),
      Code("IUP offset", 44, &Monitor::SetIUPOffset, &Monitor::GetIUPOffset),
      Code("automatic zeroing", 45, &Monitor::SetAutoZeroing, &Monitor::GetAutoZeroing),
      Code("fetal movement", 46, &Monitor::SetFetalMovement, &Monitor::GetFetalMovement),
  };
}

}  // namespace

TEST(PKMonitor_v110Layout, NewPacketIsHeaderZerosAndKey) {
  ExpectFreshPacket<Monitor>(0xB3, 56);
  Monitor monitor;
  EXPECT_STREQ(monitor.GetUnitName(), "");
  EXPECT_STREQ(monitor.GetVersionToSting(), "0.0");
}

TEST(PKMonitor_v110Layout, EachFieldChangesOnlyItsBytes) { ExpectEachFieldChangesOnlyItsBytes(MonitorFields()); }

TEST(PKMonitor_v110Layout, UnusedBytesSurviveEveryWrite) { ExpectUnownedBytesSurviveAllWrites(MonitorFields()); }

TEST(PKMonitor_v110UnitName, LongNameStopsBeforeMonitorNumber) {
  Monitor monitor;
  monitor.SetMonitorNumber(7);
  monitor.SetUnitName("Delivery suite north bed");  // 24 characters
  EXPECT_EQ(monitor.GetPacket()[23], 'h');
  EXPECT_EQ(monitor.GetPacket()[24], 7);
  EXPECT_STREQ(monitor.GetUnitName(), "Delivery suite north");
}

TEST(PKMonitor_v110Copy, FollowsTheFrameRules) { ExpectCopyRules<Monitor>(); }
