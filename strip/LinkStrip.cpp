#include "strip/LinkStrip.h"

#include "link/ByteStreamReader.h"
#include "link/LoadKeyedPacket.h"
#include "packet/PKPatient_v110.h"
#include "strip/StripSurface.h"

LinkStrip::LinkStrip(StripSurface& surface, const StripLayout& layout, const StripColors& colors,
                     const StripHeader& header, const StripSpan& span)
    : m_renderer(surface, layout, colors, header, span),
      m_export(m_renderer),
      m_patientFramer([this](const FrameEvent& event) { TakePatient(event); }) {}

// The patient packet comes before the numerics, so its chunk reaches the renderer first.
void LinkStrip::Feed(std::span<const unsigned char> bytes) {
  m_patientFramer.Feed(bytes);
  m_export.Feed(bytes);
}

std::optional<std::string> LinkStrip::Draw(std::istream& in, bool hex) {
  const std::optional<std::string> fault = ByteStreamReader(in, hex).ReadAll([&](std::span<const unsigned char> bytes) {
    Feed(bytes);
    return true;
  });
  return fault ? fault : Finish();
}

std::optional<std::string> LinkStrip::Finish() {
  m_patientFramer.Finish();
  if (std::optional<std::string> fault = m_export.Finish()) {
    // The renderer has drawn nothing worth keeping; close and remove its file.
    m_renderer.Finish();
    return fault;
  }
  return std::nullopt;
}

void LinkStrip::TakePatient(const FrameEvent& event) {
  static const unsigned char kPatient = PKPatient_v110().GetTypeHeader();
  if (event.type != FrameEvent::Type::Packet || event.kind->typeHeader != kPatient) return;
  PKPatient_v110 patient;
  if (!LoadKeyedPacket(patient, event.bytes)) return;
  const std::string last(patient.GetLastName().GetString());
  const std::string first(patient.GetFirstName().GetString());
  m_renderer.SetPatient(last + (last.empty() || first.empty() ? "" : ", ") + first,
                        std::string(patient.GetPatientId().GetString()));
}
