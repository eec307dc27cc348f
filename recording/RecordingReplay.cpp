#include "recording/RecordingReplay.h"

#include "link/LinkClock.h"
#include "packet/PKParam_v110.h"
#include "recording/CtgTrace.h"
#include "recording/RecordingReader.h"

namespace {
// The last time stamp that four bytes hold, in samples.
constexpr std::uint64_t kMaxSamples = 0xFFFFFFFFull / CtgTrace::kSampleMilliseconds;
// The made-up monitor and patient whose link plays a recording.
constexpr std::uint32_t kReplayMonitor = 1;

bool SendSettings(const PacketSink& sink, std::optional<std::int64_t> startTime) {
  if (!MonitorSettings::SendAll(sink, kReplayMonitor)) return false;
  const std::optional<std::uint32_t> clock = startTime ? LinkClock::Held(*startTime) : std::nullopt;
  return !clock || LinkClock::Send(sink, *clock);
}

}  // namespace

RecordingReplay::RecordingReplay(RecordingReader& reader) : m_reader(reader) {}

std::optional<std::string> RecordingReplay::Run(const PacketSink& sink) {
  const std::uint64_t count = m_reader.SampleCount();
  if (count == 0) return std::string("the recording holds no samples");
  if (count > kMaxSamples) {
    return "the recording's " + std::to_string(count) + " samples last longer than the link's time stamps reach (" +
           std::to_string(kMaxSamples) + " samples, 49 days)";
  }
  if (!SendSettings(sink, m_reader.StartTime())) return std::nullopt;
  CtgTrace trace;
  PKParam_v110 numerics;
  TraceSample sample;
  bool more = true;
  while (more) {
    const std::uint64_t place = trace.EndSample();
    for (int i = 0; i < CtgTrace::kSamplesPerNumerics && (more = m_reader.Next(sample)); ++i) trace.Append(sample);
    if (trace.EndSample() == place) break;
    trace.FillNumerics(place, numerics);
    if (!MonitorSettings::Send(numerics, sink)) return std::nullopt;
    trace.DropBefore(trace.EndSample());
  }
  return m_reader.Fault();
}
