#include "strip/StripRenderer.h"

#include <cmath>
#include <limits>

#include "recording/CtgTrace.h"
#include "strip/StripSurface.h"

namespace {

constexpr std::int64_t kSecondsPerDay = 24 * 3600;
constexpr std::uint64_t kSamplesPerSecond = CtgTrace::kSamplesPerSecond;

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

std::int64_t StripRenderer::ClockAt(std::uint64_t place) const {
  const auto sinceFirst = static_cast<std::int64_t>((place - m_firstPlace) / kSamplesPerSecond);
  if (m_startTime) return *m_startTime + sinceFirst;
  return static_cast<std::int64_t>(m_firstPlace / kSamplesPerSecond) + sinceFirst;
}

void StripRenderer::StartSpan(std::uint64_t place) {
  m_started = true;
  m_firstPlace = m_spanFirst = place;
  if (m_span.fromSecondOfDay) {
    const std::int64_t wait = ((*m_span.fromSecondOfDay - ClockAt(place)) % kSecondsPerDay + kSecondsPerDay) %
                              kSecondsPerDay;
    m_spanFirst = place + static_cast<std::uint64_t>(wait) * kSamplesPerSecond;
  }
  m_spanEnd = std::numeric_limits<std::uint64_t>::max();
  if (m_span.minutes) {
    m_spanEnd = m_spanFirst + static_cast<std::uint64_t>(std::llround(*m_span.minutes * 60 * kSamplesPerSecond));
  }
}

void StripRenderer::Write(std::uint64_t place, const TraceSample& sample) {
  if (!m_started) StartSpan(place);
  m_endPlace = place + 1;
  if (m_fault || place < m_spanFirst || place >= m_spanEnd) return;
  if (m_page.empty()) m_pageFirst = place;
  m_page.push_back(sample);
  if (m_page.size() >= m_layout.SamplesPerPage()) DrawPage();
}

void StripRenderer::DrawPage() {
  ++m_pages;
  if (_cairo* context = m_surface.BeginPage()) {
    StripPage(m_layout, m_colors).Draw(context, m_header, m_pages, m_page, ClockAt(m_pageFirst), m_startTime.has_value());
  }
  m_fault = m_surface.EndPage();
  m_page.clear();
}

std::optional<std::string> StripRenderer::Finish() {
  if (!m_fault && !m_page.empty()) DrawPage();
  if (!m_fault && m_pages == 0) {
    m_fault = m_started ? "the span lies outside the recording, which runs from " + StripPage::ClockText(ClockAt(m_firstPlace)) +
                              " to " + StripPage::ClockText(ClockAt(m_endPlace))
                        : std::string("the recording holds no sample");
  }
  // Closing puts the files in place: only a strip without a fault.
  if (!m_fault) m_fault = m_surface.Close();
  if (m_fault) m_surface.Discard();
  return m_fault;
}
