#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <string>
#include <vector>

// Table-driven checks of a packet class's byte layout, shared by the packet test files.

// Offset -> byte: the bytes a write must leave in the packet.
using ByteMap = std::map<int, unsigned char>;

// The bytes that a text leaves in a field starting at `offset`, one per character.
inline ByteMap TextBytes(int offset, const std::string& text) {
  ByteMap bytes;
  for (unsigned char ch : text) bytes[offset++] = ch;
  return bytes;
}

// One field: a write of a distinctive value, the bytes that write must change (literal offsets
// and values of the layout), and the check that the value reads back.
template <class Packet>
struct FieldCase {
  std::string field;
  std::function<void(Packet&)> write;
  ByteMap changed;
  std::function<void(Packet&)> expectReadBack;
};

template <class Packet>
std::vector<unsigned char> BytesOf(Packet& packet) {
  return {packet.GetPacket(), packet.GetPacket() + packet.GetPacketSize()};
}

// A new packet: the type header, N-2 zero bytes, the key 0xFF; not valid until stamped.
template <class Packet>
void ExpectFreshPacket(unsigned char typeHeader, int size) {
  Packet packet;
  std::vector<unsigned char> expected(static_cast<size_t>(size), 0x00);
  expected.front() = typeHeader;
  expected.back() = 0xFF;
  EXPECT_EQ(BytesOf(packet), expected);
  EXPECT_EQ(packet.IsValid(), 0);
  packet.ResetCheckSum();
  EXPECT_EQ(packet.IsValid(), 1);
}

// Each write, on a fresh stamped packet, changes exactly its listed bytes to the listed values,
// reads back, and leaves the packet valid.
template <class Packet>
void ExpectEachFieldChangesOnlyItsBytes(const std::vector<FieldCase<Packet>>& cases) {
  for (const auto& field : cases) {
    SCOPED_TRACE(field.field);
    Packet fresh;
    Packet packet;
    packet.ResetCheckSum();
    field.write(packet);
    for (const auto& [offset, value] : field.changed) {
      ASSERT_LT(offset, packet.GetPacketSize());
      ASSERT_NE(value, fresh.GetPacket()[offset]) << "the table's value is not distinctive";
    }
    for (int offset = 0; offset < packet.GetPacketSize(); ++offset) {
      const auto listed = field.changed.find(offset);
      const unsigned char expected = listed != field.changed.end() ? listed->second : fresh.GetPacket()[offset];
      EXPECT_EQ(packet.GetPacket()[offset], expected) << "offset " << offset;
    }
    field.expectReadBack(packet);
    EXPECT_EQ(packet.IsValid(), 1);
  }
}

// All writes together, on a packet whose body is pre-filled with 0xEE, leave every byte that no
// field owns (the unused gap, header and key) as it was: no write spills zeros beyond its field.
template <class Packet>
void ExpectUnownedBytesSurviveAllWrites(const std::vector<FieldCase<Packet>>& cases) {
  Packet packet;
  packet.Clear(0xEE);
  const std::vector<unsigned char> before = BytesOf(packet);
  ByteMap owned;
  for (const auto& field : cases) {
    field.write(packet);
    owned.insert(field.changed.begin(), field.changed.end());
  }
  for (int offset = 0; offset < packet.GetPacketSize(); ++offset) {
    if (!owned.contains(offset)) {
      EXPECT_EQ(packet.GetPacket()[offset], before[offset]) << "offset " << offset;
    }
  }
}

// Copy construction gives an independent packet with the source's bytes, key and valid flag;
// assignment copies bytes and key into the target's own array and keeps the target's valid flag.
template <class Packet>
void ExpectCopyRules() {
  Packet source;
  source.SetKey(0x5C);
  source.GetPacket()[1] = 0x7E;
  source.ResetCheckSum();

  Packet copy(source);
  EXPECT_NE(copy.GetPacket(), source.GetPacket());
  EXPECT_EQ(BytesOf(copy), BytesOf(source));
  EXPECT_EQ(copy.GetKey(), 0x5C);
  EXPECT_EQ(copy.IsValid(), 1);
  source.GetPacket()[1] = 0x11;
  EXPECT_EQ(copy.GetPacket()[1], 0x7E);

  Packet unstamped;
  EXPECT_EQ(Packet(unstamped).IsValid(), 0);

  Packet target;
  unsigned char* const ownBytes = target.GetPacket();
  target = source;
  EXPECT_EQ(target.GetPacket(), ownBytes);
  EXPECT_EQ(BytesOf(target), BytesOf(source));
  EXPECT_EQ(target.GetKey(), 0x5C);
  EXPECT_EQ(target.IsValid(), 0);

  Packet stamped;
  stamped.SetKey(0x33);
  stamped.ResetCheckSum();
  stamped = unstamped;
  EXPECT_EQ(stamped.GetKey(), 0xFF);
  EXPECT_EQ(stamped.IsValid(), 1);
}
