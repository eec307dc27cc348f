#include "packet/PKWave_v110.h"

#include <gtest/gtest.h>

#include "PacketFieldTable.h"

namespace {

using W = PKWave_v110;

// First and last sample of each wave.
TEST(PKWaveLayout, NewPacketAndEachField) {
  ExpectLayout<W>(0xC0, 56, {
      {"ECG[0] = -2", [](W& p) { p.SetECG(0, -2); }, {{1, 0xFE}, {2, 0xFF}}, Reads(&W::GetECG, 0), "-2"},
      {"ECG[11] = 0x1234", [](W& p) { p.SetECG(11, 0x1234); }, {{23, 0x34}, {24, 0x12}}, Reads(&W::GetECG, 11), "4660"},
      {"SpO2[0] = 200", [](W& p) { p.SetSpO2(0, 200); }, {{25, 0xC8}}, Reads(&W::GetSpO2, 0), "200"},
      {"SpO2[2] = 300", [](W& p) { p.SetSpO2(2, 300); }, {{27, 44}}, Reads(&W::GetSpO2, 2), "44"},
      {"FECG[0] = 32767", [](W& p) { p.SetFECG(0, 32767); }, {{28, 0xFF}, {29, 0x7F}}, Reads(&W::GetFECG, 0), "32767"},
      {"FECG[11] = -32767", [](W& p) { p.SetFECG(11, -32767); }, {{50, 0x01}, {51, 0x80}},
       Reads(&W::GetFECG, 11), "-32767"},
      {"FSpO2[0] = 1", [](W& p) { p.SetFSpO2(0, 1); }, {{52, 0x01}}, Reads(&W::GetFSpO2, 0), "1"},
      {"FSpO2[2] = -1", [](W& p) { p.SetFSpO2(2, -1); }, {{54, 0xFF}}, Reads(&W::GetFSpO2, 2), "255"},
  });
}

TEST(PKWaveRange, IndexOutsideTheWaveIsRejected) {
  ExpectIndexOutsideIsRejected<W>({
      {"ECG", 12, [](W& p, int i) { p.SetECG(i, 0x1111); }, [](W& p, int i) { return p.GetECG(i); }, -32768},
      {"FECG", 12, [](W& p, int i) { p.SetFECG(i, 0x1111); }, [](W& p, int i) { return p.GetFECG(i); }, -32768},
      {"SpO2", 3, [](W& p, int i) { p.SetSpO2(i, 0x11); }, [](W& p, int i) { return p.GetSpO2(i); }, 255},
      {"FSpO2", 3, [](W& p, int i) { p.SetFSpO2(i, 0x11); }, [](W& p, int i) { return p.GetFSpO2(i); }, 255},
  });
}

// Channel codes 1 ECG, 2 SpO2, 3 FECG, 4 FSpO2; a fresh packet's zero samples all count.
TEST(PKWaveValidData, EachChannelHasItsNoValuePattern) {
  W wave;
  wave.SetECG(11, -32768);
  wave.SetSpO2(2, 255);
  wave.SetFECG(3, -32768);
  wave.SetFSpO2(0, 255);
  const struct { int channel, index, expected; } cases[] = {
      {1, 11, 0}, {3, 11, 1}, {2, 2, 0}, {4, 2, 1}, {3, 3, 0}, {1, 3, 1}, {4, 0, 0}, {2, 0, 1},
      {0, 0, 0},  {5, 0, 0},  {1, 12, 0}, {3, -1, 0}, {2, 3, 0}, {4, 3, 0},
  };
  for (const auto& c : cases) EXPECT_EQ(wave.IsValidData(c.channel, c.index), c.expected) << c.channel << c.index;
}

}  // namespace
