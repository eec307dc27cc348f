#include "packet/PKControl.h"

#include <gtest/gtest.h>

#include <vector>

#include "PacketFieldTable.h"
#include "packet/PKProtocolVer.h"

namespace {

const std::vector<FieldCase<PKControl>>& ControlFields() {
  static const std::vector<FieldCase<PKControl>> cases = {
      {"command type", [](PKControl& p) { p.SetType(3); }, {{1, 0x03}},
       [](PKControl& p) { EXPECT_EQ(p.GetType(), 3); }},
      {"command data", [](PKControl& p) { p.SetData(0xFE); }, {{2, 0xFE}},
       [](PKControl& p) { EXPECT_EQ(p.GetData(), 0xFE); }},
  };
  return cases;
}

TEST(PKControlPacket, NewPacketIsHeaderZerosAndKey) { ExpectFreshPacket<PKControl>(0xA0, 4); }
TEST(PKControlPacket, EachFieldChangesOnlyItsBytes) { ExpectEachFieldChangesOnlyItsBytes(ControlFields()); }
TEST(PKControlPacket, CopyFollowsTheFrameRules) { ExpectCopyRules<PKControl>(); }

TEST(PKControlPacket, CommandIsSentAsFourBytes) {
  PKControl control;
  control.SetType(3);
  control.SetData(7);
  EXPECT_EQ(control.IsValid(), 0);
  control.ResetCheckSum();
  EXPECT_EQ(control.IsValid(), 1);
  EXPECT_EQ(BytesOf(control), std::vector<unsigned char>({0xA0, 0x03, 0x07, 0xFF}));
}

// The host picks the class by byte 0; the frame does not compare it.
TEST(PKControlPacket, ControlBlockLoadsIntoTheVersionPacketAlike) {
  std::vector<unsigned char> block = {0xA0, 0x01, 0x0A, 0xFF};
  PKControl control;
  PKProtocolVer version;
  EXPECT_EQ(control.SetPacket(block.data(), 4, 1), 1);
  EXPECT_EQ(version.SetPacket(block.data(), 4, 1), 1);
  EXPECT_EQ(BytesOf(version), block);
  EXPECT_EQ(version.GetVersionToString(), CString("1.10"));
  EXPECT_EQ(version.GetTypeHeader(), 0xB0);
}

}  // namespace
