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
    Packet,     // a whole packet of `kind` whose last byte is its key
    Unknown,    // `length` bytes that begin no packet
    Truncated,  // the stream ends `length` bytes into a packet of `kind`
  };
  Type type;
  std::uint64_t offset;  // from the start of the stream
  std::uint64_t length;
  // Packet, Truncated: the packet's kind. Unknown: nullptr, or for a type header whose whole
  // packet ends in another byte than its key, the kind that header names (`length` is then 1).
  const PacketKind* kind;
  // Packet, Truncated: the `length` bytes. Unknown with a kind: the kind's size of bytes from
  // the header on, the packet it would have been (its last byte the wrong key); the framer reads
  // them again from the byte after the header. Other Unknown runs: empty (they may be long).
  // Valid during the sink call.
  std::span<const unsigned char> bytes;
};

// Cuts a byte stream, fed in chunks of any size, into packets by their type header, fixed size
// and key: a packet is a type header followed by the rest of its kind's size, the last byte
// its key. A byte that is no known type header starts or extends a run of unknown bytes. A type
// header whose packet ends in a wrong key is no packet but a stray byte (of garbage, or of a
// packet whose key was damaged): it is reported alone as an Unknown event naming the kind, and
// framing goes on from the next byte, so a real packet that begins inside it is found. At the
// end of the stream a known type header whose packet no longer fits is taken as unknown too
// when a whole packet follows it, and otherwise begins the truncated tail. Events reach the
// sink in stream order, each beginning where the one before ended; memory stays bounded by the
// largest packet whatever the stream's length.
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
  bool KeyedPacketAt(std::size_t pos) const;
  bool KeyedPacketFollows(std::size_t pos) const;
  void ExtendUnknown(std::uint64_t offset);
  void FlushUnknown();

  Sink m_sink;
  std::vector<unsigned char> m_pending;  // bytes not framed yet
  std::uint64_t m_pendingOffset = 0;     // stream offset of m_pending[0]
  std::uint64_t m_unknownOffset = 0;
  std::uint64_t m_unknownLength = 0;
};
