#include "packet/PKBase.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "PacketFieldTable.h"
#include "packet/PKAlarm_v110.h"
#include "packet/PKControl.h"
#include "packet/PKMonitor_v110.h"
#include "packet/PKParam_v110.h"
#include "packet/PKPatient_v110.h"
#include "packet/PKProtocolVer.h"
#include "packet/PKWave_v110.h"

namespace {

// A packet of a made-up kind (type header 0x5A) that opens the frame's text helpers to the tests.
template <int N>
class FramePacket : public PKBase {
 public:
  FramePacket() : PKBase(m_Packet, N, 0x5A) {}
  using PKBase::GetStringValue;
  using PKBase::SetStringValue;

 private:
  unsigned char m_Packet[N];
};

using SmallPacket = FramePacket<6>;

int Load(SmallPacket& packet, Bytes block, int checkKey) {
  return packet.SetPacket(block.data(), static_cast<int>(block.size()), checkKey);
}

TEST(PKBaseFrame, StateAfterEachOperation) {
  using P = SmallPacket;
  const Bytes loaded = {0x5A, 0x01, 0x02, 0x03, 0x04, 0x42};
  const Bytes fresh = {0x5A, 0x00, 0x00, 0x00, 0x00, 0xFF};
  const Bytes nines = {0x5A, 9, 9, 9, 9, 0x42};
  const struct {
    const char* operation;
    bool startLoaded;  // from a received packet (key 0x42, valid) rather than a fresh one
    std::function<int(P&)> act;
    int result, isValid;
    unsigned char key;
    Bytes bytes;
  } cases[] = {
      {"SetPacket, N-1 bytes", true, [](P& p) { return Load(p, Bytes(5, 0x42), 0); }, 0, 1, 0x42, loaded},
      {"SetPacket, N+1 bytes", true, [](P& p) { return Load(p, Bytes(7, 0x42), 0); }, 0, 1, 0x42, loaded},
      {"SetPacket, no data", true, [](P& p) { return p.SetPacket(nullptr, 6, 0); }, 0, 1, 0x42, loaded},
      {"SetPacket, wrong key", true, [](P& p) { return Load(p, {0x5A, 9, 9, 9, 9, 0x43}, 1); }, 0, 0, 0x42, loaded},
      {"SetPacket, right key", true, [](P& p) { return Load(p, {0x5A, 9, 9, 9, 9, 0x42}, 1); }, 1, 1, 0x42, nines},
      {"SetPacket, any key and header", false, [](P& p) { return Load(p, {0xA0, 5, 5, 5, 5, 0x77}, 0); }, 1, 1, 0x77,
       {0xA0, 5, 5, 5, 5, 0x77}},
      {"Clear()", true, [](P& p) { p.Clear(); return 0; }, 0, 0, 0x42, {0x5A, 0, 0, 0, 0, 0x42}},
      {"Clear(0xFF)", true, [](P& p) { p.Clear(0xFF); return 0; }, 0, 1, 0x42, {0x5A, 0xFF, 0xFF, 0xFF, 0xFF, 0x42}},
      {"SetKey", true, [](P& p) { p.SetKey(0x10); return 0; }, 0, 1, 0x10, {0x5A, 1, 2, 3, 4, 0x10}},
      {"SetKey, fresh", false, [](P& p) { p.SetKey(0x10); return 0; }, 0, 0, 0x10, {0x5A, 0, 0, 0, 0, 0x10}},
      {"ResetCheckSum", false, [](P& p) { p.ResetCheckSum(); return 0; }, 0, 1, 0xFF, fresh},
      {"byte N-1 changed", true, [](P& p) { p.GetPacket()[5] = 0xFE; return 0; }, 0, 0, 0x42, {0x5A, 1, 2, 3, 4, 0xFE}},
      {"ResetCheckSum, last byte changed", true, [](P& p) { p.GetPacket()[5] = 0; p.ResetCheckSum(); return 0; }, 0,
       1, 0x42, loaded},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.operation);
    SmallPacket packet;
    if (c.startLoaded) { ASSERT_EQ(Load(packet, loaded, 0), 1); }
    EXPECT_EQ(c.act(packet), c.result);
    EXPECT_EQ(packet.IsValid(), c.isValid);
    EXPECT_EQ(packet.GetKey(), c.key);
    EXPECT_EQ(packet.GetCheckSum(), c.key);
    EXPECT_EQ(BytesOf(packet), c.bytes);
    EXPECT_EQ(packet.GetTypeHeader(), 0x5A);
  }
}

// Regression: a bare frame over no bytes once wrote through a null pointer.
TEST(PKBaseFrame, FrameWithoutBytesRefusesEverything) {
  unsigned char block[4] = {0xA0, 1, 2, 0xFF};
  for (int size : {0, 1, -4}) {
    PKBase frame(size == 1 ? block : nullptr, size, 0xA0);
    frame.Clear(0xFF);
    frame.SetKey(0x12);
    frame.ResetCheckSum();
    EXPECT_EQ(frame.GetPacketSize(), 0);
    EXPECT_EQ(frame.SetPacket(block, 0, 0), 0);
    EXPECT_EQ(frame.IsValid(), 0);
    // Copying into or out of it copies nothing, key included.
    PKBase empty(nullptr, 0, 0xA0);
    PKControl control;
    control.SetKey(0x34);
    EXPECT_EQ(frame.CopyPacket(&empty), 0);
    EXPECT_EQ(frame.CopyPacket(&control), 0);
    EXPECT_EQ(frame.GetKey(), 0x12);
    EXPECT_EQ(control.CopyPacket(&frame), 0);
    EXPECT_EQ(control.GetKey(), 0x34);
  }
  EXPECT_EQ(block[3], 0xFF);  // the one-byte "frame" never wrote into its block
}

TEST(PKBaseFrame, CopyFromAShorterPacketIsRejected) {
  PKControl control;
  control.SetKey(0x33);
  PKParam_v110 numerics;
  numerics.SetTimeStamp(0x01020304);
  const Bytes before = BytesOf(numerics);
  EXPECT_EQ(numerics.CopyPacket(&control), 0);
  EXPECT_EQ(numerics.CopyPacket(nullptr), 0);
  EXPECT_EQ(BytesOf(numerics), before);
  EXPECT_EQ(numerics.GetKey(), 0xFF);
}

// A 20-byte field at offsets 2-21 of a body filled with 0xEE: bytes 1 and 22 guard its edges. A
// long text is cut with no terminator; a short one after it is padded with zeros over the old
// bytes. The caller's text stays as it was.
TEST(PKBaseText, LongTextIsCutShortTextIsPadded) {
  FramePacket<24> packet;
  packet.Clear(0xEE);
  const CString text("ABCDEFGHIJKLMNOPQRSTUVWXY");
  FramePacket<24>::SetStringValue(packet.GetPacket() + 2, text, 20);
  const std::string cut = "\x5A\xEE" "ABCDEFGHIJKLMNOPQRST" "\xEE\xFF";
  EXPECT_EQ(BytesOf(packet), Bytes(cut.begin(), cut.end()));
  EXPECT_EQ(text, CString("ABCDEFGHIJKLMNOPQRSTUVWXY"));
  FramePacket<24>::SetStringValue(packet.GetPacket() + 2, CString("abc"), 20);
  const std::string padded = "\x5A\xEE" "abc" + std::string(17, '\0') + "\xEE\xFF";
  EXPECT_EQ(BytesOf(packet), Bytes(padded.begin(), padded.end()));
}

TEST(PKBaseText, ReadingStopsAtTheFirstZeroOrTheFieldEnd) {
  using P = FramePacket<4>;
  unsigned char field[4] = {'x', 'y', 0, 'z'};
  EXPECT_EQ(P::GetStringValue(field, 4), CString("xy"));
  EXPECT_EQ(P::GetStringValue(field, 1), CString("x"));
  EXPECT_EQ(P::GetStringValue(field, 0), CString(""));
  char* chars = reinterpret_cast<char*>(field);  // the char overloads serve classes outside the library
  P::SetStringValue(chars, CString("M\xFCller"), 4);
  EXPECT_EQ(Bytes(field, field + 4), Bytes({'M', 0xFC, 'l', 'l'}));
  EXPECT_EQ(P::GetStringValue(chars, 4), CString("M\xFCll"));
}

template <class P>
class PacketClass : public testing::Test {};
using Kinds = testing::Types<PKControl, PKProtocolVer, PKPatient_v110, PKAlarm_v110, PKMonitor_v110, PKWave_v110,
                             PKParam_v110>;
TYPED_TEST_SUITE(PacketClass, Kinds);

// A copy is independent and takes bytes, key and valid flag; assignment copies bytes and key into
// the target's own array and keeps the target's valid flag.
TYPED_TEST(PacketClass, CopyAndAssignmentFollowTheFrameRules) {
  using Packet = TypeParam;
  Packet source, unstamped;
  source.SetKey(0x5C);
  source.GetPacket()[1] = 0x7E;
  source.ResetCheckSum();
  const Bytes sent = BytesOf(source);

  Packet copy(source);
  source.GetPacket()[1] = 0x11;
  EXPECT_EQ(BytesOf(copy), sent);
  EXPECT_EQ(copy.GetKey(), 0x5C);
  EXPECT_EQ(copy.IsValid(), 1);
  EXPECT_EQ(Packet(unstamped).IsValid(), 0);

  Packet target;
  unsigned char* const ownBytes = target.GetPacket();
  target = source;
  EXPECT_EQ(target.GetPacket(), ownBytes);
  EXPECT_EQ(BytesOf(target), BytesOf(source));
  EXPECT_EQ(target.GetKey(), 0x5C);
  EXPECT_EQ(target.IsValid(), 0);
  source = unstamped;
  EXPECT_EQ(source.GetKey(), 0xFF);
  EXPECT_EQ(source.IsValid(), 1);
}

}  // namespace
