#include "recording/NumericsPlacer.h"

#include "recording/CtgTrace.h"

namespace {

constexpr std::uint64_t kPacketSamples = CtgTrace::kSamplesPerNumerics;
// No link pauses its numerics longer than this (a day).
constexpr std::uint64_t kLongestPauseSamples = 24 * 3600 * CtgTrace::kSamplesPerSecond;

}  // namespace

void NumericsPlacer::Offer(std::uint64_t own, bool afterVersion) { m_held.push_back({own, afterVersion}); }

std::optional<NumericsPlacer::Verdict> NumericsPlacer::Next(bool atEnd) {
  if (m_held.empty()) return std::nullopt;
  const std::optional<Placing> placing = PlacingOf(m_held.front());
  const Judgement judgement =
      !placing ? Judgement::kPassOver : placing->jumps ? ByFollowers(*placing, atEnd) : Judgement::kTake;
  if (judgement == Judgement::kWait) return std::nullopt;

  const Offered packet = m_held.front();
  m_held.pop_front();
  if (judgement == Judgement::kPassOver) {
    ++m_passedSinceTaken;
    if (!m_held.empty()) m_held.front().afterVersion |= packet.afterVersion;
    return Verdict{false, 0, false};
  }
  m_shift = placing->place - packet.own;
  m_lastPlace = placing->place;
  m_end = placing->place + kPacketSamples;
  m_passedSinceTaken = 0;
  return Verdict{true, placing->place, placing->linkBegan};
}

std::optional<NumericsPlacer::Placing> NumericsPlacer::PlacingOf(const Offered& packet) const {
  if (!m_lastPlace) return Placing{packet.own, true, true, false};
  const std::uint64_t place = packet.own + m_shift;
  if (place >= m_end) {
    if (place - *m_lastPlace > kLongestPauseSamples) return std::nullopt;
    const std::uint64_t ahead = place - m_end;
    const bool atCadence = ahead % kPacketSamples == 0 && ahead / kPacketSamples <= m_passedSinceTaken;
    return Placing{place, !atCadence, false, false};
  }
  if (packet.afterVersion) return Placing{m_end, true, true, true};
  return std::nullopt;
}

NumericsPlacer::Judgement NumericsPlacer::ByFollowers(const Placing& placing, bool atEnd) const {
  const Offered& held = m_held[0];
  if (m_held.size() < 2) {
    if (!atEnd) return Judgement::kWait;
    return placing.beginsLink ? Judgement::kTake : Judgement::kPassOver;
  }
  if (Follows(held, m_held[1])) return Judgement::kTake;
  if (m_held.size() < 3) return atEnd ? Judgement::kPassOver : Judgement::kWait;
  if (Follows(m_held[1], m_held[2])) return Judgement::kPassOver;
  return Follows(held, m_held[2]) ? Judgement::kTake : Judgement::kPassOver;
}

bool NumericsPlacer::Follows(const Offered& before, const Offered& after) {
  const std::uint64_t ahead = after.own - before.own;
  return after.own > before.own && ahead % kPacketSamples == 0 && ahead <= kLongestPauseSamples;
}
