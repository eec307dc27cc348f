#pragma once

#include <functional>
#include <optional>
#include <string>

#include "hospital/AdmissionRecord.h"

// What the station's ward does with the admissions the hospital sends; the ward implements it.
//
// AdtListener calls these on the event loop, one message at a time per connection. The ward
// does its database work beside the loop and calls `done` on the loop when it is finished:
// nullopt when the record is taken (committed), or the reason it could not be, which the
// hospital then reads in its acknowledgement (AE) and may send again. `done` is called exactly
// once; a ward that is being stopped may call it with a reason.
class HospitalWard {
 public:
  using Done = std::function<void(std::optional<std::string> fault)>;

  virtual ~HospitalWard() = default;

  // ADT^A01 and ADT^A04 (record.event tells which): the patient admitted or registered, placed
  // in record.bed when it names one.
  virtual void Admit(const AdmissionRecord& record, Done done) = 0;
  // ADT^A08: the given values replace the patient's.
  virtual void Update(const AdmissionRecord& record, Done done) = 0;
  // ADT^A03: the patient left; her bed (if any) is free.
  virtual void Discharge(const AdmissionRecord& record, Done done) = 0;
};
