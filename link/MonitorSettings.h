#pragma once

#include <cstdint>

#include "link/LinkApi.h"
#include "link/PacketSink.h"

class PKBase;

// What a made-up bedside fetal monitor announces when its link starts: the protocol version,
// its settings, the patient (an obviously made-up one, with a made-up date of birth) and its
// alarm settings. The simulated monitor and a replayed recording begin their links with it.
class VUDODA_LINK_API MonitorSettings {
 public:
  // Alarm limits that the monitor announces and that its alarm statuses follow.
  static constexpr int kFHRLow = 110;
  static constexpr int kFHRHigh = 160;
  static constexpr int kSpO2Low = 90;
  static constexpr int kNIBPLow = 90;
  static constexpr int kNIBPHigh = 160;

  // Stamps the packet's checksum and passes its bytes to `sink`; returns what the sink does.
  static bool Send(PKBase& packet, const PacketSink& sink);
  // Sends the four settings packets of the simulated monitor seeded `seed`: each seed announces
  // its own made-up patient ("SIM-0000-0001" for seed 1, born 1994-05-17), so that a ward of
  // simulated beds admits one mother per bed. Returns false when the sink refused a packet (the
  // rest are not sent).
  static bool SendAll(const PacketSink& sink, std::uint32_t seed);
};
