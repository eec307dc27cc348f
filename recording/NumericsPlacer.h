#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>

#include "recording/RecordingApi.h"

// Places the numerics packets of a captured link in the recording by their time stamps, each
// judged against its neighbours, so that one garbled time stamp costs its own packet and no
// more. A packet's own place is the place its time stamp gives (CtgTrace::PlaceOf).
//
// Within a link a packet follows the one before it: a whole number of packets later (five
// samples each: a monitor sends its numerics every 1.25 s, and after a pause goes on at that
// pace) and at most a day (no link pauses longer). A monitor that reconnects sends its
// protocol version again and begins its time stamps again: a packet after a version packet
// that goes back begins a new link, which continues the recording where it ends.
//
// A packet that lies where the recording ends (or further on by the packets passed over since
// the last one taken, at a packet's length each) is taken at once. One that goes back within a
// link, or lies more than a day on, is passed over at once. Any other (a jump ahead, a new
// link, the first packet of all) is held back and taken only when the packet after it follows
// it; when that one does not, the third decides: if it follows the second, the held packet was
// out of place and is passed over; if it follows the held packet, the second was, and the held
// packet is taken. At the end of the link a jump that nothing confirmed is passed over, and a
// link's only packet is taken. A packet passed over hands on the version packet before it, if
// any, to the next. At most three packets are held, so memory stays bounded.
class VUDODA_RECORDING_API NumericsPlacer {
 public:
  // The packets offered and not judged yet, at most, after each Offer has been followed by
  // Next until it gave nullopt.
  static constexpr std::size_t kMostHeld = 3;

  struct Verdict {
    bool taken;
    std::uint64_t place;  // taken: where the packet's first sample goes in the recording
    bool linkBegan;       // taken: the packet begins a link that began again
  };

  // Offers the next numerics packet, at its own place `own`; `afterVersion`: a protocol
  // version packet came after the numerics packet offered before it.
  void Offer(std::uint64_t own, bool afterVersion);
  // The verdict on the oldest packet offered and not judged yet, in the order they were
  // offered; nullopt when none waits, or while it waits for the packets after it. `atEnd`: no
  // packet will follow.
  std::optional<Verdict> Next(bool atEnd);

 private:
  struct Offered {
    std::uint64_t own;
    bool afterVersion;
  };
  // Where the oldest held packet would go: it `jumps` unless it lies where the recording ends.
  struct Placing {
    std::uint64_t place;
    bool jumps;
    bool beginsLink;  // the first packet of all, or of a link that began again
    bool linkBegan;
  };
  enum class Judgement { kTake, kPassOver, kWait };

  std::optional<Placing> PlacingOf(const Offered& packet) const;
  // Judges a held packet that jumps by the packets after it.
  Judgement ByFollowers(const Placing& placing, bool atEnd) const;
  static bool Follows(const Offered& before, const Offered& after);

  std::deque<Offered> m_held;
  std::optional<std::uint64_t> m_lastPlace;  // of the last packet taken
  std::uint64_t m_end = 0;                   // after the last packet taken
  std::uint64_t m_shift = 0;                 // from a packet's own place to the recording's
  std::uint64_t m_passedSinceTaken = 0;
};
