#include "packet/PKMonitor_v110.h"

#include <gtest/gtest.h>

#include "PacketFieldTable.h"

namespace {

using M = PKMonitor_v110;

std::string Version(M& monitor) {
  unsigned char main = 0, sub = 0;
  monitor.GetVersion(main, sub);
  return Shown(main, sub);
}

// Code fields take 200, a code outside every map: stored unchanged. The unit name is exactly 20
// characters, so it fills its field with no terminator.
TEST(PKMonitor_v110Layout, NewPacketAndEachField) {
  ExpectLayout<M>(0xB3, 56, {
      {"model type", [](M& p) { p.SetModelType(200); }, {{1, 200}}, Reads(&M::GetModelType), "200"},
      {"software version", [](M& p) { p.SetVersion(12, 200); }, {{2, 12}, {3, 200}},
       [](M& p) { return Shown(Version(p), p.GetVersionToSting()); }, "12 200 12.200"},
      {"unit name", [](M& p) { p.SetUnitName("Ward 3 bed 12 CTG-B7"); }, TextBytes(4, "Ward 3 bed 12 CTG-B7"),
       Reads(&M::GetUnitName), "Ward 3 bed 12 CTG-B7"},
      {"monitor number", [](M& p) { p.SetMonitorNumber(200); }, {{24, 200}}, Reads(&M::GetMonitorNumber), "200"},
      {"display mode", [](M& p) { p.SetDisplayMode(200); }, {{25, 200}}, Reads(&M::GetDisplayMode), "200"},
      {"ECG lead", [](M& p) { p.SetECGLead(200); }, {{26, 200}}, Reads(&M::GetECGLead), "200"},
      {"QRS volume", [](M& p) { p.SetQRSVolume(200); }, {{27, 200}}, Reads(&M::GetQRSVolume), "200"},
      {"ECG filter", [](M& p) { p.SetECGFilter(200); }, {{28, 200}}, Reads(&M::GetECGFilter), "200"},
      {"ECG AC filter", [](M& p) { p.SetECGACFilter(200); }, {{29, 200}}, Reads(&M::GetECGACFilter), "200"},
      {"pace", [](M& p) { p.SetPace(200); }, {{30, 200}}, Reads(&M::GetPace), "200"},
      {"SpO2 rate volume", [](M& p) { p.SetSpO2RateVolume(200); }, {{31, 200}}, Reads(&M::GetSpO2RateVolume), "200"},
      {"NIBP cuff type", [](M& p) { p.SetNIBPCuffType(200); }, {{32, 200}}, Reads(&M::GetNIBPCuffType), "200"},
      {"NIBP interval", [](M& p) { p.SetNIBPInterval(200); }, {{33, 200}}, Reads(&M::GetNIBPInterval), "200"},
      {"NIBP mode", [](M& p) { p.SetNIBPMode(200); }, {{34, 200}}, Reads(&M::GetNIBPMode), "200"},
      {"fetal QRS volume", [](M& p) { p.SetFQRSVolume(200); }, {{35, 200}}, Reads(&M::GetFQRSVolume), "200"},
      {"FECG filter", [](M& p) { p.SetFECGFilter(200); }, {{36, 200}}, Reads(&M::GetFECGFilter), "200"},
      {"FECG AC filter", [](M& p) { p.SetFECGACFilter(200); }, {{37, 200}}, Reads(&M::GetFECGACFilter), "200"},
      {"FSpO2 rate volume", [](M& p) { p.SetFSpO2RateVolume(200); }, {{38, 200}}, Reads(&M::GetFSpO2RateVolume), "200"},
      {"FHR automatic gain control", [](M& p) { p.SetFHRAutoGainControl(200); }, {{39, 200}},
       Reads(&M::GetFHRAutoGainControl), "200"},
      {"FHR1 volume", [](M& p) { p.SetFHR1Volume(200); }, {{40, 200}}, Reads(&M::GetFHR1Volume), "200"},
      {"FHR2 volume", [](M& p) { p.SetFHR2Volume(200); }, {{41, 200}}, Reads(&M::GetFHR2Volume), "200"},
      {"FHR2 offset", [](M& p) { p.SetFHR2Offset(200); }, {{42, 200}}, Reads(&M::GetFHR2Offset), "200"},
      {"UC offset", [](M& p) { p.SetUCOffset(200); }, {{43, 200}}, Reads(&M::GetUCOffset), "200"},
      {"IUP offset", [](M& p) { p.SetIUPOffset(200); }, {{44, 200}}, Reads(&M::GetIUPOffset), "200"},
      {"automatic zeroing", [](M& p) { p.SetAutoZeroing(200); }, {{45, 200}}, Reads(&M::GetAutoZeroing), "200"},
      {"fetal movement", [](M& p) { p.SetFetalMovement(200); }, {{46, 200}}, Reads(&M::GetFetalMovement), "200"},
  });
}

TEST(PKMonitor_v110Version, ANewPacketsTextIsZeroDotZero) { EXPECT_STREQ(M().GetVersionToSting(), "0.0"); }

}  // namespace
