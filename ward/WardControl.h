#pragma once

#include <memory>
#include <string>

class StudyRecording;
struct BedRow;

// What the ward's sides (StationWard) may ask of the station engine, on the loop's thread.
class WardControl {
 public:
  virtual ~WardControl() = default;

  // The number of beds, and bed `bed`'s row (1 … Beds()).
  virtual int Beds() const = 0;
  virtual const BedRow& Row(int bed) const = 0;
  // Bed `bed`'s open study, or nullptr.
  virtual std::shared_ptr<StudyRecording> Study(int bed) const = 0;
  // The patient of bed `bed` left (the hospital discharged her): her study ends for good with
  // `why`, the bed's monitor link is closed and the bed is free.
  virtual void Discharge(int bed, const std::string& why) = 0;
  // Tells an event: on the screen and in the station's event log, and with a bed in its
  // study's event log too.
  virtual void Tell(const std::string& text) = 0;
  virtual void Tell(int bed, const std::string& text) = 0;
};
