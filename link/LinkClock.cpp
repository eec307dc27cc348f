#include "link/LinkClock.h"

#include "link/MonitorSettings.h"
#include "packet/PKControl.h"

bool LinkClock::Send(const PacketSink& sink, std::uint32_t second) {
  for (int i = 0; i < kBytes; ++i) {
    PKControl control;
    control.SetType(static_cast<unsigned char>(kFirstCommand + i));
    control.SetData(static_cast<unsigned char>(second >> (8 * i)));
    if (!MonitorSettings::Send(control, sink)) return false;
  }
  return true;
}

std::optional<std::uint32_t> LinkClock::Held(std::int64_t utcSeconds) {
  if (utcSeconds < 0 || utcSeconds > 0xFFFFFFFF) return std::nullopt;
  return static_cast<std::uint32_t>(utcSeconds);
}

bool LinkClock::Take(PKControl& control) {
  const int index = control.GetType() - kFirstCommand;
  if (index < 0 || index >= kBytes) return false;
  m_bytes[static_cast<std::size_t>(index)] = control.GetData();
  m_received |= 1u << index;
  return true;
}

std::optional<std::int64_t> LinkClock::Second() const {
  if (m_received != (1u << kBytes) - 1) return std::nullopt;
  std::uint32_t second = 0;
  for (int i = kBytes - 1; i >= 0; --i) second = second << 8 | m_bytes[static_cast<std::size_t>(i)];
  return second;
}

void LinkClock::Reset() { m_received = 0; }
