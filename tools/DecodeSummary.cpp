#include "tools/DecodeSummary.h"

void DecodeSummary::Count(const FrameEvent& event) {
  switch (event.type) {
    case FrameEvent::Type::Packet:
      ++m_packets;
      ++m_packetsByKind[event.kind->name];
      break;
    case FrameEvent::Type::Unknown:
      ++m_unknownRuns;
      m_unknownBytes += event.length;
      break;
    case FrameEvent::Type::Truncated:
      m_truncatedBytes += event.length;
      break;
  }
}

std::uint64_t DecodeSummary::PacketsOf(const std::string& name) const {
  const auto found = m_packetsByKind.find(name);
  return found == m_packetsByKind.end() ? 0 : found->second;
}
