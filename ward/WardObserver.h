#pragma once

#include <chrono>
#include <memory>
#include <string>

class BedSession;
class PKParam_v110;
class StudyRecording;
struct AnnouncedPatient;
struct BedRow;

// What the station engine tells the ward beyond its screen (StationWard: the web side, the
// hospital's interfaces, the alarms, the station's event log) as it happens. The engine calls
// these on the loop's thread, at the few places where a bed changes; they return at once.
class WardObserver {
 public:
  using Instant = std::chrono::system_clock::time_point;

  virtual ~WardObserver() = default;

  // An event the station told (as StationEngine::Callbacks::onEvent hears it).
  virtual void EventTold(const std::string& text) = 0;
  // Bed `row.bed`'s link, patient or study changed; `row` is the bed as it is now.
  virtual void BedChanged(const BedRow& row) = 0;
  // A numerics packet came on `session`'s link at `arrival`; `row` shows its values already.
  virtual void NumericsArrived(const BedRow& row, const BedSession& session, PKParam_v110& numerics,
                               Instant arrival) = 0;
  // The monitor at bed `bed` (1 …) announced `patient`, who is admitted as she stands after the
  // call (the ward may name the patient the hospital placed in the bed).
  virtual void PatientAnnounced(int bed, AnnouncedPatient& patient) = 0;
  // Bed `bed`'s study opened, new or going on from an earlier link (`continues`).
  virtual void StudyOpened(int bed, const std::shared_ptr<StudyRecording>& study, bool continues) = 0;
  // Bed `bed`'s study closed: for good, or (`forGood` false) because the station stops, after
  // which it may go on.
  virtual void StudyClosed(int bed, const std::shared_ptr<StudyRecording>& study, bool forGood) = 0;
};
