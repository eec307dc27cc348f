#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "web/AuditEntry.h"
#include "web/BedTrace.h"
#include "web/BedView.h"
#include "web/MonitoredPatient.h"
#include "web/ServiceResult.h"
#include "web/WardAlarm.h"

// Everything the ward's web side (WardServer) asks of the ward; the station implements it.
//
// The server calls these on the thread that runs the loop, and none of them may block it:
// what needs the database, the disk or the strip's renderer is started and answered later
// through `done`, which the ward calls exactly once, on the loop's thread (it posts the answer
// back to the loop), possibly before the call returns. The server posts every answer on once
// more before it acts on it, so an answer given at once is no re-entrance.
//
// Bed numbers are 1 ... the number of beds; instants are UTC. Texts a person reads (alarm
// texts, refusals) are in the station language.
class WardService {
 public:
  using Instant = std::chrono::system_clock::time_point;
  template <class T>
  using Reply = std::function<void(ServiceResult<T>)>;

  enum class LoginCheck { Accepted, Refused, Unavailable };

  virtual ~WardService() = default;

  // Every bed as it is now, by bed number. Answered at once from what the loop holds.
  virtual std::vector<BedView> Beds() = 0;

  // Whether `password` is user `user`'s. Refused alike for an unknown user and a wrong
  // password, in about the same time (the server never tells them apart either); Unavailable
  // when the users cannot be read now (the database is away).
  virtual void CheckLogin(const std::string& user, const std::string& password,
                          std::function<void(LoginCheck)> done) = 0;

  // Bed `bed`'s trace from `from` to `to` (the samples recorded there with their gaps, and the
  // alarms overlapping the span). Samples may begin later and end earlier than the span; a bed
  // without a recording there answers Done with no samples, an unknown bed NotFound.
  virtual void Trace(int bed, Instant from, Instant to, Reply<BedTrace> done) = 0;

  // Bed `bed`'s CTG strip from `from` to `to` as a PDF document (its bytes).
  virtual void StripPdf(int bed, Instant from, Instant to, Reply<std::string> done) = 0;

  // The ward's alarm history, newest first: every bed's, or bed `bed`'s.
  virtual void Alarms(std::optional<int> bed, Reply<std::vector<WardAlarm>> done) = 0;

  // `user` acknowledges alarm `alarm`: the alarm as it stands afterwards (one acknowledged
  // before keeps who acknowledged it first), NotFound for an unknown alarm. The ward tells the
  // server of the change itself (WardServer::AlarmChanged), as of any other.
  virtual void Acknowledge(std::uint64_t alarm, const std::string& user, Reply<WardAlarm> done) = 0;

  // The patient bed `bed` monitors, with her record's version; NotFound for a free bed.
  virtual void Patient(int bed, Reply<MonitoredPatient> done) = 0;

  // `user` corrects the patient bed `bed` monitors to `corrected`, made from the record of
  // version `corrected.version`: the record as stored afterwards (with its new version);
  // Conflict with the current record when it has changed since that version; Invalid with the
  // reason when a value cannot be stored (too long, not allowed); NotFound for a free bed.
  virtual void CorrectPatient(int bed, const MonitoredPatient& corrected, const std::string& user,
                              Reply<MonitoredPatient> done) = 0;

  // Writes `entry` to the station's event log. Must not block: the ward queues the line.
  virtual void Audit(const AuditEntry& entry) = 0;

  // Keeps the server's login sessions (`saved`, as LoginSessions::Saved writes them) where
  // the station's next start finds them (KeptLogins), so that a restart logs no one out. Must
  // not block: the ward writes them beside the loop, the latest last. A ward that keeps
  // nothing (these defaults) ends every login with the server.
  virtual void KeepLogins(std::string /*saved*/) {}
  // What the previous run kept; asked once, as the server starts. Empty when nothing.
  virtual std::string KeptLogins() { return {}; }
};
