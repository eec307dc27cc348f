#pragma once

#include <array>
#include <boost/asio/steady_timer.hpp>
#include <chrono>
#include <ctime>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "hospital/ObservationReport.h"
#include "ward/BedRow.h"
#include "ward/LoopWorker.h"
#include "ward/StationLog.h"
#include "ward/StationOptions.h"
#include "ward/WardAlarms.h"
#include "ward/WardObserver.h"
#include "ward/WardPatients.h"
#include "web/BedView.h"
#include "web/MonitoredPatient.h"
#include "web/TraceBatch.h"

class OffloadWorker;
class WardControl;
class WardHospital;
class WardWeb;

// The ward around the station engine, on its event loop: what the engine tells of its beds (see
// WardObserver) becomes the live stream of the web side (WardWeb: every numerics packet's
// samples with their instants, each bed's view), the ward's alarms (WardAlarms) and the
// observations and admissions of the hospital's interfaces (WardHospital); every event, audit
// line and alarm goes to the station's event log (StationLog).
//
// Each sample has one instant (StudyTimeline): a bed's link is anchored to the station's clock
// by its first numerics packet, the anchor written to the study's events file, so that a trace
// read back from the recording gives each sample the instant it had live. A bed whose link
// falls silent or is lost has a communication failure; its monitor's alarms end with the link.
//
// Work that waits (the ward's database connection, the recordings read back and drawn, the
// EMR folder, the hospital's queue and the log's syncs) runs on threads beside the loop, each
// answered on the loop. Stop ends the web side and the interfaces, clears the alarms (logged)
// and syncs the log; the engine closes its studies after it.
class StationWard : public WardObserver {
 public:
  StationWard(boost::asio::io_context& loop, const StationOptions& options, WardControl& control);
  ~StationWard() override;
  StationWard(const StationWard&) = delete;
  StationWard& operator=(const StationWard&) = delete;

  // Opens the station's event log and reads its alarm history, connects the ward's database
  // and starts the web side and the hospital's interfaces that the options ask for. The fault,
  // or nullopt.
  std::optional<std::string> Start();
  // See the class comment. Afterwards only events reach the log.
  void Stop();
  // What the screen's line tells of the ward beyond the beds ("web: 2 live streams, HL7: 3
  // messages wait"); empty when there is nothing to tell.
  std::string Status() const;
  // The port of the web side and of the admissions' listener (0 when off).
  int WebPort() const;
  int AdmissionsPort() const;

  // WardObserver
  void EventTold(const std::string& text) override;
  void BedChanged(const BedRow& row) override;
  void NumericsArrived(const BedRow& row, const BedSession& session, PKParam_v110& numerics,
                       Instant arrival) override;
  void PatientAnnounced(int bed, AnnouncedPatient& patient) override;
  void StudyOpened(int bed, const std::shared_ptr<StudyRecording>& study, bool continues) override;
  void StudyClosed(int bed, const std::shared_ptr<StudyRecording>& study, bool forGood) override;

  // ---- For the ward's web side and hospital side, on the loop's thread.

  WardControl& Control() { return m_control; }
  const StationOptions& Options() const { return m_options; }
  WardAlarms& Alarms() { return m_alarms; }
  StationLog& Log() { return m_log; }
  // Bed `bed`'s view, and every bed's.
  BedView View(int bed) const;
  std::vector<BedView> Views() const;
  // The patient bed `bed` holds: the one monitored, else the one the hospital placed there.
  std::optional<std::string> PatientAt(int bed) const;
  // The beds that show patient `patientId` (monitored or placed).
  std::vector<int> BedsOf(const std::string& patientId) const;
  // Tells the alarms' changes: to the logs (the bed's study's too), the web side and, unless
  // the caller shows them itself, the beds' views.
  void Report(const std::vector<WardAlarms::Change>& changes, bool showViews = true);
  // Patient `stored` as the database holds her now (an admission, a correction): the beds that
  // show her show her so.
  void PatientStored(const MonitoredPatient& stored);
  // The hospital placed patient `stored` in bed `bed` (nullopt: in no bed of the station).
  void Place(const MonitoredPatient& stored, std::optional<int> bed);
  // The hospital discharged patient `patientId`: no bed shows her any more.
  void Unplace(const std::string& patientId);
  // What bed `bed` reports to the hospital for [from, to): her values of the interval (the
  // newest of each channel, with its instant) and the alarms that stand; nullopt when the bed
  // monitors no one. Taking it starts the next interval's values.
  std::optional<ObservationReport> TakeReport(int bed, Instant from, Instant to);

  // Runs `job(patients)` on the ward's database thread and `done(result)` on the loop; false
  // (nothing runs) when too many jobs wait.
  template <class Job, class Done>
  bool OnDatabase(Job job, Done done) {
    return m_database.Post([this, job = std::move(job)]() mutable { return job(m_patients); }, std::move(done));
  }
  // Runs `job()` beside the loop where recordings are read back and drawn, and `done(result)`
  // on the loop; false when too many jobs wait. A strip for the EMR folder runs on a thread of
  // its own (OnArchive), so that a long study's does not hold up the web side's traces.
  template <class Job, class Done>
  bool OnRender(Job job, Done done) {
    return m_render.Post(std::move(job), std::move(done));
  }
  template <class Job, class Done>
  bool OnArchive(Job job, Done done) {
    return m_archive.Post(std::move(job), std::move(done));
  }
  // Runs `job()` on the thread that syncs the log, after what it was given before, and `done()`
  // on the loop; what is given before the ward ends still runs.
  void OnDisk(std::function<void()> job, std::function<void()> done);

 private:
  using Value = ObservationReport::Value;
  struct Bed {
    std::weak_ptr<const BedSession> session;  // the link whose anchor this is
    std::optional<Instant> anchor;            // its time stamp 0 on the station's clock
    std::shared_ptr<StudyRecording> study;    // the bed's open study
    std::weak_ptr<const BedSession> anchored;  // the link whose anchor the study's log holds last
    bool anchorWaits = false;                  // the link's numerics wait for the study to open
    bool studyHasSamples = false;
    std::weak_ptr<const BedSession> delivered;  // the link whose samples went out last
    std::optional<Instant> end;                 // after the last sample that went out
    std::array<std::optional<Value>, 4> latest;  // FHR1, FHR2, MHR, UC
    std::optional<MonitoredPatient> stored;      // the monitored patient as stored
    std::optional<MonitoredPatient> placed;      // placed here by the hospital
    BedRow::Link link = BedRow::Link::Free;
  };

  Bed& BedAt(int bed) { return m_beds.at(static_cast<std::size_t>(bed - 1)); }
  const Bed& BedAt(int bed) const { return m_beds.at(static_cast<std::size_t>(bed - 1)); }
  void Anchor(Bed& bed, const BedSession& session, PKParam_v110& numerics, Instant arrival);
  void LogAnchor(Bed& bed);
  TraceBatch Samples(Bed& bed, const BedSession& session, PKParam_v110& numerics);
  void KeepLatest(Bed& bed, const TraceBatch& batch);
  void ShowLink(int bed, const BedRow& row);
  void ReadStored(int bed, const std::string& patientId);
  void ViewChanged(int bed);
  void SyncLater();
  void Sync();
  std::optional<std::string> StartDatabase();

  boost::asio::io_context& m_loop;
  const StationOptions& m_options;
  WardControl& m_control;
  StationLog m_log;
  WardAlarms m_alarms;
  WardPatients m_patients;  // on m_database's thread only
  std::vector<Bed> m_beds;
  std::unique_ptr<WardWeb> m_web;
  std::unique_ptr<WardHospital> m_hospital;
  boost::asio::steady_timer m_syncTimer;
  bool m_syncing = false;
  bool m_syncFaultTold = false;
  bool m_stopped = false;
  // Last, so that they end first: their jobs use what is above and post to the loop.
  std::unique_ptr<OffloadWorker> m_disk;
  LoopWorker m_database;
  LoopWorker m_render;
  LoopWorker m_archive;
};
