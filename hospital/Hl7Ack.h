#pragma once

#include <optional>
#include <string>

#include "hospital/HospitalApi.h"
#include "hospital/Hl7Message.h"

// The acknowledgement of an HL7 v2 message in original mode (ACK: MSH, MSA and, for a message
// not taken, ERR).
//
// MSA-1 is the answer: AA the message was taken; AE it could not be taken as it stands (a
// missing or wrong value, or the receiver's own trouble) and may be sent again once corrected;
// AR it is of a kind, version or shape the receiver never takes. MSA-2 repeats the message's
// control ID (MSH-10), MSA-3 says why in words. ERR names the place (ERR-2: segment, sequence,
// field), the code of HL7 table 0357 (ERR-3), the severity (ERR-4: E) and the words again
// (ERR-8).
class VUDODA_HOSPITAL_API Hl7Ack {
 public:
  // Why a message is not taken.
  struct Refusal {
    std::string code;      // "AE" or "AR"
    int error = 207;       // HL7 table 0357: 100 segment sequence, 101 required field missing,
                           // 102 data type, 103 table value not found, 200 message type,
                           // 201 event code, 203 version, 207 application internal error
    std::string segment;   // where: "PID"; empty when no one place is at fault
    int field = 0;         // and its field, 0 for the whole segment
    std::string text;      // the reason, for MSA-3 and ERR-8
  };

  // What an ACK says.
  struct Reply {
    std::string code;       // MSA-1: AA, AE, AR (or CA, CE, CR in enhanced mode)
    std::string controlId;  // MSA-2
    std::string text;       // MSA-3, else ERR-8
  };

  // The ACK of `received` (null when it could not be read at all) with control ID `controlId`,
  // sent at `now`: AA without `refusal`, else its code and reason. Sender and receiver of the
  // received message change places; its event, processing ID, version and character set are
  // kept.
  static Hl7Message Answer(const Hl7Message* received, const std::optional<Refusal>& refusal,
                           const std::string& controlId, const std::string& now);
  // The reply an ACK carries, or nullopt with the fault when `message` is not an ACK.
  static std::optional<Reply> Read(const Hl7Message& message, std::string& fault);
  // The words HL7 table 0357 gives `error`.
  static const char* ErrorText(int error);
};
