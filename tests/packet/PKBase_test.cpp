#include "packet/PKBase.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "packet/PKControl.h"
#include "packet/PKParam_v110.h"

namespace {

using Bytes = std::vector<unsigned char>;

// A packet of a made-up kind (type header 0x5A) that opens the frame's encodings to the tests.
template <int N>
class FramePacket : public PKBase {
 public:
  FramePacket() : PKBase(m_Packet, N, 0x5A) {}
  using PKBase::Get2ByteValue;
  using PKBase::Get4ByteValue;
  using PKBase::GetStringValue;
  using PKBase::Set2ByteValue;
  using PKBase::Set4ByteValue;
  using PKBase::SetStringValue;

  Bytes Contents() { return Bytes(m_Packet, m_Packet + N); }

 private:
  unsigned char m_Packet[N];
};

using SmallPacket = FramePacket<6>;

// ---- State of the frame: valid flag, key and bytes after each operation ----

struct FrameCase {
  const char* operation;
  bool startLoaded;  // from a received packet (key 0x42, valid) rather than a fresh one
  std::function<int(SmallPacket&)> act;
  int result;
  int isValid;
  unsigned char key;
  Bytes bytes;
};

TEST(PKBaseFrame, StateAfterEachOperation) {
  const Bytes loaded = {0x5A, 0x01, 0x02, 0x03, 0x04, 0x42};
  const Bytes fresh = {0x5A, 0x00, 0x00, 0x00, 0x00, 0xFF};
  const std::vector<FrameCase> cases = {
      {"SetPacket with N-1 bytes", true, [](SmallPacket& p) { Bytes d(5, 0x42); return p.SetPacket(d.data(), 5, 0); },
       0, 1, 0x42, loaded},
      {"SetPacket with N+1 bytes", true, [](SmallPacket& p) { Bytes d(7, 0x42); return p.SetPacket(d.data(), 7, 0); },
       0, 1, 0x42, loaded},
      {"SetPacket with N+1 bytes on a fresh packet", false,
       [](SmallPacket& p) { Bytes d(7, 0xFF); return p.SetPacket(d.data(), 7, 0); }, 0, 0, 0xFF, fresh},
      {"SetPacket without data", true, [](SmallPacket& p) { return p.SetPacket(nullptr, 6, 0); }, 0, 1, 0x42, loaded},
      {"SetPacket with a wrong key", true,
       [](SmallPacket& p) { Bytes d = {0x5A, 9, 9, 9, 9, 0x43}; return p.SetPacket(d.data(), 6, 1); },
       0, 0, 0x42, loaded},
      {"SetPacket with the right key", true,
       [](SmallPacket& p) { Bytes d = {0x5A, 9, 8, 7, 6, 0x42}; return p.SetPacket(d.data(), 6, 1); },
       1, 1, 0x42, {0x5A, 9, 8, 7, 6, 0x42}},
      {"SetPacket checking the key 0xFF of a fresh packet", false,
       [](SmallPacket& p) { Bytes d = {0x5A, 1, 1, 1, 1, 0xFF}; return p.SetPacket(d.data(), 6, 1); },
       1, 1, 0xFF, {0x5A, 1, 1, 1, 1, 0xFF}},
      {"SetPacket taking the block's key and any type header", false,
       [](SmallPacket& p) { Bytes d = {0xA0, 5, 6, 7, 8, 0x77}; return p.SetPacket(d.data(), 6, 0); },
       1, 1, 0x77, {0xA0, 5, 6, 7, 8, 0x77}},
      {"Clear()", true, [](SmallPacket& p) { p.Clear(); return 0; }, 0, 0, 0x42, {0x5A, 0, 0, 0, 0, 0x42}},
      {"Clear(0xFF)", true, [](SmallPacket& p) { p.Clear(0xFF); return 0; },
       0, 1, 0x42, {0x5A, 0xFF, 0xFF, 0xFF, 0xFF, 0x42}},
      {"Clear(0xFF) on a fresh packet", false, [](SmallPacket& p) { p.Clear(0xFF); return 0; },
       0, 1, 0xFF, {0x5A, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}},
      {"SetKey", true, [](SmallPacket& p) { p.SetKey(0x10); return 0; }, 0, 1, 0x10, {0x5A, 1, 2, 3, 4, 0x10}},
      {"SetKey on a fresh packet", false, [](SmallPacket& p) { p.SetKey(0x10); return 0; },
       0, 0, 0x10, {0x5A, 0, 0, 0, 0, 0x10}},
      {"ResetCheckSum", false, [](SmallPacket& p) { p.ResetCheckSum(); return 0; }, 0, 1, 0xFF, fresh},
      {"ResetCheckSum after the last byte was overwritten", true,
       [](SmallPacket& p) { p.GetPacket()[5] = 0x00; p.ResetCheckSum(); return 0; }, 0, 1, 0x42, loaded},
  };
  for (const FrameCase& c : cases) {
    SCOPED_TRACE(c.operation);
    SmallPacket packet;
    if (c.startLoaded) {
      Bytes block = loaded;
      ASSERT_EQ(packet.SetPacket(block.data(), 6, 0), 1);
    }
    EXPECT_EQ(c.act(packet), c.result);
    EXPECT_EQ(packet.IsValid(), c.isValid);
    EXPECT_EQ(packet.GetKey(), c.key);
    EXPECT_EQ(packet.GetCheckSum(), c.key);
    EXPECT_EQ(packet.Contents(), c.bytes);
    EXPECT_EQ(packet.GetTypeHeader(), 0x5A);
    EXPECT_EQ(packet.GetPacketSize(), 6);
  }
}

TEST(PKBaseFrame, LastByteChangedBehindTheFrameMakesItInvalid) {
  SmallPacket packet;
  packet.ResetCheckSum();
  packet.GetPacket()[5] = 0xFE;
  EXPECT_EQ(packet.IsValid(), 0);
  packet.SetKey(0xFE);
  EXPECT_EQ(packet.IsValid(), 1);
}

TEST(PKBaseFrame, BareCopySharesTheOutsideBuffer) {
  unsigned char buffer[4] = {};
  PKBase original(buffer, 4, 0x11);
  PKBase copy(original);
  copy.SetKey(0x22);
  EXPECT_EQ(copy.GetPacket(), buffer);
  EXPECT_EQ(buffer[3], 0x22);
  EXPECT_EQ(original.GetPacket()[0], 0x11);
}

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
  }
  EXPECT_EQ(block[0], 0xA0);  // a one-byte "frame" never wrote into its block
  EXPECT_EQ(block[3], 0xFF);
}

TEST(PKBaseFrame, CopyFromAShorterPacketIsRejected) {
  PKControl control;
  control.SetKey(0x33);
  PKParam_v110 numerics;
  numerics.SetTimeStamp(0x01020304);
  const Bytes before(numerics.GetPacket(), numerics.GetPacket() + 108);
  EXPECT_EQ(numerics.CopyPacket(&control), 0);
  EXPECT_EQ(numerics.CopyPacket(nullptr), 0);
  EXPECT_EQ(Bytes(numerics.GetPacket(), numerics.GetPacket() + 108), before);
  EXPECT_EQ(numerics.GetKey(), 0xFF);
}

// ---- Encodings shared by every body ----

TEST(PKBaseEncoding, TwoByteValuesAreLittleEndianLow16Bits) {
  struct Case {
    int written;
    Bytes stored;
    int read;
  };
  const std::vector<Case> cases = {
      {0x1234, {0x34, 0x12}, 0x1234}, {70000, {0x70, 0x11}, 0x1170}, {-1, {0xFF, 0xFF}, 65535},
      {0x8000, {0x00, 0x80}, 32768},  {0, {0x00, 0x00}, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.written);
    FramePacket<6> packet;
    FramePacket<6>::Set2ByteValue(packet.GetPacket() + 2, c.written);
    EXPECT_EQ(packet.Contents(), Bytes({0x5A, 0x00, c.stored[0], c.stored[1], 0x00, 0xFF}));
    EXPECT_EQ(FramePacket<6>::Get2ByteValue(packet.GetPacket() + 2), c.read);
  }
}

TEST(PKBaseEncoding, FourByteValuesAreLittleEndian) {
  FramePacket<6> packet;
  FramePacket<6>::Set4ByteValue(packet.GetPacket() + 1, 0x01020304);
  EXPECT_EQ(packet.Contents(), Bytes({0x5A, 0x04, 0x03, 0x02, 0x01, 0xFF}));
  EXPECT_EQ(FramePacket<6>::Get4ByteValue(packet.GetPacket() + 1), 0x01020304u);
  FramePacket<6>::Set4ByteValue(packet.GetPacket() + 1, 0xFFFFFFFFu);
  EXPECT_EQ(FramePacket<6>::Get4ByteValue(packet.GetPacket() + 1), 4294967295u);
}

// A 20-byte text field at offsets 2-21 of a 24-byte packet; bytes 1 and 22 guard its edges.
class PKBaseText : public ::testing::Test {
 protected:
  using Packet = FramePacket<24>;
  static constexpr int kField = 2;
  static constexpr int kLength = 20;

  Bytes Field() { return Bytes(packet.GetPacket() + kField, packet.GetPacket() + kField + kLength); }
  void ExpectGuardsUntouched() {
    EXPECT_EQ(packet.GetPacket()[1], 0xEE);
    EXPECT_EQ(packet.GetPacket()[22], 0xEE);
  }
  void SetUp() override {
    packet.GetPacket()[1] = 0xEE;
    packet.GetPacket()[22] = 0xEE;
  }

  Packet packet;
};

TEST_F(PKBaseText, ShortTextIsPaddedWithZeros) {
  Packet::SetStringValue(packet.GetPacket() + kField, CString("a long text first"), kLength);
  Packet::SetStringValue(packet.GetPacket() + kField, CString("abc"), kLength);
  Bytes expected(kLength, 0x00);
  expected[0] = 'a';
  expected[1] = 'b';
  expected[2] = 'c';
  EXPECT_EQ(Field(), expected);
  EXPECT_EQ(Packet::GetStringValue(packet.GetPacket() + kField, kLength), CString("abc"));
  ExpectGuardsUntouched();
}

TEST_F(PKBaseText, LongTextIsCutWithoutTerminator) {
  const CString text("ABCDEFGHIJKLMNOPQRSTUVWXY");
  Packet::SetStringValue(packet.GetPacket() + kField, text, kLength);
  const std::string first20 = "ABCDEFGHIJKLMNOPQRST";
  EXPECT_EQ(Field(), Bytes(first20.begin(), first20.end()));
  EXPECT_EQ(Packet::GetStringValue(packet.GetPacket() + kField, kLength), CString(first20.c_str()));
  EXPECT_EQ(text, CString("ABCDEFGHIJKLMNOPQRSTUVWXY"));
  ExpectGuardsUntouched();
}

TEST_F(PKBaseText, ReadingStopsAtTheFirstZeroByte) {
  unsigned char* field = packet.GetPacket() + kField;
  EXPECT_EQ(Packet::GetStringValue(field, kLength), CString(""));
  field[0] = 'x';
  field[1] = 'y';
  field[3] = 'z';
  EXPECT_EQ(Packet::GetStringValue(field, kLength), CString("xy"));
  EXPECT_EQ(Packet::GetStringValue(field, 1), CString("x"));
  EXPECT_EQ(Packet::GetStringValue(field, 0), CString(""));
}

TEST_F(PKBaseText, CharOverloadsMatchTheByteOverloads) {
  char* field = reinterpret_cast<char*>(packet.GetPacket() + kField);
  Packet::SetStringValue(field, CString("M\xC3\xBCller Anna"), kLength);
  const Bytes viaChar = Field();
  Packet::SetStringValue(packet.GetPacket() + kField, CString("M\xC3\xBCller Anna"), kLength);
  EXPECT_EQ(Field(), viaChar);
  EXPECT_EQ(Packet::GetStringValue(field, kLength), CString("M\xC3\xBCller Anna"));
  EXPECT_EQ(Field()[1], 0xC3);
}

}  // namespace
