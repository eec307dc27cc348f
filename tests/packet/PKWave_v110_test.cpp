#include "packet/PKWave_v110.h"

#include <gtest/gtest.h>

#include <functional>
#include <limits>
#include <vector>

#include "PacketFieldTable.h"

namespace {

using W = PKWave_v110;

// ---- Layout: first and last sample of each wave, written on a fresh packet ----

const std::vector<FieldCase<W>>& WaveFields() {
  static const std::vector<FieldCase<W>> cases = {
      {"ECG[0] = -2", [](W& p) { p.SetECG(0, -2); }, {{1, 0xFE}, {2, 0xFF}},
       [](W& p) { EXPECT_EQ(p.GetECG(0), -2); }},
      {"ECG[11] = 0x1234", [](W& p) { p.SetECG(11, 0x1234); }, {{23, 0x34}, {24, 0x12}},
       [](W& p) { EXPECT_EQ(p.GetECG(11), 0x1234); }},
      {"SpO2[0] = 200", [](W& p) { p.SetSpO2(0, 200); }, {{25, 0xC8}}, [](W& p) { EXPECT_EQ(p.GetSpO2(0), 200); }},
      {"SpO2[2] = 300", [](W& p) { p.SetSpO2(2, 300); }, {{27, 44}}, [](W& p) { EXPECT_EQ(p.GetSpO2(2), 44); }},
      {"FECG[0] = 32767", [](W& p) { p.SetFECG(0, 32767); }, {{28, 0xFF}, {29, 0x7F}},
       [](W& p) { EXPECT_EQ(p.GetFECG(0), 32767); }},
      {"FECG[11] = -32767", [](W& p) { p.SetFECG(11, -32767); }, {{50, 0x01}, {51, 0x80}},
       [](W& p) { EXPECT_EQ(p.GetFECG(11), -32767); }},
      {"FSpO2[0] = 1", [](W& p) { p.SetFSpO2(0, 1); }, {{52, 0x01}}, [](W& p) { EXPECT_EQ(p.GetFSpO2(0), 1); }},
      {"FSpO2[2] = -1", [](W& p) { p.SetFSpO2(2, -1); }, {{54, 0xFF}}, [](W& p) { EXPECT_EQ(p.GetFSpO2(2), 255); }},
  };
  return cases;
}

TEST(PKWaveLayout, NewPacketIsHeaderZerosAndKey) { ExpectFreshPacket<W>(0xC0, 56); }
TEST(PKWaveLayout, EachFieldChangesOnlyItsBytes) { ExpectEachFieldChangesOnlyItsBytes(WaveFields()); }
TEST(PKWaveLayout, UnusedBytesSurviveEveryWrite) { ExpectUnownedBytesSurviveAllWrites(WaveFields()); }
TEST(PKWaveCopy, FollowsTheFrameRules) { ExpectCopyRules<W>(); }

// Wave samples are 16-bit two's complement: the high bit of the high byte is the sign.
TEST(PKWaveLayout, ReceivedSamplesAreSigned) {
  W wave;
  unsigned char* bytes = wave.GetPacket();
  bytes[3] = 0x00;  // ECG[1] = 0x8000
  bytes[4] = 0x80;
  bytes[30] = 0x01;  // FECG[1] = 0x7F01
  bytes[31] = 0x7F;
  bytes[26] = 0xFE;  // SpO2[1] stays unsigned
  EXPECT_EQ(wave.GetECG(1), -32768);
  EXPECT_EQ(wave.GetFECG(1), 32513);
  EXPECT_EQ(wave.GetSpO2(1), 254);
}

// ---- An index outside the wave is rejected: the no-value pattern, nothing written ----

TEST(PKWaveRange, IndexOutsideTheWaveIsRejected) {
  struct Case {
    const char* wave;
    int count;
    std::function<void(W&, int)> set;
    std::function<int(W&, int)> get;
    int noValue;
  };
  const std::vector<Case> cases = {
      {"ECG", 12, [](W& p, int i) { p.SetECG(i, 0x1111); }, [](W& p, int i) { return p.GetECG(i); }, -32768},
      {"FECG", 12, [](W& p, int i) { p.SetFECG(i, 0x1111); }, [](W& p, int i) { return p.GetFECG(i); }, -32768},
      {"SpO2", 3, [](W& p, int i) { p.SetSpO2(i, 0x11); }, [](W& p, int i) { return p.GetSpO2(i); }, 255},
      {"FSpO2", 3, [](W& p, int i) { p.SetFSpO2(i, 0x11); }, [](W& p, int i) { return p.GetFSpO2(i); }, 255},
  };
  for (const Case& c : cases) {
    for (int index : {-1, c.count, c.count + 1, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()}) {
      SCOPED_TRACE(testing::Message() << c.wave << "[" << index << "]");
      W wave;
      wave.Clear(0x22);  // neighbours hold a value that a stray read would return
      const std::vector<unsigned char> before = BytesOf(wave);
      c.set(wave, index);
      EXPECT_EQ(BytesOf(wave), before);
      EXPECT_EQ(c.get(wave, index), c.noValue);
    }
  }
}

// ---- IsValidData: channel codes 1 ECG, 2 SpO2, 3 FECG, 4 FSpO2 ----

TEST(PKWaveValidData, NoValuePatternsPerChannel) {
  W wave;
  for (int channel = 1; channel <= 4; ++channel) {
    EXPECT_EQ(wave.IsValidData(channel, 0), 1) << "a fresh packet's zero samples count, channel " << channel;
  }
  wave.SetFECG(3, -32768);
  EXPECT_EQ(wave.IsValidData(3, 3), 0);
  EXPECT_EQ(wave.IsValidData(1, 3), 1);
  wave.SetECG(11, -32768);
  EXPECT_EQ(wave.IsValidData(1, 11), 0);
  EXPECT_EQ(wave.IsValidData(3, 11), 1);
  wave.SetSpO2(2, 255);
  EXPECT_EQ(wave.IsValidData(2, 2), 0);
  EXPECT_EQ(wave.IsValidData(4, 2), 1);
  wave.SetFSpO2(0, 255);
  EXPECT_EQ(wave.IsValidData(4, 0), 0);
  EXPECT_EQ(wave.IsValidData(2, 0), 1);
  wave.SetECG(5, -32767);
  EXPECT_EQ(wave.IsValidData(1, 5), 1);
}

TEST(PKWaveValidData, UnknownChannelOrIndexHoldsNothing) {
  W wave;
  for (int index : {0, 1, 2}) {
    EXPECT_EQ(wave.IsValidData(0, index), 0);
    EXPECT_EQ(wave.IsValidData(5, index), 0);
    EXPECT_EQ(wave.IsValidData(-1, index), 0);
  }
  EXPECT_EQ(wave.IsValidData(1, 12), 0);
  EXPECT_EQ(wave.IsValidData(3, -1), 0);
  EXPECT_EQ(wave.IsValidData(2, 3), 0);
  EXPECT_EQ(wave.IsValidData(4, 3), 0);
}

}  // namespace
