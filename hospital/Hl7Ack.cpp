#include "hospital/Hl7Ack.h"

namespace {

void SetUnlessEmpty(Hl7Segment& segment, std::size_t field, const std::string& value, const std::string& otherwise) {
  segment.Set(field, value.empty() ? otherwise : value);
}

}  // namespace

const char* Hl7Ack::ErrorText(int error) {
  switch (error) {
    case 0: return "Message accepted";
    case 100: return "Segment sequence error";
    case 101: return "Required field missing";
    case 102: return "Data type error";
    case 103: return "Table value not found";
    case 200: return "Unsupported message type";
    case 201: return "Unsupported event code";
    case 202: return "Unsupported processing id";
    case 203: return "Unsupported version id";
    case 204: return "Unknown key identifier";
    case 205: return "Duplicate key identifier";
    case 206: return "Application record locked";
    default: return "Application internal error";
  }
}

Hl7Message Hl7Ack::Answer(const Hl7Message* received, const std::optional<Refusal>& refusal,
                          const std::string& controlId, const std::string& now) {
  static const Hl7Message kNothingRead;
  const Hl7Segment& theirs = (received ? *received : kNothingRead).Header();
  Hl7Message ack;
  Hl7Segment& header = ack.Header();
  SetUnlessEmpty(header, 3, theirs.Value(5), "VUDODA");
  header.MutableField(4) = theirs.Field(6);
  header.MutableField(5) = theirs.Field(3);
  header.MutableField(6) = theirs.Field(4);
  header.Set(7, now);
  header.Set(9, "ACK");
  header.Set(9, theirs.Value(9, 2), 2);
  header.Set(9, "ACK", 3);
  header.Set(10, controlId);
  SetUnlessEmpty(header, 11, theirs.Value(11), "P");
  SetUnlessEmpty(header, 12, theirs.Value(12), "2.6");
  header.MutableField(18) = theirs.Field(18);

  Hl7Segment& msa = ack.Add("MSA");
  msa.Set(1, refusal ? refusal->code : "AA");
  msa.Set(2, theirs.Value(10));
  if (!refusal) return ack;
  msa.Set(3, refusal->text);
  Hl7Segment& err = ack.Add("ERR");
  if (!refusal->segment.empty()) {
    err.Set(2, refusal->segment, 1);
    err.Set(2, "1", 2);
    if (refusal->field > 0) err.Set(2, std::to_string(refusal->field), 3);
  }
  err.Set(3, std::to_string(refusal->error), 1);
  err.Set(3, ErrorText(refusal->error), 2);
  err.Set(3, "HL70357", 3);
  err.Set(4, "E");
  err.Set(8, refusal->text);
  return ack;
}

std::optional<Hl7Ack::Reply> Hl7Ack::Read(const Hl7Message& message, std::string& fault) {
  const Hl7Segment* msa = message.Find("MSA");
  if (!msa || msa->Value(1).empty()) {
    fault = "the answer holds no MSA-1 (acknowledgement code)";
    return std::nullopt;
  }
  Reply reply{msa->Value(1), msa->Value(2), msa->Value(3)};
  if (reply.text.empty()) reply.text = message.Value("ERR", 8);
  return reply;
}
