#pragma once

#include <chrono>
#include <cstdint>
#include <span>

#include "link/LinkApi.h"
#include "link/PacketSink.h"

// Paces a monitor link at the monitor's real rate: each packet is passed on no earlier than
// the moment a monitor would send it, counted from the first packet. A waveform packet covers
// the 50 ms after the one before it; a numerics packet is due when the 1.25 s from its time
// stamp are over; the settings packets are due at once. A consumer that falls behind is not
// made to wait: late packets go on at once.
class VUDODA_LINK_API LinkPacer {
 public:
  using Clock = std::chrono::steady_clock;

  explicit LinkPacer(PacketSink next);

  // Waits until `packet` is due, then passes it on; returns what the next sink does.
  bool Pass(std::span<const unsigned char> packet);
  // Milliseconds of the link that the packets so far cover.
  std::uint64_t LinkMilliseconds() const { return m_linkMilliseconds; }

 private:
  PacketSink m_next;
  bool m_started = false;
  Clock::time_point m_start;
  std::uint64_t m_linkMilliseconds = 0;
};
