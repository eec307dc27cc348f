#include "packet/PKProtocolVer.h"

#include <gtest/gtest.h>

#include <vector>

#include "PacketFieldTable.h"

namespace {

using Bytes = std::vector<unsigned char>;

TEST(PKProtocolVerPacket, NewPacketIsHeaderZerosAndKey) { ExpectFreshPacket<PKProtocolVer>(0xB0, 4); }
TEST(PKProtocolVerPacket, CopyFollowsTheFrameRules) { ExpectCopyRules<PKProtocolVer>(); }

TEST(PKProtocolVerPacket, VersionIsStoredInBytesOneAndTwo) {
  struct Case {
    int main;
    int sub;
    Bytes bytes;
    int readMain;
    int readSub;
    const char* text;
  };
  const std::vector<Case> cases = {
      {1, 10, {0xB0, 0x01, 0x0A, 0xFF}, 1, 10, "1.10"},
      {257, 300, {0xB0, 0x01, 0x2C, 0xFF}, 1, 44, "1.44"},
      {255, 0, {0xB0, 0xFF, 0x00, 0xFF}, 255, 0, "255.0"},
      {-1, 128, {0xB0, 0xFF, 0x80, 0xFF}, 255, 128, "255.128"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.main << "." << c.sub);
    PKProtocolVer version;
    version.SetVersion(c.main, c.sub);
    EXPECT_EQ(version.IsValid(), 0);
    version.ResetCheckSum();
    EXPECT_EQ(BytesOf(version), c.bytes);
    EXPECT_EQ(version.GetMainVersion(), c.readMain);
    EXPECT_EQ(version.GetSubVersion(), c.readSub);
    EXPECT_EQ(version.GetVersionToString(), CString(c.text));
  }
}

TEST(PKProtocolVerPacket, MatchComparesBytesWithTheFullIntegers) {
  struct Case {
    unsigned char main;
    unsigned char sub;
    int askedMain;
    int askedSub;
    bool matched;
  };
  const std::vector<Case> cases = {
      {1, 10, 1, 10, true},   {1, 10, 1, 1, false},    {1, 10, 10, 1, false}, {255, 0, -1, 0, false},
      {0, 0, 256, 0, false},  {0, 0, 0, 256, false},   {255, 255, 255, 255, true}, {0, 255, 0, -1, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.askedMain << "." << c.askedSub);
    PKProtocolVer version;
    Bytes block = {0xB0, c.main, c.sub, 0xFF};
    ASSERT_EQ(version.SetPacket(block.data(), 4, 1), 1);
    EXPECT_EQ(version.IsMachedVersion(c.askedMain, c.askedSub), c.matched);
  }
}

}  // namespace
