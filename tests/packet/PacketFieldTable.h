#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "platform/CString.h"

// Table-driven checks of a packet class's byte layout, shared by the packet test files: each
// setter's bytes at literal offsets, and what each getter reads back from those bytes.

using Bytes = std::vector<unsigned char>;
using ByteMap = std::map<int, unsigned char>;  // offset -> byte

template <class Packet>
Bytes BytesOf(Packet& packet) {
  return {packet.GetPacket(), packet.GetPacket() + packet.GetPacketSize()};
}

// The bytes that a text leaves in a field starting at `offset`, one per character.
inline ByteMap TextBytes(int offset, const std::string& text) {
  ByteMap bytes;
  for (unsigned char ch : text) bytes[offset++] = ch;
  return bytes;
}

// A getter's result as text, several results of one getter separated by blanks; single bytes
// as numbers.
inline void AppendShown(std::ostringstream& out, unsigned char value) { out << static_cast<int>(value); }
inline void AppendShown(std::ostringstream& out, const CString& value) { out << value.str(); }
template <class Value>
void AppendShown(std::ostringstream& out, const Value& value) {
  out << value;
}
template <class... Values>
std::string Shown(const Values&... values) {
  std::ostringstream out;
  ((AppendShown(out, values), out << ' '), ...);
  std::string text = out.str();
  text.pop_back();
  return text;
}

// What a getter reads, given the index of an array entry if it takes one.
template <class Packet, class Result, class... Index>
std::function<std::string(Packet&)> Reads(Result (Packet::*get)(Index...), Index... index) {
  return [=](Packet& packet) { return Shown((packet.*get)(index...)); };
}

// One field: a write of a distinctive value, the bytes it must change with literal offsets, and
// what the field's getters then read back (through Shown).
template <class Packet>
struct FieldCase {
  std::string field;
  std::function<void(Packet&)> write;
  ByteMap changed;
  std::function<std::string(Packet&)> read;
  std::string readBack;
};

// A new packet is the type header, zeros and the key 0xFF, not yet valid. On a zeroed valid packet
// each write changes exactly its listed bytes to the listed values; on a packet whose body is 0xEE
// it changes no other byte (a write spilling zeros shows there). On both, the getters read back
// the value written, so a getter reading a neighbour's bytes shows. The valid flag stays set.
template <class Packet>
void ExpectLayout(unsigned char typeHeader, int size, const std::vector<FieldCase<Packet>>& cases) {
  Packet fresh;
  Bytes expected(static_cast<size_t>(size), 0x00);
  expected.front() = typeHeader;
  expected.back() = 0xFF;
  EXPECT_EQ(BytesOf(fresh), expected);
  EXPECT_EQ(fresh.GetTypeHeader(), typeHeader);
  EXPECT_EQ(fresh.IsValid(), 0);
  for (const FieldCase<Packet>& c : cases) {
    for (const int fill : {0x00, 0xEE}) {
      SCOPED_TRACE(c.field + (fill ? " over 0xEE" : ""));
      Packet packet;
      packet.Clear(static_cast<unsigned char>(fill));
      const Bytes before = BytesOf(packet);
      ASSERT_LT(c.changed.rbegin()->first, packet.GetPacketSize() - 1);
      c.write(packet);
      for (int offset = 0; offset < packet.GetPacketSize(); ++offset) {
        const auto listed = c.changed.find(offset);
        if (listed == c.changed.end()) {
          EXPECT_EQ(packet.GetPacket()[offset], before[offset]) << "offset " << offset;
        } else if (fill == 0) {
          EXPECT_NE(listed->second, 0) << "the table's value is not distinctive";
          EXPECT_EQ(packet.GetPacket()[offset], listed->second) << "offset " << offset;
        }
      }
      EXPECT_EQ(c.read(packet), c.readBack);
      EXPECT_EQ(packet.IsValid(), 1);
    }
  }
}

// One array: its entry count, a setter and getter of one entry, and what an index outside reads.
template <class Packet>
struct ArrayCase {
  std::string array;
  int count;
  std::function<void(Packet&, int)> set;
  std::function<int(Packet&, int)> get;
  int outside;
};

// Index -1 and index == count: the setter writes nothing (neighbours hold a nonzero byte that a
// stray access would change or return) and the getter gives the array's outside value.
template <class Packet>
void ExpectIndexOutsideIsRejected(const std::vector<ArrayCase<Packet>>& cases) {
  for (const ArrayCase<Packet>& c : cases) {
    for (const int index : {-1, c.count}) {
      SCOPED_TRACE(c.array + "[" + std::to_string(index) + "]");
      Packet packet;
      packet.Clear(0xE1);
      const Bytes before = BytesOf(packet);
      c.set(packet, index);
      EXPECT_EQ(BytesOf(packet), before);
      EXPECT_EQ(c.get(packet, index), c.outside);
    }
  }
}
