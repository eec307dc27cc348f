#pragma once

#include <cstdint>
#include <map>
#include <string>

#include "link/StreamFramer.h"

// The counts of one decoded stream: packets by kind, unknown bytes, the truncated tail.
class DecodeSummary {
 public:
  void Count(const FrameEvent& event);

  std::uint64_t Packets() const { return m_packets; }
  // Packets of the kind named `name` (a packet class name such as "PKParam_v110").
  std::uint64_t PacketsOf(const std::string& name) const;
  std::uint64_t UnknownBytes() const { return m_unknownBytes; }
  std::uint64_t UnknownRuns() const { return m_unknownRuns; }
  std::uint64_t TruncatedBytes() const { return m_truncatedBytes; }

 private:
  std::uint64_t m_packets = 0;
  std::map<std::string, std::uint64_t> m_packetsByKind;
  std::uint64_t m_unknownBytes = 0;
  std::uint64_t m_unknownRuns = 0;
  std::uint64_t m_truncatedBytes = 0;
};
