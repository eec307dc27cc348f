#pragma once

#include <cstdint>
#include <ctime>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "ward/AppendOnlyFile.h"
#include "ward/WardApi.h"

// The files of one study under the data folder: the bed's link, exactly the bytes it sent and
// nothing added (Studies/<patient>/<study>.link, named as RecordingName says), and beside it the
// station's own events about it (<study>.events). Studies/ and the patients' folders are the
// station user's alone (0700), the files too (0600).
//
// The events file begins with the study's owner line, `study "<study>" of patient "<patient>"
// from monitor "<address>"`, then one line per event, stamped with local time and its UTC
// offset. A recording is created exclusively (never a file that is there already) and its
// folder entries are synced at once, so that a new study survives a power loss; it is only
// continued when its owner line names the same study and monitor. Both files are only ever
// appended to, so a study that continues after a link loss or a restart goes on in the same
// files.
//
// The link's pieces wait in memory and are written together, by Flush (the station's write
// interval) or when kBufferLimit bytes wait, so that a monitor's packets cost one write between
// them rather than one each; an event is written at once. A process that is killed loses what
// waits, never what is written: the figures, and whatever tells that a piece is recorded, count
// only what the link file holds. Written bytes reach the disk at each sync (TakeUnsynced,
// SyncJob); a power loss loses at most what came after the last one.
//
// A write that fails (a full disk) leaves the link file as it was: the link waits in memory, up
// to kKeepLimit bytes, about an hour of a monitor's link, and Flush writes it when the disk
// takes it again; beyond that the newest packets are not recorded. TakeChange tells of both the
// fault and the recovery.
//
// The study's running figures count what the link file holds, in quarter-second samples of its
// numerics: how long it is recorded (S_LENGTH) and how long neither FHR1 nor FHR2 had a value
// (S_LOSS). A study that continues counts them from its file first.
class VUDODA_WARD_API StudyRecording {
 public:
  // A numerics packet's quarter-second samples, and how many of them have no fetal heart rate.
  struct Samples {
    int count = 0;
    int lost = 0;
  };
  enum class Opening { New, Continued };
  // Why a recording cannot be opened.
  struct OpenFault {
    enum class Kind {
      Exists,        // New: a file of that name is there already
      Foreign,       // Continued: no recording of this study (missing, another's, without owner line)
      OtherMonitor,  // Continued: the study was recorded from another monitor
      Failed,        // the disk refused
    };
    Kind kind;
    std::string text;
  };
  // The figures of a recording as it is on disk.
  struct Figures {
    long lengthSeconds = 0;
    long lossSeconds = 0;
  };

  // Link bytes that wait in memory while the disk refuses them.
  static constexpr std::size_t kKeepLimit = 4 * 1024 * 1024;
  // Link bytes that wait for the next Flush at most; more are written at once (about 13 s of a
  // monitor's link, so that at its pace only Flush writes).
  static constexpr std::size_t kBufferLimit = 16 * 1024;

  StudyRecording(std::string patientId, std::string studyId);
  ~StudyRecording();
  StudyRecording(const StudyRecording&) = delete;
  StudyRecording& operator=(const StudyRecording&) = delete;

  // Opens the study's files under `dataFolder` for its monitor at `monitor` (an address): a
  // new recording, or one that continues. The fault, or nullopt.
  std::optional<OpenFault> Open(const std::string& dataFolder, Opening opening, const std::string& monitor);
  // The path of the link file; the events file is the same with ".events" for ".link".
  static std::string LinkPath(const std::string& dataFolder, const std::string& patientId,
                              const std::string& studyId);
  // When the link file was last written (an instant), or nullopt when there is none.
  static std::optional<std::time_t> LastWritten(const std::string& dataFolder, const std::string& patientId,
                                                const std::string& studyId);
  // The figures of the study's recording counted from its link file, or nullopt when there is
  // no recording of this study.
  static std::optional<Figures> Count(const std::string& dataFolder, const std::string& patientId,
                                      const std::string& studyId);

  // Appends a piece of the link; `samples` when it is a numerics packet. It waits in memory
  // until the next Flush (or until kBufferLimit bytes wait).
  void Append(std::span<const unsigned char> bytes, Samples samples);
  void Append(std::span<const unsigned char> bytes) { Append(bytes, Samples{}); }
  // Writes what waits in memory: the buffered link, or what waits since a write failed.
  void Flush();
  bool Failing() const { return m_link.Failing(); }
  // Link bytes that are not in the file: waiting in memory, or not recorded at all.
  std::uint64_t Unwritten() const;
  // What changed since the last call: the disk refused the link, or takes it again (with what
  // waited and what was lost meanwhile). Each change is told once.
  std::optional<std::string> TakeChange();
  // Appends "<StampText> <text>" to the events file.
  void LogEvent(const std::string& text, std::time_t instant = std::time(nullptr));
  // A job that puts what was written so far on the disk, for a thread beside the loop; it
  // returns the fault, or nullopt. It holds the files open while it runs.
  std::function<std::optional<std::string>()> SyncJob() const;
  // The descriptors of the files written since the last call, for a sync beside the loop that
  // holds them open while it runs (Sync); none when nothing was written.
  std::vector<std::shared_ptr<const int>> TakeUnsynced();
  // Puts the study's `files` on the disk; the fault, or nullopt.
  static std::optional<std::string> Sync(const std::string& studyId, const std::vector<std::shared_ptr<const int>>& files);

  long LengthSeconds() const;
  long LossSeconds() const;

  const std::string& PatientId() const { return m_patientId; }
  const std::string& StudyId() const { return m_studyId; }

 private:
  std::optional<OpenFault> OpenNew(const std::string& linkPath, const std::string& ownerLine);
  std::optional<OpenFault> OpenExisting(const std::string& linkPath, const std::string& monitor);
  void CountIn(const Samples& samples);
  void CountWritten();
  void CountRecorded(const std::string& linkPath);

  std::string m_patientId;
  std::string m_studyId;
  AppendOnlyFile m_link;
  AppendOnlyFile m_events;
  std::deque<Samples> m_waitingSamples;  // of the pieces waiting in memory, in order
  std::uint64_t m_countedPieces = 0;     // of the link file's pieces, those counted in
  std::uint64_t m_samples = 0;
  std::uint64_t m_lostSamples = 0;
  bool m_toldFailing = false;
};
