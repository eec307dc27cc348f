#include "recording/CtgTrace.h"

#include <gtest/gtest.h>

#include <map>
#include <vector>

#include "packet/PKParam_v110.h"

namespace {

using Bytes = std::vector<unsigned char>;

TraceSample Sample(std::optional<float> fhr1, std::optional<float> uc) {
  TraceSample sample;
  sample.Value(TraceChannel::FHR1) = fhr1;
  sample.Value(TraceChannel::UC) = uc;
  return sample;
}

// A numerics packet as a monitor sends it: every field absent but FHR1, at `milliseconds`.
PKParam_v110 Numerics(unsigned int milliseconds, unsigned char fhr1) {
  PKParam_v110 packet;
  packet.SetNullData();
  packet.SetTimeStamp(milliseconds);
  for (int i = 0; i < 5; ++i) packet.SetFHR1(i, fhr1);
  return packet;
}

std::optional<float> FHR1At(const CtgTrace& trace, std::uint64_t place) {
  return trace.At(place).Value(TraceChannel::FHR1);
}

// Values are rounded to whole units, and a value the field cannot hold is absent (0xFF, 0xFFFF,
// 0x7F), as is one the recording did not have. Offsets and bytes are the numerics packet's.
TEST(CtgTrace, FillsNumericsWithRoundedHoldableValuesAndTheMarks) {
  CtgTrace trace;
  trace.DropBefore(0);
  TraceSample first = Sample(140.25f, 127.5f);
  first.Value(TraceChannel::FHR2) = 254.5f;  // rounds to 255: cannot be held
  first.Value(TraceChannel::MHR) = 300.0f;   // two bytes hold it
  first.Value(TraceChannel::FM1) = 3.0f;
  first.Alarm(TraceChannel::FHR1) = 2;
  first.marks = TraceSample::kMovement1 | TraceSample::kUCZeroing;
  trace.Append(first);
  trace.Append(Sample(140.5f, 0.0f));
  trace.Append(Sample(255.0f, std::nullopt));
  TraceSample marked = Sample(-1.0f, 12.0f);
  marked.marks = TraceSample::kMarker;
  trace.Append(marked);
  // The fifth place lies beyond the trace: absent.

  PKParam_v110 packet;
  trace.FillNumerics(0, packet);
  const Bytes bytes(packet.GetPacket(), packet.GetPacket() + 108);
  const std::map<int, Bytes> expected = {
      {1, {0x00, 0x00, 0x00, 0x00}},             // time stamp 0
      {5, {0x02, 0x8C, 0x8D, 0xFF, 0xFF, 0xFF}},  // FHR1 alarm, FHR1 140 141 - - -
      {11, {0x83, 0x7F, 0x7F, 0x7F, 0x7F}},       // FM1 3 with FMD1, then absent
      {16, {0x00, 0xFF}},                         // FHR2 alarm normal, 254.5 not held
      {27, {0x00, 0x01, 0x80, 0x00, 0xFF, 0x0C, 0xFF}},  // UC alarm, zeroing, 128 0 - 12 -
      {35, {0x2C, 0x01, 0xFF, 0xFF}},             // maternal heart rate 300
      {45, {0x00}}, {61, {0x00}}, {69, {0x00}}, {78, {0x00}},  // other statuses normal
      {101, {0xFD}},                              // marker
  };
  for (const auto& [offset, field] : expected) {
    EXPECT_EQ(Bytes(bytes.begin() + offset, bytes.begin() + offset + static_cast<long>(field.size())), field)
        << "offset " << offset;
  }

  trace.FillNumerics(4, packet);  // place 4 is one second in
  EXPECT_EQ(Bytes(packet.GetPacket() + 1, packet.GetPacket() + 5), (Bytes{0xE8, 0x03, 0x00, 0x00}));
}

TEST(CtgTrace, TakesNumericsInAtTheirTimeWithGapsAndWithoutRepeats) {
  CtgTrace trace;
  PKParam_v110 first = Numerics(2500, 140);  // a link joined ten samples in
  trace.AddNumerics(first);
  EXPECT_EQ(trace.FirstSample(), 10u);
  PKParam_v110 repeated = Numerics(2500, 99);
  trace.AddNumerics(repeated);
  PKParam_v110 late = Numerics(6249, 150);  // rounds to place 25: places 15-24 are a gap
  trace.AddNumerics(late);
  EXPECT_EQ(trace.EndSample(), 30u);
  EXPECT_EQ(FHR1At(trace, 10), 140.0f);
  EXPECT_EQ(FHR1At(trace, 14), 140.0f);
  EXPECT_EQ(FHR1At(trace, 15), std::nullopt);
  EXPECT_EQ(FHR1At(trace, 24), std::nullopt);
  EXPECT_EQ(FHR1At(trace, 25), 150.0f);
  EXPECT_EQ(trace.At(12).Value(TraceChannel::UC), std::nullopt);

  trace.DropBefore(26);
  EXPECT_EQ(trace.FirstSample(), 26u);
  EXPECT_EQ(FHR1At(trace, 25), std::nullopt);
  EXPECT_EQ(FHR1At(trace, 29), 150.0f);
  // A gap of a whole day holds no samples: the trace after it is as small as before.
  PKParam_v110 dayLater = Numerics(86'400'000u, 130);
  trace.AddNumerics(dayLater);
  trace.DropBefore(345'600);
  EXPECT_EQ(trace.EndSample() - trace.FirstSample(), 5u);
  EXPECT_EQ(FHR1At(trace, 345'604), 130.0f);
}

TEST(CtgTrace, NumericsGoThroughTheTraceUnchanged) {
  PKParam_v110 sent;
  sent.SetNullData();
  sent.SetTimeStamp(1250);
  sent.SetFHR1Alarm(1);
  sent.SetUCZeroing(0);
  sent.SetIUPZeroing(3);
  sent.SetStimulator(1);
  // A trace carries no SpO2, NIBP, temperature or FSpO2: their statuses come back normal.
  sent.SetSpO2Alarm(0);
  sent.SetNIBPAlarm(0);
  sent.SetTempAlarm(0);
  sent.SetFSpO2Alarm(0);
  for (int i = 0; i < 5; ++i) {
    sent.SetFHR1(i, static_cast<unsigned char>(120 + i));
    sent.SetFHR2(i, static_cast<unsigned char>(130 + i));
    sent.SetUC(i, static_cast<unsigned char>(i * 20));
    sent.SetECG(i, 80 + i);
    sent.SetFM2(i, 7);
    sent.SetFMD2(i, i == 3 ? 1 : 0);
  }
  CtgTrace trace;
  trace.AddNumerics(sent);
  EXPECT_TRUE(trace.At(5).Has(TraceSample::kStimulator));
  EXPECT_TRUE(trace.At(5).Has(TraceSample::kIUPZeroing));
  EXPECT_FALSE(trace.At(6).Has(TraceSample::kStimulator));
  EXPECT_TRUE(trace.At(8).Has(TraceSample::kMovement2));

  PKParam_v110 made;
  trace.FillNumerics(5, made);
  sent.SetIUPZeroing(1);  // the trace keeps that a zeroing happened, not its code
  for (int offset = 1; offset < 107; ++offset) {
    EXPECT_EQ(made.GetPacket()[offset], sent.GetPacket()[offset]) << "offset " << offset;
  }
}

}  // namespace
