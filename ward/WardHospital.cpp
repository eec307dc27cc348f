#include "ward/WardHospital.h"

#include <filesystem>

#include "hospital/AdtListener.h"
#include "hospital/EmrFolder.h"
#include "hospital/HospitalSender.h"
#include "ward/PrivateFolder.h"
#include "ward/StationWard.h"
#include "ward/StudyAdmission.h"
#include "ward/StudyRecording.h"
#include "ward/WardControl.h"

namespace fs = std::filesystem;

namespace {

// The hospital's files under the data folder: the keys of the admissions taken and the queue
// of what waits to be sent (the patients' data: the folder is the station user's alone).
constexpr const char* kHl7Folder = "HL7";
constexpr const char* kSeenFile = "seen-control-ids";
constexpr const char* kQueueFolder = "outbound";

std::string Hl7Path(const StationOptions& options, const char* name) {
  return (fs::path(options.dataFolder) / kHl7Folder / name).string();
}

std::string Plural(std::size_t count, const std::string& noun) {
  return std::to_string(count) + " " + noun + (count == 1 ? "" : "s");
}

}  // namespace

WardHospital::WardHospital(StationWard& ward, boost::asio::io_context& loop, Offload offload)
    : m_ward(ward),
      m_loop(loop),
      m_offload(std::move(offload)),
      m_builder(OruBuilder::Parties{"VUDODA", ward.Options().emr.hospitalName, "", ""}),
      m_timer(loop),
      m_intervalStart(std::chrono::system_clock::now()) {}

WardHospital::~WardHospital() = default;

std::optional<std::string> WardHospital::Start() {
  const StationOptions& options = m_ward.Options();
  if (options.hl7ListenAddress.empty() && options.hl7SendHost.empty()) return std::nullopt;
  if (auto fault = MakePrivateFolder(fs::path(options.dataFolder) / kHl7Folder)) return fault;
  const auto tell = [this](const std::string& text) { m_ward.Control().Tell("HL7: " + text); };
  if (!options.hl7ListenAddress.empty()) {
    AdtListenerOptions listen;
    listen.address = options.hl7ListenAddress;
    listen.port = options.hl7ListenPort;
    listen.allowedPeers = options.hl7Peers;
    listen.beds = options.beds;
    listen.seenFile = Hl7Path(options, kSeenFile);
    m_listener = std::make_unique<AdtListener>(m_loop, listen, *this, m_offload, tell);
    if (auto fault = m_listener->Start()) return "the admissions' listener cannot start: " + *fault;
    tell("admissions taken on port " + std::to_string(m_listener->Port()));
  }
  if (!options.hl7SendHost.empty()) {
    HospitalSenderOptions send;
    send.host = options.hl7SendHost;
    send.port = options.hl7SendPort;
    send.queueFolder = options.hl7QueueFolder.empty() ? Hl7Path(options, kQueueFolder) : options.hl7QueueFolder;
    m_sender = std::make_unique<HospitalSender>(m_loop, send, m_offload, tell);
    if (auto fault = m_sender->Start()) return "the observations' sender cannot start: " + *fault;
    TellDepth();
    ReportLater();
  }
  return std::nullopt;
}

void WardHospital::Stop() {
  m_timer.cancel();
  if (m_listener) m_listener->Stop();
  if (m_sender) m_sender->Stop();
}

int WardHospital::AdmissionsPort() const { return m_listener ? m_listener->Port() : 0; }

std::string WardHospital::Status() const {
  if (!m_sender) return "";
  return "HL7: " + Plural(m_sender->Depth(), "message") + " wait" + (m_sender->Connected() ? "" : " (not connected)");
}

// ---- Admissions

void WardHospital::Admit(const AdmissionRecord& record, Done done) { Store(record, std::move(done)); }

void WardHospital::Update(const AdmissionRecord& record, Done done) { Store(record, std::move(done)); }

void WardHospital::Store(const AdmissionRecord& record, Done done) {
  struct Stored {
    std::optional<std::string> fault;
    MonitoredPatient patient;
  };
  const bool posted = m_ward.OnDatabase(
      [record](WardPatients& patients) {
        Stored stored{patients.Take(record), {}};
        if (!stored.fault) stored.patient = patients.Read(record.patientId).value;
        return stored;
      },
      [this, record, done](Stored stored) {
        if (stored.fault) return done(stored.fault);
        m_ward.PatientStored(stored.patient);
        const bool placing = record.event != AdmissionRecord::Event::Update && record.bed;
        if (placing && m_ward.Control().Row(*record.bed).patientId != record.patientId) {
          m_ward.Place(stored.patient, record.bed);
          m_ward.Control().Tell(*record.bed, "bed " + std::to_string(*record.bed) + ": the hospital placed patient " +
                                                 record.patientId + " here (" + record.controlId + ")");
        }
        done(std::nullopt);
      });
  if (!posted) done(std::string("the station's database is busy"));
}

void WardHospital::Discharge(const AdmissionRecord& record, Done done) {
  for (const int bed : m_ward.BedsOf(record.patientId)) {
    if (m_ward.Control().Row(bed).patientId != record.patientId) continue;
    m_ward.Control().Discharge(bed, "the hospital discharged the patient (" + record.controlId + ")");
  }
  m_ward.Unplace(record.patientId);
  done(std::nullopt);
}

// ---- Observations

void WardHospital::ReportLater() {
  m_timer.expires_after(m_ward.Options().hl7Interval);
  m_timer.async_wait([this](const boost::system::error_code& error) {
    if (error) return;
    ReportBeds();
    ReportLater();
  });
}

void WardHospital::ReportBeds() {
  TellDepth();
  const auto now = std::chrono::system_clock::now();
  for (int bed = 1; bed <= m_ward.Control().Beds(); ++bed) {
    const std::optional<ObservationReport> report = m_ward.TakeReport(bed, m_intervalStart, now);
    if (!report || (report->values.empty() && report->alarms.empty())) continue;
    std::string fault;
    std::optional<Hl7Message> message = m_builder.Build(*report, now, fault);
    if (!message) {
      m_ward.Control().Tell(bed, "bed " + std::to_string(bed) + ": no observations sent: " + fault);
      continue;
    }
    m_sender->Enqueue(std::move(*message), [this, bed](std::optional<std::string> stored) {
      if (stored) m_ward.Control().Tell(bed, "bed " + std::to_string(bed) + ": observations not queued: " + *stored);
    });
  }
  m_intervalStart = now;
}

// The depth left from the interval before (what the hospital has not acknowledged yet), told
// when it changes; a queue that empties again is told once.
void WardHospital::TellDepth() {
  const std::size_t depth = m_sender->Depth();
  if (depth == m_toldDepth) return;
  m_ward.Control().Tell(depth == 0 ? std::string("HL7: every message to the hospital is acknowledged")
                                   : "HL7: " + Plural(depth, "message") + " wait for the hospital" +
                                         (m_sender->Connected() ? "" : " (not connected)"));
  m_toldDepth = depth;
}

// ---- The EMR folder

void WardHospital::StudyEnded(int bed, const std::string& patientId, const std::string& patientName,
                              const std::string& studyId) {
  const StationOptions& options = m_ward.Options();
  if (options.emr.folder.empty()) return;
  EmrStudy study{patientId, patientName, studyId,
                 std::chrono::system_clock::from_time_t(StudyAdmission::StartOf(studyId).value_or(0)),
                 StudyRecording::LinkPath(options.dataFolder, patientId, studyId)};
  struct Written {
    std::optional<std::string> fault;
    std::vector<std::string> files;
  };
  const std::string head = "bed " + std::to_string(bed) + ": the strip of study " + studyId;
  const bool posted = m_ward.OnArchive(
      [emr = options.emr, study] {
        Written written;
        written.fault = EmrFolder::Write(emr, study, written.files);
        return written;
      },
      [this, head](Written written) {
        if (written.fault) return m_ward.Control().Tell(head + " is not in the EMR folder: " + *written.fault);
        m_ward.Control().Tell(head + " is in the EMR folder: " + fs::path(written.files.front()).filename().string() +
                              (written.files.size() > 1 ? " and " + Plural(written.files.size() - 1, "more page") : ""));
      });
  if (!posted) m_ward.Control().Tell(head + " is not in the EMR folder: too many strips wait to be drawn");
}
