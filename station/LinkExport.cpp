#include "station/LinkExport.h"

#include <chrono>

#include "packet/PKParam_v110.h"
#include "packet/PKPatient_v110.h"
#include "station/RecordingWriter.h"

namespace {

// SetPacket only reads the block; its parameter is not const-qualified.
template <class Packet>
void Load(Packet& packet, std::span<const unsigned char> bytes) {
  packet.SetPacket(const_cast<unsigned char*>(bytes.data()), static_cast<int>(bytes.size()), 0);
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
  if (!m_begun) return std::string("the link holds no numerics packet");
  return m_writer.Finish();
}

void LinkExport::Take(const FrameEvent& event) {
  if (event.type != FrameEvent::Type::Packet) return;
  static const unsigned char kNumerics = PKParam_v110().GetTypeHeader();
  static const unsigned char kPatient = PKPatient_v110().GetTypeHeader();
  if (event.kind->typeHeader == kNumerics) TakeNumerics(event.bytes);
  if (event.kind->typeHeader == kPatient) TakePatient(event.bytes);
}

void LinkExport::TakeNumerics(std::span<const unsigned char> bytes) {
  PKParam_v110 numerics;
  Load(numerics, bytes);
  m_trace.AddNumerics(numerics);
  if (!m_begun) {
    const std::uint64_t first = m_trace.FirstSample();
    m_writer.Begin(m_studyStart ? std::optional(*m_studyStart + static_cast<std::int64_t>(first / CtgTrace::kSamplesPerSecond))
                                : std::nullopt);
    m_begun = true;
  }
  for (std::uint64_t place = m_trace.FirstSample(); place < m_trace.EndSample(); ++place) {
    m_writer.Write(place, m_trace.At(place));
    ++m_written;
  }
  m_trace.DropBefore(m_trace.EndSample());
}

void LinkExport::TakePatient(std::span<const unsigned char> bytes) {
  if (m_begun) return;
  PKPatient_v110 patient;
  Load(patient, bytes);
  m_studyStart = DayStart(patient);
}
