#pragma once

#include <chrono>
#include <optional>
#include <string>

// What an ADT message tells the station about one patient, in plain terms and in the station's
// code page (GetACP), ready for the patient table: the identifier at most 30 bytes (P_ID), each
// name at most 30 bytes (P_LAST_NAME, P_FIRST_NAME). A value the message left empty, or sent as
// the HL7 null "", is not given (nullopt): the ward keeps what it has.
struct AdmissionRecord {
  enum class Event {
    Admit,     // ADT^A01: admitted to a bed of the ward
    Register,  // ADT^A04: registered, not (yet) in a bed
    Update,    // ADT^A08: her information changed
    Discharge  // ADT^A03: she left
  };

  Event event = Event::Admit;
  std::string controlId;  // MSH-10 of the message, for the ward's event log
  std::string patientId;  // PID-3: the repetition whose type (CX.5) is "MR", else the first
  std::optional<std::string> familyName;                 // PID-5.1 of the legal name ("L"), else the first
  std::optional<std::string> givenName;                  // PID-5.2 of the same name
  std::optional<std::chrono::year_month_day> birthDate;  // PID-7, the day
  std::optional<int> bed;  // PV1-3.3 where it is the number of one of the station's beds (1 …)
};
