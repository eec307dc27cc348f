#include "link/LinkClock.h"

#include <gtest/gtest.h>

#include "link/RecordingScratch.h"
#include "packet/PKControl.h"

namespace {

std::vector<Bytes> Sent(std::uint32_t second) {
  std::vector<Bytes> packets;
  EXPECT_TRUE(LinkClock::Send(
      [&](std::span<const unsigned char> packet) {
        packets.emplace_back(packet.begin(), packet.end());
        return true;
      },
      second));
  return packets;
}

PKControl Control(const Bytes& bytes) {
  PKControl control;
  EXPECT_EQ(control.SetPacket(const_cast<unsigned char*>(bytes.data()), static_cast<int>(bytes.size()), 1), 1);
  return control;
}

// 2026-10-25 00:50:00 UTC is 0x6ADD5238: four control packets, commands E0 to E3, least
// significant byte first.
TEST(LinkClock, TravelsAsFourControlPacketsLeastSignificantByteFirst) {
  EXPECT_EQ(Sent(0x6ADD5238), (std::vector<Bytes>{{0xA0, 0xE0, 0x38, 0xFF},
                                                  {0xA0, 0xE1, 0x52, 0xFF},
                                                  {0xA0, 0xE2, 0xDD, 0xFF},
                                                  {0xA0, 0xE3, 0x6A, 0xFF}}));
  EXPECT_EQ(LinkClock::Held(-1), std::nullopt);
  EXPECT_EQ(LinkClock::Held(0x100000000), std::nullopt);
  EXPECT_EQ(LinkClock::Held(0xFFFFFFFF), 0xFFFFFFFFu);

  // The three that come first are no clock yet; the bytes may come in any order.
  const std::vector<Bytes> packets = Sent(0x6ADD5238);
  LinkClock clock;
  for (const std::size_t i : {3, 1, 0}) {
    PKControl control = Control(packets[i]);
    EXPECT_TRUE(clock.Take(control));
    EXPECT_EQ(clock.Second(), std::nullopt);
  }
  PKControl other = Control({0xA0, 0x03, 0x07, 0xFF});
  EXPECT_FALSE(clock.Take(other));
  PKControl last = Control(packets[2]);
  EXPECT_TRUE(clock.Take(last));
  EXPECT_EQ(clock.Second(), 0x6ADD5238);
  clock.Reset();
  EXPECT_EQ(clock.Second(), std::nullopt);
}

}  // namespace
