// Feeds arbitrary bytes as an MLLP stream from the hospital, in pieces of a size the input
// chooses, and hands every frame to the HL7 reader as the ADT listener does; the whole input is
// also read as one message. It checks the promises the hospital side makes:
//
//   - the framer never holds more than one frame's worth (2 MiB) and, once at fault, takes
//     nothing more;
//   - a message that parses is written again (Serialise) into text that parses to the same
//     text: escaping and splitting agree, whatever the delimiters;
//   - the admission reader and the acknowledgement take any parsed message without a crash,
//     and the ACK of any message parses and names its control ID.
//
// Input: the first byte chooses the size of the pieces (1 to 256 bytes); the rest is the stream.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "hospital/AdmissionReader.h"
#include "hospital/Hl7Ack.h"
#include "hospital/Hl7Message.h"
#include "hospital/MllpFramer.h"
#include "platform/CodePage.h"

namespace {

void Require(bool holds, const char* promise) {
  if (!holds) {
    std::fprintf(stderr, "hl7_fuzzer: %s\n", promise);
    std::abort();
  }
}

void CheckMessage(std::string_view text) {
  std::string fault;
  const std::optional<Hl7Message> message = Hl7Message::Parse(text, fault);
  if (!message) {
    Require(!fault.empty(), "a refused message has a reason");
    return;
  }
  const std::string written = message->Serialise();
  if (written.size() <= Hl7Message::kMaxBytes) {
    const std::optional<Hl7Message> again = Hl7Message::Parse(written, fault);
    Require(again.has_value(), "what Serialise writes parses");
    Require(again->Serialise() == written, "what Serialise writes parses to the same text");
  }
  AdmissionReader::Read(*message, 64, CP_UTF8);
  const std::optional<Hl7Message> ack =
      Hl7Message::Parse(Hl7Ack::Answer(&*message, std::nullopt, "ACK1", "20260101000000+0000").Serialise(), fault);
  Require(ack.has_value(), "an acknowledgement parses");
  const std::optional<Hl7Ack::Reply> reply = Hl7Ack::Read(*ack, fault);
  Require(reply && reply->code == "AA" && reply->controlId == message->Value("MSH", 10),
          "an acknowledgement names the message's control ID");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const std::size_t piece = static_cast<std::size_t>(data[0]) + 1;
  const std::string_view stream(reinterpret_cast<const char*>(data + 1), size - 1);
  CheckMessage(stream);

  MllpFramer framer;
  bool open = true;
  for (std::size_t at = 0; at < stream.size(); at += piece) {
    const bool taken = framer.Feed(stream.substr(at, piece));
    Require(framer.Pending() <= MllpFramer::kMaxFrameBytes, "the framer holds at most a frame");
    Require(open || !taken, "a framer at fault takes nothing more");
    open = open && taken;
    while (const std::optional<std::string> message = framer.Next()) CheckMessage(*message);
  }
  return 0;
}
