// The two 4-byte packets: control and protocol version.
#include <gtest/gtest.h>

#include <vector>

#include "PacketFieldTable.h"
#include "packet/PKControl.h"
#include "packet/PKProtocolVer.h"

namespace {

TEST(PKControlLayout, NewPacketAndEachField) {
  ExpectLayout<PKControl>(0xA0, 4, {
      {"command type", [](PKControl& p) { p.SetType(3); }, {{1, 0x03}}, Reads(&PKControl::GetType), "3"},
      {"command data", [](PKControl& p) { p.SetData(0xFE); }, {{2, 0xFE}}, Reads(&PKControl::GetData), "254"},
  });
}

TEST(PKProtocolVerLayout, NewPacketAndVersionKeepingTheLow8Bits) {
  ExpectLayout<PKProtocolVer>(0xB0, 4, {
      {"version 257.300", [](PKProtocolVer& p) { p.SetVersion(257, 300); }, {{1, 0x01}, {2, 0x2C}},
       [](PKProtocolVer& p) { return Shown(p.GetMainVersion(), p.GetSubVersion(), p.GetVersionToString()); }, "1 44 1.44"},
      {"version -1.128", [](PKProtocolVer& p) { p.SetVersion(-1, 128); }, {{1, 0xFF}, {2, 0x80}},
       [](PKProtocolVer& p) { return Shown(p.GetMainVersion(), p.GetSubVersion(), p.GetVersionToString()); }, "255 128 255.128"},
  });
}

TEST(PKProtocolVerPacket, TextAndMatchReadTheBytesUnsigned) {
  PKProtocolVer version;
  Bytes block = {0xB0, 0xFF, 0x80, 0xFF};
  ASSERT_EQ(version.SetPacket(block.data(), 4, 1), 1);
  EXPECT_TRUE(version.IsMachedVersion(255, 128));
  EXPECT_FALSE(version.IsMachedVersion(-1, 128));   // a byte never equals a negative number
  EXPECT_FALSE(version.IsMachedVersion(255, -128));
  EXPECT_FALSE(version.IsMachedVersion(511, 128));  // nor one above 255
  EXPECT_FALSE(version.IsMachedVersion(128, 255));
  version.SetVersion(1, 10);
  EXPECT_FALSE(version.IsMachedVersion(1, 1));
}

}  // namespace
