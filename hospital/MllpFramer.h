#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <string_view>

#include "hospital/HospitalApi.h"
#include "hospital/Hl7Message.h"

// The MLLP framing of HL7 messages on a byte stream: each message between a start byte 0x0B and
// the end bytes 0x1C 0x0D.
//
// Feed takes the bytes as they arrive, in pieces of any size; Next hands out each whole
// message in order. Line ends and spaces between frames are passed over; a frame larger than
// kMaxFrameBytes (2 MiB, the largest message Hl7Message takes), other bytes outside a frame or
// a start byte inside a frame are a fault, after which the framer takes nothing more: the
// connection is not to be trusted. So one connection costs at most a frame's worth of memory.
// A frame that never ends is also the owner's to cut off by time (InFrame tells when one is
// open). A 0x1C ends a frame even when the 0x0D does not follow (it cannot stand in a message).
class VUDODA_HOSPITAL_API MllpFramer {
 public:
  static constexpr std::size_t kMaxFrameBytes = Hl7Message::kMaxBytes;
  static constexpr char kStart = 0x0B;
  static constexpr char kEnd = 0x1C;
  static constexpr char kCarriageReturn = 0x0D;

  // `message` in its frame.
  static std::string Wrap(std::string_view message);

  // Takes received bytes; false once the stream is at fault (see Fault).
  bool Feed(std::string_view bytes);
  // The oldest whole message not yet handed out.
  std::optional<std::string> Next();

  // Whether a frame has begun and not ended.
  bool InFrame() const { return m_state == State::Inside; }
  // Bytes of the frame under way.
  std::size_t Pending() const { return m_current.size(); }
  // How many frames have ended so far.
  std::uint64_t Completed() const { return m_completed; }
  const std::optional<std::string>& Fault() const { return m_fault; }

 private:
  enum class State { Outside, Inside, AfterEnd };

  bool TakeOutside(char byte);

  State m_state = State::Outside;
  std::string m_current;
  std::deque<std::string> m_complete;
  std::uint64_t m_completed = 0;
  std::optional<std::string> m_fault;
};
