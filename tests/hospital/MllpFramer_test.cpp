#include "hospital/MllpFramer.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

std::vector<std::string> Messages(MllpFramer& framer) {
  std::vector<std::string> messages;
  while (std::optional<std::string> message = framer.Next()) messages.push_back(*message);
  return messages;
}

TEST(MllpFramer, WrapsAMessageInStartAndEndBytes) {
  EXPECT_EQ(MllpFramer::Wrap("MSH|^~\\&\r"), std::string("\x0bMSH|^~\\&\r\x1c\x0d"));
}

TEST(MllpFramer, CutsFramesOutOfPiecesOfAnySize) {
  const std::string stream = std::string("\x0b") + "MSH|A\r" + "\x1c\x0d" + "\r\n " + "\x0b" + "MSH|B\r" + "\x1c\x0d";
  for (std::size_t cut = 0; cut <= stream.size(); ++cut) {
    MllpFramer framer;
    EXPECT_TRUE(framer.Feed(stream.substr(0, cut)));
    EXPECT_TRUE(framer.Feed(stream.substr(cut)));
    EXPECT_EQ(Messages(framer), (std::vector<std::string>{"MSH|A\r", "MSH|B\r"})) << "cut at " << cut;
    EXPECT_FALSE(framer.InFrame());
    EXPECT_EQ(framer.Completed(), 2u);
  }
  MllpFramer byByte;
  for (char c : stream) ASSERT_TRUE(byByte.Feed(std::string(1, c)));
  EXPECT_EQ(Messages(byByte).size(), 2u);
}

TEST(MllpFramer, EndsAFrameAtTheEndByteEvenWithoutItsCarriageReturn) {
  MllpFramer framer;
  EXPECT_TRUE(framer.Feed("\x0bMSH|A\x1c\x0bMSH|B\x1c\x0d"));
  EXPECT_EQ(Messages(framer), (std::vector<std::string>{"MSH|A", "MSH|B"}));
}

TEST(MllpFramer, TellsAFrameUnderWay) {
  MllpFramer framer;
  EXPECT_TRUE(framer.Feed("\x0bMSH|"));
  EXPECT_TRUE(framer.InFrame());
  EXPECT_EQ(framer.Pending(), 4u);
  EXPECT_FALSE(framer.Next());
}

TEST(MllpFramer, RefusesAStreamThatIsNotFramedAndThenTakesNothingMore) {
  const struct {
    std::string stream;
    const char* fault;
  } cases[] = {
      {"MSH|^~\\&", "byte 0x4D outside a frame"},
      {std::string("\x0b" "A\x1c\x0d" "x"), "byte 0x78 outside a frame"},
      {std::string("\x00", 1), "byte 0x00 outside a frame"},
      {std::string("\x0b" "MSH|A\x0b" "MSH|B\x1c\x0d"), "a frame began inside another (a start byte 0x0B before the end "
                                                        "0x1C 0x0D)"},
  };
  for (const auto& c : cases) {
    MllpFramer framer;
    EXPECT_FALSE(framer.Feed(c.stream));
    EXPECT_EQ(framer.Fault(), c.fault);
    EXPECT_FALSE(framer.Feed(std::string("\x0bMSH|C\x1c\x0d")));
  }
}

TEST(MllpFramer, CutsOffAFrameLargerThanTwoMebibytes) {
  MllpFramer whole;
  EXPECT_TRUE(whole.Feed("\x0b" + std::string(MllpFramer::kMaxFrameBytes, 'A') + "\x1c\x0d"));
  EXPECT_EQ(whole.Next()->size(), 2u * 1024 * 1024);

  MllpFramer endless;
  const std::string chunk(64 * 1024, 'A');
  bool taken = endless.Feed("\x0b");
  std::size_t fed = 0;
  while (taken && fed < 3 * MllpFramer::kMaxFrameBytes) {
    taken = endless.Feed(chunk);
    fed += chunk.size();
  }
  EXPECT_FALSE(taken);
  EXPECT_EQ(fed, 2u * 1024 * 1024 + chunk.size());
  EXPECT_EQ(endless.Fault(), "a frame grew beyond 2097152 bytes");
  EXPECT_LE(endless.Pending(), MllpFramer::kMaxFrameBytes);
}

}  // namespace
