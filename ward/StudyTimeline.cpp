#include "ward/StudyTimeline.h"

#include <cstdio>
#include <cstring>
#include <fstream>

#include "recording/CtgTrace.h"
#include "recording/LinkExport.h"
#include "recording/RecordingWriter.h"
#include "ward/StationLog.h"

namespace {

using Instant = StudyTimeline::Instant;

constexpr const char* kAnchorText = "link clock: time stamp 0 is ";
constexpr const char* kAnchorUnit = " ms UTC";
constexpr std::size_t kStampLength = 25;  // "2026-10-25 02:30:00 +0100"
constexpr std::int64_t kGridMs = StudyTimeline::kPeriod.count();
constexpr std::size_t kChunk = 64 * 1024;

std::int64_t Milliseconds(Instant time) {
  return std::chrono::duration_cast<std::chrono::milliseconds>(time.time_since_epoch()).count();
}

Instant FromMilliseconds(std::int64_t ms) { return Instant(std::chrono::milliseconds(ms)); }

// `ms` to the nearest multiple of the grid (half away from the past).
std::int64_t OnGrid(std::int64_t ms) {
  const std::int64_t shifted = ms + kGridMs / 2;
  return shifted - ((shifted % kGridMs) + kGridMs) % kGridMs;
}

// Takes the samples LinkExport writes, gives each its instant by the anchor of its link, and
// hands those in the span on.
class TimedWriter final : public RecordingWriter {
 public:
  TimedWriter(std::vector<Instant> anchors, Instant fallback, Instant from, Instant to,
              const StudyTimeline::Visit& visit)
      : m_anchors(std::move(anchors)), m_fallback(fallback), m_from(from), m_to(to), m_visit(visit) {}

  void Follow(const LinkExport& source) { m_source = &source; }
  bool Done() const { return m_done; }

  void Begin(std::optional<std::int64_t>) override {}
  void Write(std::uint64_t place, const TraceSample& sample) override {
    if (m_done) return;
    if (sample.Has(TraceSample::kLinkBegan)) ++m_link;
    const Instant time = StudyTimeline::At(Anchor(), place - m_source->LinkShift());
    if (m_last && time <= *m_last) return;  // an earlier link's time, already taken
    m_last = time;
    if (time < m_from) return;
    if (time >= m_to || !m_visit(time, sample)) m_done = true;
  }
  std::optional<std::string> Finish() override { return std::nullopt; }

 private:
  Instant Anchor() const {
    if (m_anchors.empty()) return m_fallback;
    return m_anchors[std::min(m_link, m_anchors.size() - 1)];
  }

  std::vector<Instant> m_anchors;
  Instant m_fallback;
  Instant m_from;
  Instant m_to;
  const StudyTimeline::Visit& m_visit;
  const LinkExport* m_source = nullptr;
  std::size_t m_link = 0;
  std::optional<Instant> m_last;
  bool m_done = false;
};

}  // namespace

Instant StudyTimeline::AnchorOf(Instant arrival, std::uint32_t timeStampMs) {
  constexpr auto covered = static_cast<std::int64_t>(CtgTrace::kSamplesPerNumerics * CtgTrace::kSampleMilliseconds);
  return FromMilliseconds(OnGrid(Milliseconds(arrival) - static_cast<std::int64_t>(timeStampMs) - covered));
}

std::string StudyTimeline::AnchorText(Instant anchor) {
  return kAnchorText + std::to_string(Milliseconds(anchor)) + kAnchorUnit;
}

std::string StudyTimeline::EventsPathOf(const std::string& linkPath) {
  constexpr std::string_view kLink = ".link";
  const std::string_view path(linkPath);
  return std::string(path.ends_with(kLink) ? path.substr(0, path.size() - kLink.size()) : path) + ".events";
}

std::vector<Instant> StudyTimeline::Anchors(const std::string& eventsPath) {
  std::vector<Instant> anchors;
  std::ifstream in(eventsPath, std::ios::binary);
  const std::size_t textAt = kStampLength + 1;
  for (std::string line; std::getline(in, line);) {
    if (in.eof()) break;  // a line still being written
    if (line.size() <= textAt || line.compare(textAt, std::strlen(kAnchorText), kAnchorText) != 0 ||
        !StationLog::StampTime(line.substr(0, kStampLength))) {
      continue;
    }
    long long ms = 0;
    int used = 0;
    const std::string value = line.substr(textAt + std::strlen(kAnchorText));
    if (std::sscanf(value.c_str(), "%lld%n", &ms, &used) == 1 && value.substr(static_cast<std::size_t>(used)) == kAnchorUnit) {
      anchors.push_back(FromMilliseconds(ms));
    }
  }
  return anchors;
}

std::optional<std::string> StudyTimeline::Walk(const std::string& linkPath, Instant fallback, Instant from, Instant to,
                                               const Visit& visit) {
  std::ifstream in(linkPath, std::ios::binary);
  if (!in) return "cannot open the recording " + linkPath + ": " + std::strerror(errno);
  TimedWriter writer(Anchors(EventsPathOf(linkPath)), fallback, from, to, visit);
  LinkExport source(writer);
  writer.Follow(source);
  std::vector<unsigned char> chunk(kChunk);
  while (!writer.Done() && (in.read(reinterpret_cast<char*>(chunk.data()), static_cast<std::streamsize>(chunk.size())) ||
                            in.gcount() > 0)) {
    source.Feed(std::span(chunk).first(static_cast<std::size_t>(in.gcount())));
  }
  if (in.bad()) return "cannot read the recording " + linkPath;
  source.Finish();  // a recording without numerics simply has no samples
  return std::nullopt;
}

std::optional<std::string> StudyTimeline::Read(const std::string& linkPath, Instant fallback, Instant from, Instant to,
                                               TraceBatch& batch) {
  batch = TraceBatch{};
  bool started = false;
  return Walk(linkPath, fallback, from, to, [&](Instant time, const TraceSample& sample) {
    if (!started) {
      batch.start = time;
      started = true;
    }
    while (batch.End() < time) batch.samples.emplace_back();
    batch.samples.push_back(sample);
    return true;
  });
}
