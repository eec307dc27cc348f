#include "link/RecurringEpisode.h"

#include <cmath>
#include <numbers>

RecurringEpisode::RecurringEpisode(const Timing& timing, SeededRandom& random)
    : m_timing(timing), m_random(random) {
  Draw(m_random.Uniform(timing.firstStart.low, timing.firstStart.high));
}

double RecurringEpisode::Level(double seconds) {
  if (!IsActive(seconds)) return 0;
  const double sine = std::sin(std::numbers::pi * (seconds - m_start) / m_duration);
  return m_strength * sine * sine;
}

bool RecurringEpisode::IsActive(double seconds) {
  Advance(seconds);
  return seconds >= m_start && seconds < m_start + m_duration;
}

bool RecurringEpisode::BeginsWithin(double seconds, double span) {
  Advance(seconds);
  return m_start >= seconds && m_start < seconds + span;
}

// The next episode is drawn once the current one is over, so every episode is seen whole.
void RecurringEpisode::Advance(double seconds) {
  while (seconds >= m_start + m_duration) {
    Draw(m_start + m_random.Uniform(m_timing.gap.low, m_timing.gap.high));
  }
}

void RecurringEpisode::Draw(double start) {
  m_start = start;
  m_duration = m_random.Uniform(m_timing.duration.low, m_timing.duration.high);
  m_strength = m_random.Uniform(m_timing.strength.low, m_timing.strength.high);
}
