// Feeds arbitrary bytes as a captured monitor link through StreamFramer and LinkExport, in
// pieces of a size the input chooses, and checks the promises the framer makes to its sink:
//
//   - the events cover the stream from offset 0 to its end, each beginning where the one
//     before ended, the same whatever the size of the pieces;
//   - a Packet is a whole packet of its kind that ends in the kind's key; an Unknown event
//     naming a kind is that kind's header alone, with the packet it would have been, which
//     ends in another byte; other Unknown runs carry no bytes; a Truncated tail comes last and
//     is shorter than its kind;
//
// and those the exporter makes to the recording writer behind it:
//
//   - Begin comes once, before the first sample; Finish faults exactly when it never came;
//   - the recording has a start time only where the link carried a link clock (a patient
//     packet's date is a date of birth, never the recording's day);
//   - the places of the samples follow one another without a gap;
//   - SampleCount() is the number of samples written, and every value is a finite number;
//   - however garbled the link, it writes no more than a day of samples for each numerics
//     packet it could hold, so a garbled time stamp never runs away.
//
// Input: the first byte chooses the size of the pieces (1 to 256 bytes); the rest is the link.

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "link/LinkClock.h"
#include "link/StreamFramer.h"
#include "recording/CtgTrace.h"
#include "recording/LinkExport.h"
#include "recording/RecordingWriter.h"

namespace {

constexpr std::uint64_t kNumericsBytes = 108;
constexpr unsigned char kControlHeader = 0xA0;
constexpr std::uint64_t kDaySamples = 24 * 3600 * CtgTrace::kSamplesPerSecond;

void Require(bool holds, const char* promise) {
  if (!holds) {
    std::fprintf(stderr, "link_fuzzer: %s\n", promise);
    std::abort();
  }
}

// A writer that writes nothing and checks the order of the calls it gets.
class CheckingWriter final : public RecordingWriter {
 public:
  void Begin(std::optional<std::int64_t> startTime) override {
    Require(!m_begun, "Begin comes once");
    m_begun = true;
    m_dated = startTime.has_value();
  }
  void Write(std::uint64_t place, const TraceSample& sample) override {
    Require(m_begun, "Begin comes before the first sample");
    Require(!m_lastPlace || place == *m_lastPlace + 1, "places follow one another without a gap");
    for (const std::optional<float>& value : sample.values) {
      Require(!value || std::isfinite(*value), "every value is a finite number");
    }
    m_lastPlace = place;
    ++m_written;
  }
  std::optional<std::string> Finish() override { return std::nullopt; }

  bool Begun() const { return m_begun; }
  bool Dated() const { return m_dated; }
  std::uint64_t Written() const { return m_written; }

 private:
  bool m_begun = false;
  bool m_dated = false;
  std::optional<std::uint64_t> m_lastPlace;
  std::uint64_t m_written = 0;
};

// An event as far as two framings of the same stream must agree.
struct Seen {
  FrameEvent::Type type;
  std::uint64_t offset;
  std::uint64_t length;
  const PacketKind* kind;
  bool clockByte;  // a control packet that carries a byte of the link clock
  bool operator==(const Seen&) const = default;
};

void CheckEvent(const FrameEvent& event, const std::vector<Seen>& before, std::span<const unsigned char> link) {
  const std::uint64_t expected = before.empty() ? 0 : before.back().offset + before.back().length;
  Require(event.offset == expected && event.length > 0, "events follow one another without a gap");
  Require(before.empty() || before.back().type != FrameEvent::Type::Truncated, "the truncated tail comes last");
  Require(event.offset + event.length <= link.size(), "events lie within the stream");
  const bool named = event.kind != nullptr;
  const auto size = named ? static_cast<std::size_t>(event.kind->size) : 0;
  switch (event.type) {
    case FrameEvent::Type::Packet:
      Require(named && event.length == size && event.bytes.size() == size, "a packet is whole");
      Require(event.bytes.front() == event.kind->typeHeader && event.bytes.back() == event.kind->key,
              "a packet begins with its type header and ends in its key");
      break;
    case FrameEvent::Type::Unknown:
      Require(!named || (event.length == 1 && event.bytes.size() == size && event.bytes.back() != event.kind->key &&
                            event.bytes.front() == event.kind->typeHeader),
              "a header refused for its key is one byte, with its packet's wrong key");
      Require(named || event.bytes.empty(), "an unknown run carries no bytes");
      break;
    case FrameEvent::Type::Truncated:
      Require(named && event.length < size && event.bytes.size() == event.length &&
                  event.offset + event.length == link.size(),
              "a truncated tail is shorter than its packet and ends the stream");
      break;
  }
  for (std::size_t i = 0; i < event.bytes.size(); ++i) {
    Require(event.bytes[i] == link[event.offset + i], "an event's bytes are the stream's");
  }
}

std::vector<Seen> Frame(std::span<const unsigned char> link, std::size_t piece) {
  std::vector<Seen> events;
  StreamFramer framer([&](const FrameEvent& event) {
    CheckEvent(event, events, link);
    const bool control = event.type == FrameEvent::Type::Packet && event.kind->typeHeader == kControlHeader;
    const int command = control ? event.bytes[1] - LinkClock::kFirstCommand : -1;
    const bool clockByte = command >= 0 && command < 4;
    events.push_back({event.type, event.offset, event.length, event.kind, clockByte});
  });
  for (std::size_t pos = 0; pos < link.size(); pos += piece) {
    framer.Feed(link.subspan(pos, std::min(piece, link.size() - pos)));
  }
  framer.Finish();
  const std::uint64_t end = events.empty() ? 0 : events.back().offset + events.back().length;
  Require(end == link.size(), "the events cover the whole stream");
  return events;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const std::size_t piece = data[0] + 1u;
  const std::span<const unsigned char> link(data + 1, size - 1);
  const std::vector<Seen> events = Frame(link, piece);
  Require(events == Frame(link, link.size() + 1), "framing does not depend on the pieces");
  CheckingWriter writer;
  LinkExport exporter(writer);
  for (std::size_t pos = 0; pos < link.size(); pos += piece) {
    exporter.Feed(link.subspan(pos, std::min(piece, link.size() - pos)));
  }
  const std::optional<std::string> fault = exporter.Finish();
  Require(fault.has_value() != writer.Begun(), "Finish faults exactly when no numerics packet began the recording");
  Require(exporter.SampleCount() == writer.Written(), "SampleCount() is the number of samples written");
  Require(!writer.Dated() || std::any_of(events.begin(), events.end(), [](const Seen& seen) { return seen.clockByte; }),
          "a start time comes only from a link clock");
  Require(writer.Written() <= (link.size() / kNumericsBytes) * (kDaySamples + CtgTrace::kSamplesPerNumerics),
          "no more than a day of samples for each numerics packet");
  exporter.Remarks();
  return 0;
}
