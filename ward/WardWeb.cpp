#include "ward/WardWeb.h"

#include <unistd.h>

#include <filesystem>

#include "platform/CodePage.h"
#include "recording/DurableFile.h"
#include "strip/StripRenderer.h"
#include "strip/StripSurface.h"
#include "ward/StationWard.h"
#include "ward/StudyAdmission.h"
#include "ward/StudyRecording.h"
#include "ward/StudyTimeline.h"
#include "ward/WardControl.h"

namespace fs = std::filesystem;

namespace {

using Instant = WardService::Instant;

// What a person reads on the web side is UTF-8; the station's texts are in its code page. A
// text that does not convert (it cannot hold bytes that are no character) is shown with '?'
// for each byte beyond ASCII rather than not at all.
std::string ToWeb(const std::string& text) {
  std::string utf8;
  if (AnsiToUtf8(text, utf8)) return utf8;
  std::string ascii = text;
  for (char& ch : ascii) {
    if (static_cast<unsigned char>(ch) >= 0x80) ch = '?';
  }
  return ascii;
}

std::optional<std::string> FromWeb(const std::string& text) {
  std::string ansi;
  if (!Utf8ToAnsi(text, ansi)) return std::nullopt;
  return ansi;
}

WardAlarm ToWeb(WardAlarm alarm) {
  alarm.text = ToWeb(alarm.text);
  alarm.acknowledgedBy = ToWeb(alarm.acknowledgedBy);
  return alarm;
}

std::vector<WardAlarm> ToWeb(std::vector<WardAlarm> alarms) {
  for (WardAlarm& alarm : alarms) alarm = ToWeb(std::move(alarm));
  return alarms;
}

BedView ToWeb(BedView view) {
  view.patientId = ToWeb(view.patientId);
  view.patientName = ToWeb(view.patientName);
  view.alarms = ToWeb(std::move(view.alarms));
  return view;
}

MonitoredPatient ToWeb(MonitoredPatient patient) {
  patient.id = ToWeb(patient.id);
  patient.firstName = ToWeb(patient.firstName);
  patient.lastName = ToWeb(patient.lastName);
  return patient;
}

template <class T>
ServiceResult<T> ToWeb(ServiceResult<T> result) {
  result.value = ToWeb(std::move(result.value));
  result.message = ToWeb(result.message);
  return result;
}

template <class T>
ServiceResult<T> Busy() {
  return ServiceResult<T>::Fault(ServiceStatus::Failed, "the station is busy: try again in a moment");
}

const char* ActionText(AuditEntry::Action action) {
  switch (action) {
    case AuditEntry::Action::Login: return "login";
    case AuditEntry::Action::FailedLogin: return "failed login";
    case AuditEntry::Action::LoginsRefused: return "logins refused";
    case AuditEntry::Action::Logout: return "logout";
    case AuditEntry::Action::SessionExpired: return "session expired";
    case AuditEntry::Action::Acknowledge: return "acknowledgement";
    case AuditEntry::Action::CorrectPatient: return "correction";
  }
  return "action";
}

WardServerOptions ServerOptions(const StationOptions& options) {
  WardServerOptions server;
  server.address = options.httpAddress;
  server.certificateFile = options.tlsCertificateFile;
  server.keyFile = options.tlsKeyFile;
  server.wwwFolder = options.wwwFolder;
  server.idleTimeout = options.sessionIdleTimeout;
  return server;
}

// Where a study's recording is and the instant its samples are timed from when its log holds
// no anchor.
struct Recording {
  std::string linkPath;
  Instant fallback;
  StripHeader header;
};

Recording RecordingOf(const StationOptions& options, const StudyRecording& study, const std::string& patientName) {
  const std::time_t start = StudyAdmission::StartOf(study.StudyId()).value_or(0);
  return Recording{StudyRecording::LinkPath(options.dataFolder, study.PatientId(), study.StudyId()),
                   std::chrono::system_clock::from_time_t(start),
                   StripHeader{options.emr.hospitalName, patientName, study.PatientId(), study.StudyId()}};
}

// Draws the samples of [from, to) as a PDF strip: its clock from the first sample's whole
// second (the samples lie on the quarter-second grid), gaps as absent samples. The bytes, or
// the fault.
std::optional<std::string> DrawStrip(const Recording& recording, int speedCode, Instant from, Instant to,
                                     std::string& pdf) {
  std::string pattern = (fs::temp_directory_path() / "vudoda-strip-XXXXXX").string();
  if (!::mkdtemp(pattern.data())) return "cannot make a folder for the strip";
  const fs::path folder = pattern;
  const StripLayout layout(speedCode, StripLayout::DefaultBpmPerCm(speedCode), StripPaper::A4);
  std::optional<std::string> fault;
  {
    StripSurface surface((folder / "strip.pdf").string(), StripFormat::Pdf, layout.PageWidth(), layout.PageHeight());
    fault = surface.Open();
    if (!fault) {
      StripRenderer renderer(surface, layout, StripColors::Paper(), recording.header);
      std::uint64_t place = 0;
      std::optional<Instant> next;
      fault = StudyTimeline::Walk(recording.linkPath, recording.fallback, from, to,
                                  [&](Instant time, const TraceSample& sample) {
                                    if (!next) {
                                      const auto second = std::chrono::floor<std::chrono::seconds>(time);
                                      renderer.Begin(second.time_since_epoch().count());
                                      next = second;
                                    }
                                    for (; *next < time; *next += StudyTimeline::kPeriod) renderer.Write(place++, {});
                                    renderer.Write(place++, sample);
                                    *next += StudyTimeline::kPeriod;
                                    return true;
                                  });
      if (!fault && !next) fault = "the bed recorded nothing in that span";
      if (!fault) fault = renderer.Finish();
    }
  }
  if (!fault) {
    std::string readFault;
    if (std::optional<std::string> bytes = DurableFile::Read((folder / "strip.pdf").string(), readFault)) {
      pdf = std::move(*bytes);
    } else {
      fault = readFault;
    }
  }
  std::error_code ignored;
  fs::remove_all(folder, ignored);
  return fault;
}

}  // namespace

WardWeb::WardWeb(StationWard& ward, boost::asio::io_context& loop)
    : m_ward(ward), m_server(loop, *this, ServerOptions(ward.Options())) {}

WardWeb::~WardWeb() = default;

std::optional<std::string> WardWeb::Start() {
  if (auto fault = m_server.Start()) return "the web side cannot start: " + *fault;
  m_ward.Control().Tell("web side listening on port " + std::to_string(m_server.Port()) +
                        (m_ward.Options().tlsCertificateFile.empty() ? " (plain HTTP, this machine only)" : " (HTTPS)"));
  return std::nullopt;
}

void WardWeb::Stop() { m_server.Stop(); }

std::string WardWeb::Status() const {
  const WardServerStatus status = m_server.Status();
  return "web: " + std::to_string(status.liveStreams) + " live stream" + (status.liveStreams == 1 ? "" : "s");
}

void WardWeb::BedChanged(const BedView& view) { m_server.BedChanged(ToWeb(view)); }

void WardWeb::SamplesArrived(int bed, TraceBatch batch) { m_server.SamplesArrived(bed, std::move(batch)); }

void WardWeb::AlarmChanged(WardAlarm::Event event, const WardAlarm& alarm) { m_server.AlarmChanged(event, ToWeb(alarm)); }

std::vector<BedView> WardWeb::Beds() {
  std::vector<BedView> views = m_ward.Views();
  for (BedView& view : views) view = ToWeb(std::move(view));
  return views;
}

void WardWeb::CheckLogin(const std::string& user, const std::string& password, std::function<void(LoginCheck)> done) {
  const bool posted = m_ward.OnDatabase(
      [user, password](WardPatients& patients) { return patients.CheckLogin(user, password); }, done);
  if (!posted) done(LoginCheck::Unavailable);
}

bool WardWeb::IsBed(int bed) const { return bed >= 1 && bed <= m_ward.Control().Beds(); }

void WardWeb::Trace(int bed, Instant from, Instant to, Reply<BedTrace> done) {
  if (!IsBed(bed)) return done(ServiceResult<BedTrace>::Fault(ServiceStatus::NotFound, "there is no such bed"));
  const std::shared_ptr<StudyRecording> study = m_ward.Control().Study(bed);
  if (!study) {
    BedTrace alarmsOnly;
    alarmsOnly.alarms = ToWeb(m_ward.Alarms().Overlapping(bed, from, to));
    return done(ServiceResult<BedTrace>::Done(std::move(alarmsOnly)));
  }
  const Recording recording = RecordingOf(m_ward.Options(), *study, "");
  struct Read {
    std::optional<std::string> fault;
    TraceBatch samples;
  };
  const bool posted = m_ward.OnRender(
      [recording, from, to] {
        Read read;
        read.fault = StudyTimeline::Read(recording.linkPath, recording.fallback, from, to, read.samples);
        return read;
      },
      [this, bed, from, to, done](Read read) {
        if (read.fault) return done(ServiceResult<BedTrace>::Fault(ServiceStatus::Failed, ToWeb(*read.fault)));
        done(ServiceResult<BedTrace>::Done(
            BedTrace{std::move(read.samples), ToWeb(m_ward.Alarms().Overlapping(bed, from, to))}));
      });
  if (!posted) done(Busy<BedTrace>());
}

void WardWeb::StripPdf(int bed, Instant from, Instant to, Reply<std::string> done) {
  if (!IsBed(bed)) return done(ServiceResult<std::string>::Fault(ServiceStatus::NotFound, "there is no such bed"));
  const std::shared_ptr<StudyRecording> study = m_ward.Control().Study(bed);
  if (!study) return done(ServiceResult<std::string>::Fault(ServiceStatus::NotFound, "the bed records no study"));
  const Recording recording = RecordingOf(m_ward.Options(), *study, m_ward.View(bed).patientName);
  const int speedCode = m_ward.Options().emr.speedCode;
  const bool posted = m_ward.OnRender(
      [recording, speedCode, from, to] {
        std::string pdf;
        std::optional<std::string> fault = DrawStrip(recording, speedCode, from, to, pdf);
        return fault ? ServiceResult<std::string>::Fault(ServiceStatus::NotFound, ToWeb(*fault))
                     : ServiceResult<std::string>::Done(std::move(pdf));
      },
      done);
  if (!posted) done(Busy<std::string>());
}

void WardWeb::Alarms(std::optional<int> bed, Reply<std::vector<WardAlarm>> done) {
  done(ServiceResult<std::vector<WardAlarm>>::Done(ToWeb(m_ward.Alarms().History(bed))));
}

void WardWeb::Acknowledge(std::uint64_t alarm, const std::string& user, Reply<WardAlarm> done) {
  const std::string who = FromWeb(user).value_or(user);
  const std::optional<WardAlarms::Change> change =
      m_ward.Alarms().Acknowledge(alarm, who, std::chrono::system_clock::now());
  if (!change) {
    return done(ServiceResult<WardAlarm>::Fault(ServiceStatus::NotFound, "there is no alarm " + std::to_string(alarm)));
  }
  if (change->event == WardAlarm::Event::Acknowledged) m_ward.Report({*change});
  done(ServiceResult<WardAlarm>::Done(ToWeb(change->alarm)));
}

void WardWeb::Patient(int bed, Reply<MonitoredPatient> done) {
  const std::optional<std::string> patientId = m_ward.PatientAt(bed);
  if (!patientId) {
    return done(ServiceResult<MonitoredPatient>::Fault(ServiceStatus::NotFound, "bed " + std::to_string(bed) + " is free"));
  }
  const bool posted = m_ward.OnDatabase(
      [id = *patientId](WardPatients& patients) { return patients.Read(id); },
      [done](ServiceResult<MonitoredPatient> result) { done(ToWeb(std::move(result))); });
  if (!posted) done(Busy<MonitoredPatient>());
}

void WardWeb::CorrectPatient(int bed, const MonitoredPatient& corrected, const std::string& user,
                             Reply<MonitoredPatient> done) {
  using Result = ServiceResult<MonitoredPatient>;
  const std::optional<std::string> patientId = m_ward.PatientAt(bed);
  if (!patientId) return done(Result::Fault(ServiceStatus::NotFound, "bed " + std::to_string(bed) + " is free"));
  MonitoredPatient ansi = corrected;
  for (std::string* text : {&ansi.id, &ansi.firstName, &ansi.lastName}) {
    std::optional<std::string> converted = FromWeb(*text);
    if (!converted) return done(Result::Fault(ServiceStatus::Invalid, "a text holds a character the station cannot store"));
    *text = std::move(*converted);
  }
  const std::string who = FromWeb(user).value_or(user);
  const bool posted = m_ward.OnDatabase(
      [id = *patientId, ansi](WardPatients& patients) { return patients.Correct(id, ansi); },
      [this, bed, who, done](Result result) {
        if (result.status == ServiceStatus::Done) {
          m_ward.PatientStored(result.value);
          m_ward.Control().Tell(bed, "bed " + std::to_string(bed) + ": patient " + result.value.id + " corrected by " +
                                         who + ": " + result.value.lastName + ", " + result.value.firstName);
        }
        done(ToWeb(std::move(result)));
      });
  if (!posted) done(Busy<MonitoredPatient>());
}

void WardWeb::Audit(const AuditEntry& entry) {
  std::string line = std::string("audit: ") + ActionText(entry.action) + " by \"" + entry.user + "\" from " + entry.address;
  if (!entry.detail.empty()) line += ": " + entry.detail;
  m_ward.Log().Write(line, std::chrono::system_clock::to_time_t(entry.time));
}

std::string WardWeb::LoginsPath() const { return (fs::path(m_ward.Options().dataFolder) / "station.logins").string(); }

void WardWeb::KeepLogins(std::string saved) {
  auto fault = std::make_shared<std::optional<std::string>>();
  m_ward.OnDisk([path = LoginsPath(), saved = std::move(saved), fault] { *fault = DurableFile::WriteWhole(path, saved); },
                [this, fault] {
                  // Told once while it lasts: the logins hold until the station restarts.
                  if (*fault && !m_keepFaultTold) m_ward.Control().Tell("the logins are not kept: " + **fault);
                  m_keepFaultTold = fault->has_value();
                });
}

std::string WardWeb::KeptLogins() {
  const std::string path = LoginsPath();
  std::error_code missing;
  if (!fs::exists(path, missing)) return {};
  std::string fault;
  std::optional<std::string> kept = DurableFile::Read(path, fault);
  if (!kept) m_ward.Control().Tell("the logins of the last run are lost: " + fault);
  return kept.value_or(std::string());
}
