#pragma once

#include <chrono>
#include <optional>
#include <string>

#include "hospital/Hl7Message.h"
#include "hospital/HospitalApi.h"
#include "hospital/ObservationReport.h"

// Builds the ORU^R01 message (HL7 v2.6) that reports a bed's observations, shaped after the
// device-observation profile of IHE PCD (PCD-01): MSH, PID, PV1, one OBR for the interval
// (OBR-7 and OBR-8 its start and end) and one OBX per value and per standing alarm.
//
// Values are NM observations with their UCUM unit (OBX-6), their instant (OBX-14, UTC with its
// offset) and result status R (unverified device data):
//   FHR1  55283-6  Fetal Heart rate  (LOINC)  sub-ID 1.1.1.1  /min
//   FHR2  55283-6  Fetal Heart rate  (LOINC)  sub-ID 1.1.2.1  /min
//   MHR   8867-4   Heart rate        (LOINC, the patient being the mother)  sub-ID 1.2.1.1  /min
//   UC    VDA-UC   Uterine activity by tocodynamometer (local 99VDA: LOINC has no term for the
//                  toco transducer's relative level)  sub-ID 1.3.1.1  {toco}
// Each alarm is a CWE observation VDA-ALARM (local) with sub-ID 1.0.0.n, valued
// "<parameter>-<status>^<parameter>: <text>^99VDA", its start in OBX-14 and its priority in
// OBX-8 as IHE PCD writes it: PH high, PM medium, PL low, PN none given.
//
// Texts go from the station's code page into UTF-8 (MSH-18 "UNICODE UTF-8"). MSH-10 is left for
// the sender to fill (HospitalSender does).
class VUDODA_HOSPITAL_API OruBuilder {
 public:
  struct Parties {
    std::string sendingApplication = "VUDODA";
    std::string sendingFacility;
    std::string receivingApplication;
    std::string receivingFacility;
  };

  explicit OruBuilder(Parties parties) : m_parties(std::move(parties)) {}

  // The message of `report`, sent at `now`; nullopt with the fault for a channel the message
  // does not carry, a value that is not a number, or a text the station's code page does not
  // hold.
  std::optional<Hl7Message> Build(const ObservationReport& report, std::chrono::system_clock::time_point now,
                                  std::string& fault) const;

 private:
  Parties m_parties;
};
