#pragma once

#include <variant>

#include "hospital/AdmissionRecord.h"
#include "hospital/HospitalApi.h"
#include "hospital/Hl7Ack.h"
#include "platform/windef.h"

class Hl7Message;

// Reads an ADT message into an AdmissionRecord, or says why the station cannot take it.
//
// Taken: ADT^A01 (admit), ADT^A04 (register), ADT^A08 (update) and ADT^A03 (discharge), of HL7
// version 2.x, the event in MSH-9.2 (or EVN-1). Refused with AR: another message type or event,
// another version, no control ID (MSH-10) or one over 199 bytes. Refused with AE: no PID, no
// patient identifier (PID-3), a birth date (PID-7) that is not a day, a character set (MSH-18)
// the station cannot read ("ASCII", "8859/1", "UNICODE UTF-8" and "KS X 1001" are read; none
// given reads as UTF-8, of which ASCII is a part), a text that its character set or the
// station's code page cannot hold, or one longer than the patient table holds (30 bytes).
// Nothing is shortened or guessed: what is taken is what was sent.
class VUDODA_HOSPITAL_API AdmissionReader {
 public:
  static constexpr std::size_t kMaxTextBytes = 30;
  static constexpr std::size_t kMaxControlIdBytes = 199;

  // `beds`: how many beds the station has, for PV1-3; `codePage`: the station's (GetACP()).
  static std::variant<AdmissionRecord, Hl7Ack::Refusal> Read(const Hl7Message& message, int beds, UINT codePage);
};
