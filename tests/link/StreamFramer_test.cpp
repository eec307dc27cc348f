#include "link/StreamFramer.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "link/RecordingScratch.h"

namespace {

// A packet as a fresh one reads: type header, zeros, key 0xFF.
Bytes Block(unsigned char header, int size) {
  Bytes block(static_cast<size_t>(size), 0x00);
  block.front() = header;
  block.back() = 0xFF;
  return block;
}

// Events as "packet PKParam_v110 @8+108", "unknown @0+2", "truncated PKPatient_v110 @2+2".
std::vector<std::string> FrameInChunks(const Bytes& stream, std::size_t chunkSize) {
  std::vector<std::string> events;
  StreamFramer framer([&](const FrameEvent& event) {
    static const char* const kTypes[] = {"packet", "unknown", "truncated"};
    std::string text = kTypes[static_cast<int>(event.type)];
    if (event.kind != nullptr) text += std::string(" ") + event.kind->name;
    if (event.type == FrameEvent::Type::Packet) {
      EXPECT_EQ(event.bytes.size(), event.length);
      EXPECT_EQ(event.bytes.back(), 0xFF);
    }
    // A type header refused for its key comes alone, with the packet it would have been.
    if (event.type == FrameEvent::Type::Unknown && event.kind != nullptr) {
      EXPECT_EQ(event.length, 1u);
      EXPECT_EQ(event.bytes.size(), static_cast<std::size_t>(event.kind->size));
      EXPECT_NE(event.bytes.back(), 0xFF);
    }
    events.push_back(text + " @" + std::to_string(event.offset) + "+" + std::to_string(event.length));
  });
  for (std::size_t pos = 0; pos < stream.size(); pos += chunkSize) {
    framer.Feed(std::span(stream).subspan(pos, std::min(chunkSize, stream.size() - pos)));
  }
  framer.Finish();
  return events;
}

TEST(StreamFramer, ReportsEventsWithExactOffsetsWhateverTheChunkSize) {
  const Bytes version = {0xB0, 0x01, 0x0A, 0xFF};
  const Bytes control = {0xA0, 0x03, 0x07, 0xFF};
  const struct { Bytes stream; std::vector<std::string> events; } cases[] = {
      {Join({control, version, Block(0xB1, 80), Block(0xB2, 60), Block(0xB3, 56), Block(0xC0, 56), Block(0xC1, 108)}),
       {"packet PKControl @0+4", "packet PKProtocolVer @4+4", "packet PKPatient_v110 @8+80",
        "packet PKAlarm_v110 @88+60", "packet PKMonitor_v110 @148+56", "packet PKWave_v110 @204+56",
        "packet PKParam_v110 @260+108"}},
      {Join({{0x01, 0x02}, version, {0x00, 0xFF, 0x7E}, control, {0xC2}}),
       {"unknown @0+2", "packet PKProtocolVer @2+4", "unknown @6+3", "packet PKControl @9+4", "unknown @13+1"}},
      {Join({version, {0xC1}, Bytes(20, 0x00)}), {"packet PKProtocolVer @0+4", "truncated PKParam_v110 @4+21"}},
      {{0x00, 0x01, 0x7F, 0x80, 0xA1, 0xAF, 0xB4, 0xBF, 0xC2, 0xFE, 0xFF}, {"unknown @0+11"}},
      // A header whose packet cannot fit before a whole packet that follows is unknown.
      {Join({{0xC1, 0x00, 0x00, 0x00, 0x00, 0x00}, version}), {"unknown @0+6", "packet PKProtocolVer @6+4"}},
      // ... but not before one whose key is wrong: that is no packet, and the tail is truncated.
      {Join({{0xC1, 0x00, 0x00, 0x00, 0x00, 0x00}, {0xB0, 0x01, 0x0A, 0x00}}), {"truncated PKParam_v110 @0+10"}},
  };
  for (const auto& c : cases) {
    for (std::size_t chunkSize : {std::size_t{1}, std::size_t{7}, std::size_t{4096}}) {
      EXPECT_EQ(FrameInChunks(c.stream, chunkSize), c.events) << "chunk size " << chunkSize;
    }
  }
}

// A type header is a packet only where its packet ends in the key: a stray header byte in
// garbage, or a packet whose key byte was damaged, is one unknown byte, and framing goes on
// from the byte after it, so the packets that begin inside are found.
TEST(StreamFramer, AHeaderWhosePacketEndsInAWrongKeyIsOneUnknownByteAndFramingGoesOn) {
  const Bytes version = {0xB0, 0x01, 0x0A, 0xFF};
  const Bytes control = {0xA0, 0x03, 0x07, 0xFF};
  const struct { Bytes stream; std::vector<std::string> events; } cases[] = {
      // A numerics header among garbage: its 108 bytes would end in the alarm packet's body.
      {Join({{0x01, 0xC1, 0x02, 0x03}, version, Block(0xB1, 80), Block(0xB2, 60)}),
       {"unknown @0+1", "unknown PKParam_v110 @1+1", "unknown @2+2", "packet PKProtocolVer @4+4",
        "packet PKPatient_v110 @8+80", "packet PKAlarm_v110 @88+60"}},
      // A version packet whose key byte was damaged, then a control packet.
      {Join({{0xB0, 0x01, 0x0A, 0x00}, control}),
       {"unknown PKProtocolVer @0+1", "unknown @1+3", "packet PKControl @4+4"}},
      // A damaged key inside a packet's body: a control packet hides in the rest of it.
      {Join({{0xB2, 0x00, 0xA0, 0x05, 0x06, 0xFF}, Bytes(53, 0x00), {0x07}, version}),
       {"unknown PKAlarm_v110 @0+1", "unknown @1+1", "packet PKControl @2+4", "unknown @6+54",
        "packet PKProtocolVer @60+4"}},
  };
  for (const auto& c : cases) {
    for (std::size_t chunkSize : {std::size_t{1}, std::size_t{7}, std::size_t{4096}}) {
      EXPECT_EQ(FrameInChunks(c.stream, chunkSize), c.events) << "chunk size " << chunkSize;
    }
  }
}

}  // namespace
