#include "hospital/AdmissionReader.h"

#include <charconv>

#include "hospital/Hl7Message.h"
#include "hospital/Hl7Time.h"
#include "platform/CodePage.h"

namespace {

using Refusal = Hl7Ack::Refusal;

constexpr UINT kAscii = 20127;  // our own mark: 7-bit text, readable in every code page

struct EventName {
  const char* code;
  AdmissionRecord::Event event;
};
constexpr EventName kEvents[] = {{"A01", AdmissionRecord::Event::Admit},
                                 {"A04", AdmissionRecord::Event::Register},
                                 {"A08", AdmissionRecord::Event::Update},
                                 {"A03", AdmissionRecord::Event::Discharge}};

// The code page of an MSH-18 character set (HL7 table 0211), or nullopt.
std::optional<UINT> CodePageOf(const std::string& charset) {
  if (charset.empty() || charset == "UNICODE UTF-8") return CP_UTF8;
  if (charset == "ASCII") return kAscii;
  if (charset == "8859/1") return 1252;  // the same characters, once 0x80-0x9F are refused
  if (charset == "KS X 1001") return 949;
  return std::nullopt;
}

bool HasControlCharacter(const std::string& text) {
  for (char c : text)
    if (static_cast<unsigned char>(c) < ' ' || c == 0x7F) return true;
  return false;
}

// Reads the message's texts into the station's code page.
class TextReader {
 public:
  TextReader(UINT from, UINT to) : m_from(from), m_to(to) {}

  // The text of `raw`, or the reason it cannot be taken (naming `place`).
  std::optional<std::string> Read(const std::string& raw, const char* place, std::string& fault) const {
    std::string text;
    if (!Convert(raw, text)) {
      fault = std::string(place) + " cannot be read in the message's character set or held in the station's code page";
      return std::nullopt;
    }
    if (HasControlCharacter(text)) {
      fault = std::string(place) + " holds a control character";
      return std::nullopt;
    }
    if (text.size() > AdmissionReader::kMaxTextBytes) {
      fault = std::string(place) + " has " + std::to_string(text.size()) + " bytes, more than the station's " +
              std::to_string(AdmissionReader::kMaxTextBytes);
      return std::nullopt;
    }
    return text;
  }

 private:
  bool Convert(const std::string& raw, std::string& text) const {
    if (m_from == kAscii) {
      for (char c : raw)
        if (static_cast<unsigned char>(c) >= 0x80) return false;
      text = raw;
      return true;
    }
    if (m_from == 1252) {
      for (char c : raw)
        if (static_cast<unsigned char>(c) >= 0x80 && static_cast<unsigned char>(c) <= 0x9F) return false;
    }
    return ConvertCodePage(m_from, m_to, raw, text);
  }

  UINT m_from;
  UINT m_to;
};

Refusal Error(int error, const char* segment, int field, std::string text) {
  return Refusal{"AE", error, segment, field, std::move(text)};
}

Refusal Reject(int error, const char* segment, int field, std::string text) {
  return Refusal{"AR", error, segment, field, std::move(text)};
}

// The envelope: message type, event, version, control ID. The event, or the refusal.
std::variant<AdmissionRecord::Event, Refusal> ReadEnvelope(const Hl7Message& message) {
  const std::string& type = message.Value("MSH", 9, 1);
  if (type != "ADT") return Reject(200, "MSH", 9, "message type '" + type.substr(0, 20) + "' is not taken: ADT only");
  std::string event = message.Value("MSH", 9, 2);
  if (event.empty()) event = message.Value("EVN", 1);
  const EventName* known = nullptr;
  for (const EventName& name : kEvents)
    if (event == name.code) known = &name;
  if (!known) {
    return Reject(201, "MSH", 9,
                  "event 'ADT^" + event.substr(0, 20) + "' is not taken: A01, A04, A08 and A03 are");
  }
  const std::string& version = message.Value("MSH", 12);
  if (!version.empty() && !version.starts_with("2.")) {
    return Reject(203, "MSH", 12, "version '" + version.substr(0, 20) + "' is not taken: HL7 2.x");
  }
  const std::string& controlId = message.Value("MSH", 10);
  if (controlId.empty()) return Reject(101, "MSH", 10, "MSH-10 (message control ID) is missing");
  if (controlId.size() > AdmissionReader::kMaxControlIdBytes) {
    return Reject(102, "MSH", 10, "MSH-10 (message control ID) is longer than 199 bytes");
  }
  return known->event;
}

// The repetition of PID-3 to take: the medical record number, else the first.
std::size_t IdentifierRepetition(const Hl7Field& identifiers) {
  for (std::size_t r = 0; r < identifiers.RepetitionCount(); ++r)
    if (identifiers.Value(5, 1, r) == "MR" && !identifiers.Value(1, 1, r).empty()) return r;
  return 0;
}

// The repetition of PID-5 to take: the legal name, else the first.
std::size_t NameRepetition(const Hl7Field& names) {
  for (std::size_t r = 0; r < names.RepetitionCount(); ++r)
    if (names.Value(7, 1, r) == "L") return r;
  return 0;
}

bool IsGiven(const std::string& value) { return !value.empty() && value != "\"\""; }

// An optional text: nullopt when not given, else its text or a refusal.
std::optional<Refusal> ReadOptional(const TextReader& reader, const std::string& raw, const char* place, int field,
                                    std::optional<std::string>& into) {
  if (!IsGiven(raw)) return std::nullopt;
  std::string fault;
  into = reader.Read(raw, place, fault);
  if (!into) return Error(102, "PID", field, fault);
  return std::nullopt;
}

std::optional<Refusal> ReadPatient(const Hl7Segment& pid, const TextReader& reader, AdmissionRecord& record) {
  const Hl7Field& identifiers = pid.Field(3);
  const std::string& id = identifiers.Value(1, 1, IdentifierRepetition(identifiers));
  if (!IsGiven(id)) return Error(101, "PID", 3, "PID-3 (patient identifier) is missing");
  std::string fault;
  const std::optional<std::string> patientId = reader.Read(id, "PID-3 (patient identifier)", fault);
  if (!patientId) return Error(102, "PID", 3, fault);
  record.patientId = *patientId;

  const Hl7Field& names = pid.Field(5);
  const std::size_t name = NameRepetition(names);
  if (auto refusal = ReadOptional(reader, names.Value(1, 1, name), "PID-5.1 (family name)", 5, record.familyName))
    return refusal;
  if (auto refusal = ReadOptional(reader, names.Value(2, 1, name), "PID-5.2 (given name)", 5, record.givenName))
    return refusal;

  const std::string& birth = pid.Value(7);
  if (IsGiven(birth)) {
    record.birthDate = Hl7Time::Date(birth, fault);
    if (!record.birthDate) return Error(102, "PID", 7, "PID-7 (birth date): " + fault);
  }
  return std::nullopt;
}

std::optional<int> BedOf(const std::string& text, int beds) {
  int bed = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), bed);
  if (error != std::errc() || end != text.data() + text.size() || bed < 1 || bed > beds) return std::nullopt;
  return bed;
}

}  // namespace

std::variant<AdmissionRecord, Hl7Ack::Refusal> AdmissionReader::Read(const Hl7Message& message, int beds,
                                                                     UINT codePage) {
  const auto envelope = ReadEnvelope(message);
  if (const Refusal* refusal = std::get_if<Refusal>(&envelope)) return *refusal;
  AdmissionRecord record;
  record.event = std::get<AdmissionRecord::Event>(envelope);
  record.controlId = message.Value("MSH", 10);

  const std::string& charset = message.Value("MSH", 18);
  const std::optional<UINT> from = CodePageOf(charset);
  if (!from) {
    return Error(103, "MSH", 18, "character set '" + charset.substr(0, 20) +
                                     "' is not read: ASCII, 8859/1, UNICODE UTF-8 or KS X 1001");
  }
  const Hl7Segment* pid = message.Find("PID");
  if (!pid) return Error(100, "PID", 0, "the message has no PID segment");
  if (auto refusal = ReadPatient(*pid, TextReader(*from, codePage), record)) return *refusal;

  if (const Hl7Segment* pv1 = message.Find("PV1")) record.bed = BedOf(pv1->Value(3, 3), beds);
  return record;
}
