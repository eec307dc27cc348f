#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "link/LinkClock.h"
#include "link/StreamFramer.h"
#include "packet/PKParam_v110.h"
#include "recording/CtgTrace.h"
#include "recording/NumericsPlacer.h"
#include "recording/RecordingApi.h"

class RecordingWriter;

// Turns a captured monitor link, fed in chunks of any size, into a recording: the numerics
// packets become a 4 Hz trace (gaps where packets are missing, written as absent samples) that
// goes to the writer as it comes, so memory stays bounded whatever the link's length. The
// recording begins at the first numerics packet taken. Its start time is the link clock
// (LinkClock) that the link sent before its first numerics packet, plus that packet's time;
// without a clock the recording has none (the patient packet's date is the patient's date of
// birth, no time of the link). Other packets are passed over, and so are bytes that frame no
// packet (StreamFramer: unknown bytes, a header whose packet ends in a wrong key, a truncated
// end), which UnframedBytes() counts.
//
// Numerics packets are placed by their time stamps, each judged against its neighbours
// (NumericsPlacer): one that goes back in time within a link (repeated, or garbled) or that
// jumps where the packets after it do not follow is passed over (PassedOver()), so that one
// garbled time stamp costs its own packet, and neither writes days of empty samples nor hides
// the rest of the link behind it. A jump is taken once the next packet confirms it, so the
// samples of a packet may reach the writer a packet or two later than it came.
//
// A station's recording of a study holds every link of it one after the other: a monitor that
// reconnects sends its protocol version first again, and begins its time stamps again. When a
// numerics packet after a version packet goes back in time, its link began again: its samples
// continue the recording where it ends, without the pause between the links, which no link
// tells (Restarts()); its first sample carries TraceSample::kLinkBegan.
class VUDODA_RECORDING_API LinkExport {
 public:
  explicit LinkExport(RecordingWriter& writer);

  void Feed(std::span<const unsigned char> bytes);
  // Ends the link. Returns the fault: no numerics packet in the whole link, or the writer's.
  std::optional<std::string> Finish();
  // Samples written so far.
  std::uint64_t SampleCount() const { return m_written; }
  // While the writer is given a sample: its place less this is its place on its own link's
  // clock (the link's time stamps in quarter seconds). 0 on the first link; a link that began
  // again continues the recording where it ends, which shifts its places.
  std::uint64_t LinkShift() const { return m_linkShift; }
  // The links that began again after the first, the numerics packets passed over, and the
  // bytes that framed no packet.
  int Restarts() const { return m_restarts; }
  int PassedOver() const { return m_passedOver; }
  std::uint64_t UnframedBytes() const { return m_unframedBytes; }
  // What a reader of the recording should know of these three, one sentence; empty when all
  // are 0.
  std::string Remarks() const;

 private:
  void Take(const FrameEvent& event);
  void TakeNumerics(std::span<const unsigned char> bytes);
  void TakeControl(std::span<const unsigned char> bytes);
  void TakeVersion();
  // Writes the packets held back as their places are decided; `atEnd`: no packet follows.
  void PlaceHeld(bool atEnd);
  void Write(PKParam_v110& numerics, const NumericsPlacer::Verdict& verdict);

  RecordingWriter& m_writer;
  StreamFramer m_framer;
  CtgTrace m_trace;
  NumericsPlacer m_placer;
  // The packets offered to the placer and not judged yet, oldest first, in a ring.
  std::array<PKParam_v110, NumericsPlacer::kMostHeld> m_held;
  std::size_t m_heldFirst = 0;
  std::size_t m_heldCount = 0;
  LinkClock m_clock;
  bool m_numericsCame = false;
  bool m_begun = false;
  std::uint64_t m_written = 0;
  bool m_versionSinceNumerics = false;
  std::optional<std::uint64_t> m_linkBeganAt;  // the place of the last new link's first sample
  std::uint64_t m_linkShift = 0;
  int m_restarts = 0;
  int m_passedOver = 0;
  std::uint64_t m_unframedBytes = 0;
};
