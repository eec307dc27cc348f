#include "link/LinkPacer.h"

#include <algorithm>
#include <thread>

#include "packet/PKParam_v110.h"
#include "packet/PKWave_v110.h"

namespace {
constexpr std::uint64_t kWaveMilliseconds = 50;
constexpr std::uint64_t kNumericsMilliseconds = 1250;
}  // namespace

LinkPacer::LinkPacer(PacketSink next) : m_next(std::move(next)) {}

bool LinkPacer::Pass(std::span<const unsigned char> packet) {
  static const unsigned char kWave = PKWave_v110().GetTypeHeader();
  static const int kWaveSize = PKWave_v110().GetPacketSize();
  static const unsigned char kNumerics = PKParam_v110().GetTypeHeader();
  static const int kNumericsSize = PKParam_v110().GetPacketSize();
  if (!m_started) {
    m_start = Clock::now();
    m_started = true;
  }
  const auto size = static_cast<int>(packet.size());
  if (packet.front() == kWave && size == kWaveSize) m_linkMilliseconds += kWaveMilliseconds;
  if (packet.front() == kNumerics && size == kNumericsSize) {
    PKParam_v110 numerics;
    numerics.SetPacket(const_cast<unsigned char*>(packet.data()), size, 0);
    m_linkMilliseconds = std::max<std::uint64_t>(m_linkMilliseconds, numerics.GetTimeStamp() + kNumericsMilliseconds);
  }
  std::this_thread::sleep_until(m_start + std::chrono::milliseconds(m_linkMilliseconds));
  return m_next(packet);
}
