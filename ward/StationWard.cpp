#include "ward/StationWard.h"

#include <algorithm>
#include <boost/asio/io_context.hpp>

#include "hospital/OffloadWorker.h"
#include "packet/PKParam_v110.h"
#include "recording/CtgTrace.h"
#include "registry/AnnouncedPatient.h"
#include "ward/BedSession.h"
#include "ward/StudyRecording.h"
#include "ward/StudyTimeline.h"
#include "ward/WardControl.h"
#include "ward/WardHospital.h"
#include "ward/WardWeb.h"

namespace {

using Instant = StationWard::Instant;
using namespace std::chrono_literals;

// The tail of the station's log read for the alarm history when it starts.
constexpr std::size_t kHistoryBytes = 4 * 1024 * 1024;
// Jobs that may wait for a worker beside the loop; beyond, a request is refused at once.
constexpr std::size_t kWorkerQueue = 1024;
// The channels a bed reports to the hospital, in ObservationReport's order.
constexpr TraceChannel kReported[] = {TraceChannel::FHR1, TraceChannel::FHR2, TraceChannel::MHR, TraceChannel::UC};

// Whether two links are the same one (also after it ended, and never mistaking a new link
// that happens to live where an ended one did).
bool SameLink(const std::weak_ptr<const BedSession>& a, const std::weak_ptr<const BedSession>& b) {
  return !a.owner_before(b) && !b.owner_before(a);
}

std::optional<int> ValueOf(int value) { return value < 0 ? std::nullopt : std::optional<int>(value); }

BedView::Link LinkOf(BedRow::Link link) {
  switch (link) {
    case BedRow::Link::Free: return BedView::Link::Free;
    case BedRow::Link::Connected: return BedView::Link::Connected;
    case BedRow::Link::Silent: return BedView::Link::Silent;
    case BedRow::Link::Lost: return BedView::Link::Lost;
  }
  return BedView::Link::Free;
}

std::string NameOf(const MonitoredPatient& patient) { return patient.lastName + ", " + patient.firstName; }

}  // namespace

StationWard::StationWard(boost::asio::io_context& loop, const StationOptions& options, WardControl& control)
    : m_loop(loop),
      m_options(options),
      m_control(control),
      m_beds(static_cast<std::size_t>(std::max(0, options.beds))),
      m_syncTimer(loop),
      m_disk(std::make_unique<OffloadWorker>(loop)),
      m_database(loop, kWorkerQueue),
      m_render(loop, kWorkerQueue),
      m_archive(loop, kWorkerQueue) {}

StationWard::~StationWard() {
  m_database.Stop();
  m_render.Stop();
  m_archive.Stop();
  m_disk.reset();
  m_log.Retry();
  m_log.SyncJob()();
}

std::optional<std::string> StationWard::Start() {
  if (auto fault = m_log.Open(m_options.dataFolder)) return fault;
  Report(m_alarms.Restore(StationLog::ReadTail(m_options.dataFolder, kHistoryBytes), std::chrono::system_clock::now()));
  if (auto fault = m_patients.Connect(m_options.databaseUri, m_options.statementTimeout)) return fault;
  if (!m_options.httpAddress.empty()) {
    m_web = std::make_unique<WardWeb>(*this, m_loop);
    if (auto fault = m_web->Start()) return fault;
  }
  m_hospital = std::make_unique<WardHospital>(*this, m_loop, m_disk->Facility());
  if (auto fault = m_hospital->Start()) return fault;
  // The lines of the start (the alarms it cleared) reach the disk at once, the rest each interval.
  Sync();
  SyncLater();
  return std::nullopt;
}

void StationWard::Stop() {
  if (m_stopped) return;
  if (m_web) m_web->Stop();
  if (m_hospital) m_hospital->Stop();
  m_syncTimer.cancel();
  Report(m_alarms.EndAll(std::chrono::system_clock::now()), false);
  m_stopped = true;
  m_log.Retry();
  if (auto fault = m_log.SyncJob()()) m_control.Tell(*fault);
}

std::string StationWard::Status() const {
  std::string status;
  const auto add = [&status](const std::string& part) {
    if (!part.empty()) status += (status.empty() ? "" : ", ") + part;
  };
  if (m_web) add(m_web->Status());
  if (m_hospital) add(m_hospital->Status());
  return status;
}

void StationWard::OnDisk(std::function<void()> job, std::function<void()> done) {
  m_disk->Run(std::move(job), std::move(done));
}

int StationWard::WebPort() const { return m_web ? m_web->Port() : 0; }

int StationWard::AdmissionsPort() const { return m_hospital ? m_hospital->AdmissionsPort() : 0; }

// ---- What the engine tells

void StationWard::EventTold(const std::string& text) { m_log.Write(text); }

void StationWard::BedChanged(const BedRow& row) {
  if (m_stopped) return;
  Bed& bed = BedAt(row.bed);
  if (row.link != bed.link) ShowLink(row.bed, row);
  if (row.patientId.empty()) bed.stored.reset();
  ViewChanged(row.bed);
}

// A link that falls silent or is lost is a communication failure, and its monitor's alarms
// cannot be known any more; a free bed has neither.
void StationWard::ShowLink(int number, const BedRow& row) {
  Bed& bed = BedAt(number);
  bed.link = row.link;
  const Instant now = std::chrono::system_clock::now();
  std::vector<WardAlarms::Change> changes;
  const auto add = [&changes](std::vector<WardAlarms::Change> more) {
    changes.insert(changes.end(), more.begin(), more.end());
  };
  switch (row.link) {
    case BedRow::Link::Silent:
    case BedRow::Link::Lost:
      add(m_alarms.EndMonitor(number, now));
      add(m_alarms.ShowCommunication(number, true, now));
      break;
    case BedRow::Link::Connected:
      add(m_alarms.ShowCommunication(number, false, now));
      break;
    case BedRow::Link::Free:
      add(m_alarms.EndMonitor(number, now));
      add(m_alarms.ShowCommunication(number, false, now));
      {
        // A free bed starts again; the hospital's placing of a patient there stands.
        std::optional<MonitoredPatient> placed = std::move(bed.placed);
        bed = Bed{};
        bed.placed = std::move(placed);
      }
      break;
  }
  Report(changes, false);
}

void StationWard::NumericsArrived(const BedRow& row, const BedSession& session, PKParam_v110& numerics,
                                  Instant arrival) {
  if (m_stopped) return;
  Bed& bed = BedAt(row.bed);
  Anchor(bed, session, numerics, arrival);
  TraceBatch batch = Samples(bed, session, numerics);
  batch.arrived = arrival;
  KeepLatest(bed, batch);
  Report(m_alarms.ShowMonitor(row.bed, numerics, StudyTimeline::At(*bed.anchor, CtgTrace::PlaceOf(numerics))), false);
  if (m_web && !batch.samples.empty()) m_web->SamplesArrived(row.bed, std::move(batch));
  ViewChanged(row.bed);
}

// A new link is anchored by its first numerics packet; the anchor goes into the study's log
// once the link's numerics go there (or wait for it to open).
void StationWard::Anchor(Bed& bed, const BedSession& session, PKParam_v110& numerics, Instant arrival) {
  const std::weak_ptr<const BedSession> link = session.weak_from_this();
  if (!bed.anchor || !SameLink(bed.session, link)) {
    bed.session = link;
    bed.anchor = StudyTimeline::AnchorOf(arrival, numerics.GetTimeStamp());
  }
  if (bed.study) {
    LogAnchor(bed);
  } else {
    bed.anchorWaits = true;
  }
}

void StationWard::LogAnchor(Bed& bed) {
  bed.anchorWaits = false;
  if (SameLink(bed.anchored, bed.session)) return;
  bed.study->LogEvent(StudyTimeline::AnchorText(*bed.anchor));
  bed.anchored = bed.session;
}

// The packet's five samples with their instants; those not past what went out before are left
// out, as the recording read back leaves them out. The first sample of a link that joins a
// study recorded before carries the mark of a link that began again, as LinkExport reads it.
TraceBatch StationWard::Samples(Bed& bed, const BedSession& session, PKParam_v110& numerics) {
  const std::weak_ptr<const BedSession> link = session.weak_from_this();
  const bool linkBegan = bed.study && bed.studyHasSamples && !SameLink(bed.delivered, link);
  CtgTrace trace;
  trace.AddNumerics(numerics);
  const std::uint64_t place = CtgTrace::PlaceOf(numerics);
  TraceBatch batch;
  for (int index = 0; index < CtgTrace::kSamplesPerNumerics; ++index) {
    const Instant time = StudyTimeline::At(*bed.anchor, place + static_cast<std::uint64_t>(index));
    if (bed.end && time < *bed.end) continue;
    TraceSample sample = trace.At(place + static_cast<std::uint64_t>(index));
    if (index == 0 && linkBegan) sample.marks |= TraceSample::kLinkBegan;
    if (batch.samples.empty()) batch.start = time;
    batch.samples.push_back(sample);
    bed.end = time + StudyTimeline::kPeriod;
  }
  bed.delivered = link;
  if (bed.study) bed.studyHasSamples = true;
  return batch;
}

void StationWard::KeepLatest(Bed& bed, const TraceBatch& batch) {
  for (std::size_t slot = 0; slot < std::size(kReported); ++slot) {
    for (std::size_t index = batch.samples.size(); index-- > 0;) {
      if (const std::optional<float> value = batch.samples[index].Value(kReported[slot])) {
        bed.latest[slot] = Value{kReported[slot], batch.start + StudyTimeline::kPeriod * static_cast<long>(index), *value};
        break;
      }
    }
  }
}

void StationWard::PatientAnnounced(int number, AnnouncedPatient& patient) {
  const Bed& bed = BedAt(number);
  if (patient.id.empty() && bed.placed) patient.id = bed.placed->id;
}

// A study may open as the station stops (an admission that waited is tried once more): its
// link's anchor still goes to its log, or its recording could not be timed when read back.
void StationWard::StudyOpened(int number, const std::shared_ptr<StudyRecording>& study, bool continues) {
  Bed& bed = BedAt(number);
  bed.study = study;
  bed.anchored.reset();
  bed.studyHasSamples = continues && study->LengthSeconds() > 0;
  if (!continues) bed.end.reset();
  if (bed.anchorWaits && bed.anchor) LogAnchor(bed);
  if (m_stopped) return;
  bed.placed.reset();
  ReadStored(number, study->PatientId());
  ViewChanged(number);
}

void StationWard::StudyClosed(int number, const std::shared_ptr<StudyRecording>& study, bool forGood) {
  Bed& bed = BedAt(number);
  if (bed.study == study) {
    bed.study.reset();
    bed.anchorWaits = false;
  }
  if (!forGood || m_stopped || !m_hospital) return;
  const std::string name = bed.stored && bed.stored->id == study->PatientId() ? NameOf(*bed.stored)
                                                                             : m_control.Row(number).patientName;
  m_hospital->StudyEnded(number, study->PatientId(), name, study->StudyId());
}

void StationWard::ReadStored(int number, const std::string& patientId) {
  OnDatabase([patientId](WardPatients& patients) { return patients.Read(patientId); },
             [this, number, patientId](ServiceResult<MonitoredPatient> result) {
               if (m_stopped || result.status != ServiceStatus::Done) return;
               if (m_control.Row(number).patientId != patientId) return;
               BedAt(number).stored = std::move(result.value);
               ViewChanged(number);
             });
}

// ---- For the ward's sides

BedView StationWard::View(int number) const {
  const BedRow& row = m_control.Row(number);
  const Bed& bed = BedAt(number);
  BedView view;
  view.bed = number;
  view.link = LinkOf(row.link);
  view.patientId = row.patientId;
  view.patientName = bed.stored && bed.stored->id == row.patientId ? NameOf(*bed.stored) : row.patientName;
  view.studyId = row.studyId;
  if (row.patientId.empty() && bed.placed) {
    view.patientId = bed.placed->id;
    view.patientName = NameOf(*bed.placed);
  }
  view.fhr1 = ValueOf(row.fhr1);
  view.fhr2 = ValueOf(row.fhr2);
  view.mhr = ValueOf(row.mhr);
  view.uc = ValueOf(row.uc);
  view.alarms = m_alarms.Active(number);
  return view;
}

std::vector<BedView> StationWard::Views() const {
  std::vector<BedView> views;
  for (int number = 1; number <= static_cast<int>(m_beds.size()); ++number) views.push_back(View(number));
  return views;
}

std::optional<std::string> StationWard::PatientAt(int number) const {
  if (number < 1 || number > static_cast<int>(m_beds.size())) return std::nullopt;
  const BedRow& row = m_control.Row(number);
  if (!row.patientId.empty()) return row.patientId;
  if (const auto& placed = BedAt(number).placed) return placed->id;
  return std::nullopt;
}

std::vector<int> StationWard::BedsOf(const std::string& patientId) const {
  std::vector<int> beds;
  for (int number = 1; number <= static_cast<int>(m_beds.size()); ++number) {
    if (PatientAt(number) == patientId) beds.push_back(number);
  }
  return beds;
}

void StationWard::Report(const std::vector<WardAlarms::Change>& changes, bool showViews) {
  std::vector<int> beds;
  for (const WardAlarms::Change& change : changes) {
    m_control.Tell(change.alarm.bed, WardAlarms::LineOf(change));
    if (m_web) m_web->AlarmChanged(change.event, change.alarm);
    if (std::find(beds.begin(), beds.end(), change.alarm.bed) == beds.end()) beds.push_back(change.alarm.bed);
  }
  if (!showViews) return;
  for (const int bed : beds) {
    if (bed >= 1 && bed <= static_cast<int>(m_beds.size())) ViewChanged(bed);
  }
}

void StationWard::PatientStored(const MonitoredPatient& stored) {
  for (int number = 1; number <= static_cast<int>(m_beds.size()); ++number) {
    Bed& bed = BedAt(number);
    const bool monitored = m_control.Row(number).patientId == stored.id;
    if (monitored) bed.stored = stored;
    if (bed.placed && bed.placed->id == stored.id) bed.placed = stored;
    if (monitored || (bed.placed && bed.placed->id == stored.id)) ViewChanged(number);
  }
}

void StationWard::Place(const MonitoredPatient& stored, std::optional<int> number) {
  Unplace(stored.id);
  if (number && *number >= 1 && *number <= static_cast<int>(m_beds.size())) {
    BedAt(*number).placed = stored;
    ViewChanged(*number);
  }
}

void StationWard::Unplace(const std::string& patientId) {
  for (int number = 1; number <= static_cast<int>(m_beds.size()); ++number) {
    Bed& bed = BedAt(number);
    if (!bed.placed || bed.placed->id != patientId) continue;
    bed.placed.reset();
    ViewChanged(number);
  }
}

std::optional<ObservationReport> StationWard::TakeReport(int number, Instant from, Instant to) {
  Bed& bed = BedAt(number);
  const std::array<std::optional<Value>, 4> latest = std::exchange(bed.latest, {});
  const BedRow& row = m_control.Row(number);
  if (row.patientId.empty() || row.studyId.empty()) return std::nullopt;
  ObservationReport report;
  report.patientId = row.patientId;
  if (bed.stored && bed.stored->id == row.patientId) {
    report.familyName = bed.stored->lastName;
    report.givenName = bed.stored->firstName;
    report.birthDate = bed.stored->birthday;
  } else {
    const std::size_t comma = row.patientName.find(", ");
    report.familyName = row.patientName.substr(0, comma);
    if (comma != std::string::npos) report.givenName = row.patientName.substr(comma + 2);
  }
  report.bed = number;
  report.studyId = row.studyId;
  report.from = from;
  report.to = to;
  for (const std::optional<Value>& value : latest) {
    if (value) report.values.push_back(*value);
  }
  report.alarms = m_alarms.Standing(number);
  return report;
}

void StationWard::ViewChanged(int number) {
  if (m_web) m_web->BedChanged(View(number));
}

void StationWard::SyncLater() {
  m_syncTimer.expires_after(m_options.syncInterval);
  m_syncTimer.async_wait([this](const boost::system::error_code& error) {
    if (error || m_stopped) return;
    Sync();
    SyncLater();
  });
}

void StationWard::Sync() {
  m_log.Retry();
  if (m_syncing) return;
  m_syncing = true;
  auto fault = std::make_shared<std::optional<std::string>>();
  m_disk->Run([job = m_log.SyncJob(), fault] { *fault = job(); },
              [this, fault] {
                m_syncing = false;
                if (*fault && !m_syncFaultTold && !m_stopped) m_control.Tell(**fault);
                m_syncFaultTold = fault->has_value();
              });
}
