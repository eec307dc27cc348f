#include "tools/StreamFramer.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using Bytes = std::vector<unsigned char>;

// A packet of the given type header and size as a fresh one reads: header, zeros, key 0xFF.
Bytes Block(unsigned char header, int size) {
  Bytes block(size, 0x00);
  block.front() = header;
  block.back() = 0xFF;
  return block;
}

Bytes Join(std::initializer_list<Bytes> parts) {
  Bytes joined;
  for (const Bytes& part : parts) joined.insert(joined.end(), part.begin(), part.end());
  return joined;
}

// "packet PKParam_v110 @8+108", "unknown @0+2", "truncated PKPatient_v110 @2+2".
std::string Describe(const FrameEvent& event) {
  static const char* const kTypes[] = {"packet", "unknown", "truncated"};
  std::string text = kTypes[static_cast<int>(event.type)];
  if (event.kind != nullptr) text += std::string(" ") + event.kind->name;
  return text + " @" + std::to_string(event.offset) + "+" + std::to_string(event.length);
}

std::vector<std::string> FrameInChunks(const Bytes& stream, std::size_t chunkSize) {
  std::vector<std::string> events;
  StreamFramer framer([&](const FrameEvent& event) {
    if (event.type == FrameEvent::Type::Packet) {
      EXPECT_EQ(event.bytes.size(), event.length);
      EXPECT_EQ(event.bytes.front(), event.kind->typeHeader);
    }
    events.push_back(Describe(event));
  });
  for (std::size_t pos = 0; pos < stream.size(); pos += chunkSize) {
    framer.Feed(std::span(stream).subspan(pos, std::min(chunkSize, stream.size() - pos)));
  }
  framer.Finish();
  return events;
}

struct FramerCase {
  const char* name;
  Bytes stream;
  std::vector<std::string> events;
};

const Bytes kVersion = {0xB0, 0x01, 0x0A, 0xFF};
const Bytes kControl = {0xA0, 0x03, 0x07, 0xFF};

const FramerCase kCases[] = {
    {"EmptyInput", {}, {}},
    {"EveryKindBackToBack",
     Join({kControl, kVersion, Block(0xB1, 80), Block(0xB2, 60), Block(0xB3, 56), Block(0xC0, 56),
           Block(0xC1, 108)}),
     {"packet PKControl @0+4", "packet PKProtocolVer @4+4", "packet PKPatient_v110 @8+80",
      "packet PKAlarm_v110 @88+60", "packet PKMonitor_v110 @148+56", "packet PKWave_v110 @204+56",
      "packet PKParam_v110 @260+108"}},
    {"GarbageBetweenPackets",
     Join({{0x01, 0x02}, kVersion, {0x00, 0xFF, 0x7E}, kControl, {0xC2}}),
     {"unknown @0+2", "packet PKProtocolVer @2+4", "unknown @6+3", "packet PKControl @9+4",
      "unknown @13+1"}},
    {"TruncatedTail",
     Join({kVersion, {0xC1}, Bytes(20, 0x00)}),
     {"packet PKProtocolVer @0+4", "truncated PKParam_v110 @4+21"}},
    {"OnlyGarbage",
     {0x00, 0x01, 0x7F, 0x80, 0xA1, 0xAF, 0xB4, 0xBF, 0xC2, 0xFE, 0xFF},
     {"unknown @0+11"}},
    {"GarbageThenTruncatedTail",
     {0x05, 0x06, 0xB1, 0x00},
     {"unknown @0+2", "truncated PKPatient_v110 @2+2"}},
    {"HeaderThatCannotFitBeforeAWholePacketIsUnknown",
     Join({{0xC1, 0x00, 0x00, 0x00, 0x00, 0x00}, kVersion}),
     {"unknown @0+6", "packet PKProtocolVer @6+4"}},
};

class StreamFramerCases : public testing::TestWithParam<FramerCase> {};

TEST_P(StreamFramerCases, ReportsEventsWithExactOffsetsWhateverTheChunkSize) {
  const FramerCase& c = GetParam();
  for (std::size_t chunkSize : {std::size_t{1}, std::size_t{7}, std::size_t{4096}}) {
    EXPECT_EQ(FrameInChunks(c.stream, chunkSize), c.events) << "chunk size " << chunkSize;
  }
}

INSTANTIATE_TEST_SUITE_P(StreamFramer, StreamFramerCases, testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(StreamFramer, LongUnknownRunAcrossChunksIsOneEvent) {
  const Bytes garbage(1'000'000, 0x55);
  const Bytes stream = Join({garbage, kVersion});
  EXPECT_EQ(FrameInChunks(stream, 65536),
            (std::vector<std::string>{"unknown @0+1000000", "packet PKProtocolVer @1000000+4"}));
}

}  // namespace
