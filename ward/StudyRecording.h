#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "ward/WardApi.h"

// The files of one study under the data folder: the bed's link, exactly the bytes it sent and
// nothing added (Studies/<patient>/<study>.link), and beside it the station's own events about
// it, one dated line each (<study>.events). Both are only ever appended to, so a study that
// continues after a link loss or a restart goes on in the same files. Written bytes reach the
// disk at each Sync; a crash loses at most what came after the last one.
//
// It also keeps the study's running figures, counted in quarter-second samples of the link's
// numerics: how long it is recorded (S_LENGTH) and how long neither FHR1 nor FHR2 had a value
// (S_LOSS).
class PKParam_v110;

class VUDODA_WARD_API StudyRecording {
 public:
  StudyRecording(std::string patientId, std::string studyId);
  ~StudyRecording();
  StudyRecording(const StudyRecording&) = delete;
  StudyRecording& operator=(const StudyRecording&) = delete;

  // Opens (creating where missing) the two files under `dataFolder`. The figures of a study
  // that continues start from what its link file holds. The fault, or nullopt.
  std::optional<std::string> Open(const std::string& dataFolder);
  // The path of the link file; the events file is the same with ".events" for ".link".
  static std::string LinkPath(const std::string& dataFolder, const std::string& patientId,
                              const std::string& studyId);
  // Seconds since the link file was last written, or nullopt when there is none.
  static std::optional<std::int64_t> SecondsSinceWritten(const std::string& dataFolder, const std::string& patientId,
                                                         const std::string& studyId);

  // Appends link bytes. Returns false once a write failed (see Fault()).
  bool Append(std::span<const unsigned char> bytes);
  // Appends "YYYY-MM-DD HH:MM:SS <text>" to the events file.
  void LogEvent(const std::string& text);
  // Puts what was appended on the disk.
  void Sync();

  // Counts a numerics packet of the link (see BedNumerics::LostSamples).
  void CountNumerics(PKParam_v110& numerics);
  long LengthSeconds() const;
  long LossSeconds() const;

  const std::string& PatientId() const { return m_patientId; }
  const std::string& StudyId() const { return m_studyId; }
  std::optional<std::string> Fault() const { return m_fault; }

 private:
  std::string m_patientId;
  std::string m_studyId;
  int m_link = -1;
  int m_events = -1;
  std::uint64_t m_samples = 0;
  std::uint64_t m_lostSamples = 0;
  std::optional<std::string> m_fault;

  void CountRecorded(const std::string& linkPath);
};
