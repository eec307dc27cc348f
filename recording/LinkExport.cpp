#include "recording/LinkExport.h"

#include <chrono>
#include <utility>

#include "link/LoadKeyedPacket.h"
#include "packet/PKPatient_v110.h"
#include "packet/PKProtocolVer.h"
#include "recording/RecordingWriter.h"

namespace {

// "1 packet", "2 packets".
std::string Counted(std::uint64_t count, const std::string& noun) {
  return std::to_string(count) + ' ' + noun + (count == 1 ? "" : "s");
}

// Midnight UTC of the patient packet's date, where it holds a real date.
std::optional<std::int64_t> DayStart(PKPatient_v110& patient) {
  const std::chrono::year_month_day date{std::chrono::year(patient.GetYear()),
                                         std::chrono::month(static_cast<unsigned>(patient.GetMonth())),
                                         std::chrono::day(static_cast<unsigned>(patient.GetDay()))};
  if (!date.ok() || patient.GetYear() < 1970) return std::nullopt;
  return std::chrono::sys_seconds(std::chrono::sys_days(date)).time_since_epoch().count();
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
  static const unsigned char kPatient = PKPatient_v110().GetTypeHeader();
  static const unsigned char kVersion = PKProtocolVer().GetTypeHeader();
  if (event.kind->typeHeader == kNumerics) TakeNumerics(event.bytes);
  if (event.kind->typeHeader == kPatient) TakePatient(event.bytes);
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
  PKParam_v110 numerics;
  LoadKeyedPacket(numerics, bytes);
  m_held.push_back(numerics);
  m_placer.Offer(CtgTrace::PlaceOf(numerics), std::exchange(m_versionSinceNumerics, false));
  PlaceHeld(false);
}

void LinkExport::PlaceHeld(bool atEnd) {
  while (const std::optional<NumericsPlacer::Verdict> verdict = m_placer.Next(atEnd)) {
    if (verdict->taken) {
      Write(m_held.front(), *verdict);
    } else {
      ++m_passedOver;
    }
    m_held.pop_front();
  }
}

void LinkExport::Write(PKParam_v110& numerics, const NumericsPlacer::Verdict& verdict) {
  if (verdict.linkBegan) {
    m_linkBeganAt = verdict.place;
    ++m_restarts;
  }
  m_trace.AddNumericsAt(numerics, verdict.place);
  if (!m_begun) {
    const auto first = static_cast<std::int64_t>(m_trace.FirstSample() / CtgTrace::kSamplesPerSecond);
    m_writer.Begin(m_studyStart ? std::optional(*m_studyStart + first) : std::nullopt);
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

void LinkExport::TakePatient(std::span<const unsigned char> bytes) {
  if (m_begun) return;
  PKPatient_v110 patient;
  LoadKeyedPacket(patient, bytes);
  m_studyStart = DayStart(patient);
}

void LinkExport::TakeVersion() { m_versionSinceNumerics = true; }
