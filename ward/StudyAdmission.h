#pragma once

#include <chrono>
#include <ctime>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "registry/AnnouncedPatient.h"

class StationDatabase;
class StudyRecording;

// Admitting a patient a monitor announced, on the database's thread (it may wait on the
// database and the disk): the patient is admitted, and her study is the one she was recorded
// in until a moment ago (a lost link, a restart of the station) or a new one, its recording
// open.
//
// The study that goes on is chosen by an instant, never by local start times, which repeat
// after the clock falls back: of her recent studies, the one whose recording was written last.
// It goes on only when that was within the reconnection window, no bed holds it, and it was
// recorded from the same monitor; otherwise a new study begins, in the first second from now
// that neither the database nor the disk holds for her.
class StudyAdmission {
 public:
  using StudyKey = std::pair<std::string, std::string>;  // patient, study

  struct Order {
    AnnouncedPatient patient;
    std::string monitor;  // the monitor's address
    std::string dataFolder;
    std::chrono::seconds reconnectWindow{0};
    bool mayContinue = true;
    std::set<StudyKey> inUse;  // studies the beds hold
  };
  struct Result {
    std::shared_ptr<StudyRecording> study;  // nullptr: the admission failed
    bool continues = false;
    std::vector<std::string> notes;  // what the bed's event log should tell
    std::string fault;
  };

  static Result Run(StationDatabase& database, const Order& order, std::time_t now);
  // The start of a study whose identifier is its local start second "YYYYMMDDHHMMSS" (of two
  // such seconds, which a fall-back of the clock repeats, as mktime reads it), or nullopt.
  static std::optional<std::time_t> StartOf(const std::string& studyId);
};
