#include "recording/LinkExport.h"

#include <utility>

#include "link/LoadKeyedPacket.h"
#include "packet/PKControl.h"
#include "packet/PKProtocolVer.h"
#include "recording/RecordingWriter.h"

namespace {

// "1 packet", "2 packets".
std::string Counted(std::uint64_t count, const std::string& noun) {
  return std::to_string(count) + ' ' + noun + (count == 1 ? "" : "s");
}

}  // namespace

LinkExport::LinkExport(RecordingWriter& writer)
    : m_writer(writer), m_framer([this](const FrameEvent& event) { Take(event); }) {}

void LinkExport::Feed(std::span<const unsigned char> bytes) { m_framer.Feed(bytes); }

std::optional<std::string> LinkExport::Finish() {
  m_framer.Finish();
  PlaceHeld(true);
  if (!m_begun) return std::string("the link holds no numerics packet");
  return m_writer.Finish();
}

void LinkExport::Take(const FrameEvent& event) {
  if (event.type != FrameEvent::Type::Packet) {
    m_unframedBytes += event.length;
    return;
  }
  static const unsigned char kNumerics = PKParam_v110().GetTypeHeader();
  static const unsigned char kControl = PKControl().GetTypeHeader();
  static const unsigned char kVersion = PKProtocolVer().GetTypeHeader();
  if (event.kind->typeHeader == kNumerics) TakeNumerics(event.bytes);
  if (event.kind->typeHeader == kControl) TakeControl(event.bytes);
  if (event.kind->typeHeader == kVersion) TakeVersion();
}

std::string LinkExport::Remarks() const {
  std::string remarks;
  const auto add = [&remarks](const std::string& remark) { remarks += (remarks.empty() ? "" : "; ") + remark; };
  if (m_restarts > 0) {
    add("the link began again " + Counted(static_cast<std::uint64_t>(m_restarts), "time") +
        " (a monitor reconnected): its parts follow one another without the pauses between them");
  }
  if (m_passedOver > 0) {
    add(Counted(static_cast<std::uint64_t>(m_passedOver), "numerics packet") +
        " passed over (a time stamp out of place)");
  }
  if (m_unframedBytes > 0) {
    add(Counted(m_unframedBytes, "byte") + " passed over that frame no packet (unknown bytes, a wrong key or a "
                                           "truncated end)");
  }
  return remarks;
}

// The framer passes on only packets that carry their key.
void LinkExport::TakeNumerics(std::span<const unsigned char> bytes) {
  PKParam_v110& numerics = m_held[(m_heldFirst + m_heldCount) % m_held.size()];
  LoadKeyedPacket(numerics, bytes);
  ++m_heldCount;
  m_numericsCame = true;
  m_placer.Offer(CtgTrace::PlaceOf(numerics), std::exchange(m_versionSinceNumerics, false));
  PlaceHeld(false);
}

void LinkExport::PlaceHeld(bool atEnd) {
  while (const std::optional<NumericsPlacer::Verdict> verdict = m_placer.Next(atEnd)) {
    if (verdict->taken) {
      Write(m_held[m_heldFirst], *verdict);
    } else {
      ++m_passedOver;
    }
    m_heldFirst = (m_heldFirst + 1) % m_held.size();
    --m_heldCount;
  }
}

void LinkExport::Write(PKParam_v110& numerics, const NumericsPlacer::Verdict& verdict) {
  if (verdict.linkBegan) {
    m_linkBeganAt = verdict.place;
    ++m_restarts;
  }
  m_trace.AddNumericsAt(numerics, verdict.place);
  m_linkShift = verdict.place - CtgTrace::PlaceOf(numerics);
  if (!m_begun) {
    const std::optional<std::int64_t> clock = m_clock.Second();
    const auto first = static_cast<std::int64_t>(m_trace.FirstSample() / CtgTrace::kSamplesPerSecond);
    m_writer.Begin(clock ? std::optional(*clock + first) : std::nullopt);
    m_begun = true;
  }
  for (std::uint64_t place = m_trace.FirstSample(); place < m_trace.EndSample(); ++place) {
    if (place == m_linkBeganAt) {
      TraceSample first = m_trace.At(place);
      first.marks |= TraceSample::kLinkBegan;
      m_writer.Write(place, first);
    } else {
      m_writer.Write(place, m_trace.At(place));
    }
    ++m_written;
  }
  m_trace.DropBefore(m_trace.EndSample());
}

// The link clock is the one sent before the link's first numerics packet.
void LinkExport::TakeControl(std::span<const unsigned char> bytes) {
  if (m_numericsCame) return;
  PKControl control;
  LoadKeyedPacket(control, bytes);
  m_clock.Take(control);
}

void LinkExport::TakeVersion() {
  m_versionSinceNumerics = true;
  if (!m_numericsCame) m_clock.Reset();
}
