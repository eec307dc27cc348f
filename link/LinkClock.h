#pragma once

#include <array>
#include <cstdint>
#include <optional>

#include "link/LinkApi.h"
#include "link/PacketSink.h"

class PKControl;

// The link clock: the moment of a link's time stamp 0, as a UTC second (seconds since
// 1970-01-01 00:00:00 UTC). A monitor link's numerics are time-stamped from its own start
// only, and the patient packet's date is the patient's date of birth, so a link tells the time
// of day of its samples only when the monitor sends this clock. The command codes of control
// packets belong to the station application; the station layer takes four of them for the
// clock, each carrying one byte of the second, least significant first:
//
//   control packet  A0 E0 b0 FF   A0 E1 b1 FF   A0 E2 b2 FF   A0 E3 b3 FF
//   second = b0 | b1 << 8 | b2 << 16 | b3 << 24   (1970 to 2106)
//
// A monitor that knows the time of its link (a replayed recording) sends the four after its
// settings and before its first numerics; a link without them is timed from time stamp 0 only.
// The reading side collects the four from the control packets of one link (Reset when a link
// begins again) and knows the clock once all four came; a control packet with another command
// is not the clock's and leaves it as it is.
class VUDODA_LINK_API LinkClock {
 public:
  // The command of the control packet that carries byte 0; bytes 1 to 3 follow it.
  static constexpr unsigned char kFirstCommand = 0xE0;

  // Sends the four control packets of `second` (stamped with their key) to `sink`. Returns
  // false when the sink refused one (the rest are not sent).
  static bool Send(const PacketSink& sink, std::uint32_t second);
  // The second that `utcSeconds` is on the link, or nullopt outside what four bytes hold.
  static std::optional<std::uint32_t> Held(std::int64_t utcSeconds);

  // Takes a control packet of the link in. Returns whether it carried a byte of the clock.
  bool Take(PKControl& control);
  // The clock once all four bytes came since construction or Reset.
  std::optional<std::int64_t> Second() const;
  void Reset();

 private:
  static constexpr int kBytes = 4;

  std::array<unsigned char, kBytes> m_bytes{};
  unsigned m_received = 0;  // a bit per byte
};
