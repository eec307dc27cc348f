#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <vector>

#include "link/LinkApi.h"
#include "link/PacketKind.h"

// What the framer found at one place of a monitor-link byte stream.
struct FrameEvent {
  enum class Type {
    Packet,     // a whole packet of `kind`
    Unknown,    // `length` bytes that begin no packet
    Truncated,  // the stream ends `length` bytes into a packet of `kind`
  };
  Type type;
  std::uint64_t offset;  // from the start of the stream
  std::uint64_t length;
  const PacketKind* kind;                // nullptr for Unknown
  std::span<const unsigned char> bytes;  // Packet, Truncated: the `length` bytes; valid during
                                         // the sink call. Unknown: empty (runs may be long).
};

// Cuts a byte stream, fed in chunks of any size, into packets by their type header and fixed
// size. A byte that is no known type header starts or extends a run of unknown bytes. At the
// end of the stream a known type header whose packet no longer fits is taken as unknown too
// when a whole packet follows it, and otherwise begins the truncated tail. Events reach the
// sink in stream order; memory stays bounded by the largest packet whatever the stream's length.
class VUDODA_LINK_API StreamFramer {
 public:
  using Sink = std::function<void(const FrameEvent&)>;

  explicit StreamFramer(Sink sink);

  // Frames what the new bytes complete; a packet still missing bytes waits for the next chunk.
  void Feed(std::span<const unsigned char> bytes);
  // Ends the stream: reports a packet left incomplete as the truncated tail and the last run
  // of unknown bytes. Feeding afterwards starts framing again at the following offset.
  void Finish();

 private:
  void Frame(bool atEnd);
  bool WholePacketFollows(std::size_t pos) const;
  void ExtendUnknown(std::uint64_t offset);
  void FlushUnknown();

  Sink m_sink;
  std::vector<unsigned char> m_pending;  // bytes not framed yet
  std::uint64_t m_pendingOffset = 0;     // stream offset of m_pending[0]
  std::uint64_t m_unknownOffset = 0;
  std::uint64_t m_unknownLength = 0;
};
