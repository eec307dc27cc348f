#include "strip/StripRenderer.h"

#include <cmath>
#include <limits>
#include <utility>

#include "recording/CtgTrace.h"
#include "strip/StripSurface.h"

namespace {

constexpr int kSecondsPerDay = 24 * 3600;
constexpr std::uint64_t kSamplesPerSecond = CtgTrace::kSamplesPerSecond;
// The clock steps ahead by a second, or by a change to summer time and that second; a step
// back, or further ahead, passes no time of day.
constexpr int kLongestClockStep = 2 * 3600;

// Whether the clock, going from `before` to `now` (seconds of the day a second apart on the
// strip), passes `target`: `target` lies after `before` up to `now`.
bool Passes(int before, int now, int target) {
  const int step = (now - before + kSecondsPerDay) % kSecondsPerDay;
  const int toTarget = (target - before + kSecondsPerDay) % kSecondsPerDay;
  return step <= kLongestClockStep && toTarget > 0 && toTarget <= step;
}

}  // namespace

StripRenderer::StripRenderer(StripSurface& surface, const StripLayout& layout, const StripColors& colors,
                             StripHeader header, StripSpan span)
    : m_surface(surface), m_layout(layout), m_colors(colors), m_header(std::move(header)), m_span(span) {
  m_page.reserve(m_layout.SamplesPerPage());
}

void StripRenderer::SetPatient(std::string name, std::string id) {
  m_header.patientName = std::move(name);
  m_header.patientId = std::move(id);
}

void StripRenderer::Begin(std::optional<std::int64_t> startTime) { m_startTime = startTime; }

StripClock StripRenderer::ClockAt(std::uint64_t place) const {
  const auto sinceFirst = static_cast<std::int64_t>((place - m_firstPlace) / kSamplesPerSecond);
  if (m_startTime) return StripClock::Dated(*m_startTime + sinceFirst);
  return StripClock::SinceStart(static_cast<std::int64_t>(m_firstPlace / kSamplesPerSecond) + sinceFirst);
}

void StripRenderer::LookForSpan(std::uint64_t place) {
  if (!m_span.fromSecondOfDay) return BeginSpan(place);
  if ((place - m_firstPlace) % kSamplesPerSecond != 0) return;
  const int now = ClockAt(place).SecondOfDay();
  const std::optional<int> before = std::exchange(m_lastSecondOfDay, now);
  if (now == *m_span.fromSecondOfDay || (before && Passes(*before, now, *m_span.fromSecondOfDay))) BeginSpan(place);
}

void StripRenderer::BeginSpan(std::uint64_t place) {
  m_spanFirst = place;
  m_spanEnd = std::numeric_limits<std::uint64_t>::max();
  if (m_span.minutes) {
    m_spanEnd = place + static_cast<std::uint64_t>(std::llround(*m_span.minutes * 60 * kSamplesPerSecond));
  }
}

void StripRenderer::Write(std::uint64_t place, const TraceSample& sample) {
  if (!m_started) {
    m_started = true;
    m_firstPlace = place;
  }
  m_endPlace = place + 1;
  if (!m_spanFirst) LookForSpan(place);
  if (m_fault || !m_spanFirst || place < *m_spanFirst || place >= m_spanEnd) return;
  if (m_page.empty()) m_pageFirst = place;
  m_page.push_back(sample);
  if (m_page.size() >= m_layout.SamplesPerPage()) DrawPage();
}

void StripRenderer::DrawPage() {
  ++m_pages;
  if (_cairo* context = m_surface.BeginPage()) {
    StripPage(m_layout, m_colors).Draw(context, m_header, m_pages, m_page, ClockAt(m_pageFirst));
  }
  m_fault = m_surface.EndPage();
  m_page.clear();
}

std::optional<std::string> StripRenderer::Finish() {
  if (!m_fault && !m_page.empty()) DrawPage();
  if (!m_fault && m_pages == 0) {
    m_fault = m_started ? "the span lies outside the recording, which runs from " + ClockAt(m_firstPlace).TimeText() +
                              " to " + ClockAt(m_endPlace).TimeText()
                        : std::string("the recording holds no sample");
  }
  // Closing puts the files in place: only a strip without a fault.
  if (!m_fault) m_fault = m_surface.Close();
  if (m_fault) m_surface.Discard();
  return m_fault;
}
