#include "ward/StationEngine.h"

#include <algorithm>
#include <boost/asio.hpp>
#include <csignal>
#include <ctime>
#include <deque>
#include <memory>
#include <set>
#include <thread>
#include <utility>
#include <vector>

#include "packet/PKParam_v110.h"
#include "registry/AnnouncedPatient.h"
#include "registry/StationDatabase.h"
#include "ward/BedHost.h"
#include "ward/BedNumerics.h"
#include "ward/BedSession.h"
#include "ward/LinkPiece.h"
#include "ward/LoopWorker.h"
#include "ward/OpenStudyList.h"
#include "ward/StationWard.h"
#include "ward/StudyAdmission.h"
#include "ward/StudyRecording.h"
#include "ward/WardControl.h"
#include "ward/WardFile.h"

namespace asio = boost::asio;

namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;
using StudyKey = StudyAdmission::StudyKey;

// The link of a bed whose study is not open yet (her admission waits for the database, or the
// link has not named her yet) waits in memory up to this, about 14 minutes of a monitor's link;
// beyond, it is not recorded.
constexpr std::size_t kMaxWaitingBytes = 1024 * 1024;
// How often the beds are looked at: a silence is reported within this much after the configured
// silence; a failed admission is tried again.
constexpr auto kWatchInterval = 250ms;
// Jobs that may wait for the database or the disk at once. A round's figures or sync that finds
// the queue full is skipped (the next round's stands for it); an admission is tried again.
constexpr std::size_t kWorkerQueue = 1024;
// A failed admission is tried again after this, doubling up to kLongestAdmissionDelay.
constexpr std::chrono::milliseconds kFirstAdmissionDelay = 1s;
constexpr std::chrono::milliseconds kLongestAdmissionDelay = 30s;
// The recordings' buffered link is written this often (and what the disk refused is tried
// again): a station that is killed loses at most this much of each bed's link, never a piece
// its figures count.
constexpr auto kWriteInterval = 1s;
// The loop's rest between turns; with a bed's pause between reads (BedSession), nothing the
// station receives waits longer than 50 ms before it is taken.
constexpr auto kTurnRest = 20ms;
// A failed accept (no descriptors left) is tried again after this, doubling up to a second.
constexpr std::chrono::milliseconds kFirstAcceptDelay = 100ms;
constexpr std::chrono::milliseconds kLongestAcceptDelay = 1s;

std::string BedName(int bed) { return "bed " + std::to_string(bed + 1); }

std::string Minutes(std::chrono::milliseconds time) {
  return std::to_string(std::chrono::duration_cast<std::chrono::minutes>(time).count()) + " min";
}

std::string Seconds(std::chrono::milliseconds time) {
  return std::to_string(std::chrono::duration_cast<std::chrono::seconds>(time).count()) + " s";
}

StudyRecording::Samples SamplesOf(PKParam_v110& numerics) {
  return {BedNumerics::kSamples, BedNumerics::LostSamples(numerics)};
}

}  // namespace

// The loop and everything that lives on it.
class StationEngine::Loop : public BedHost, public WardControl {
 public:
  Loop(StationOptions options, Callbacks callbacks)
      : m_options(std::move(options)),
        m_callbacks(std::move(callbacks)),
        m_acceptor(m_context),
        m_acceptRetry(m_context),
        m_watch(m_context),
        m_write(m_context),
        m_sync(m_context),
        m_refresh(m_context),
        m_signals(m_context),
        m_beds(static_cast<std::size_t>(std::max(0, m_options.beds))),
        m_database(m_context, kWorkerQueue),
        m_disk(m_context, kWorkerQueue) {
    for (std::size_t index = 0; index < m_beds.size(); ++index) m_beds[index].row.bed = static_cast<int>(index) + 1;
  }

  std::optional<std::string> Start() {
    if (!m_options.monitorsFile.empty()) {
      if (auto fault = m_ward.Read(m_options.monitorsFile, m_options.beds)) return fault;
    }
    if (auto fault = m_db.Connect(m_options.databaseUri)) return fault;
    if (auto fault = m_db.LimitWaits(m_options.statementTimeout)) return fault;
    // The ward around the engine: its web side, the hospital's interfaces, alarms, event log.
    m_around = std::make_unique<StationWard>(m_context, m_options, *this);
    if (auto fault = m_around->Start()) return fault;
    if (auto fault = Listen()) return fault;
    Accept();
    Watch();
    WriteLater();
    SyncLater();
    RefreshLater();
    if (m_options.stopOnSignals) WaitForSignal();
    TellWard();
    CountLeftOpen();
    WriteOpenList();
    return std::nullopt;
  }

  int Port() const { return m_acceptor.is_open() ? m_acceptor.local_endpoint().port() : 0; }
  int WebPort() const { return m_around ? m_around->WebPort() : 0; }
  int AdmissionsPort() const { return m_around ? m_around->AdmissionsPort() : 0; }

  // Each turn of the loop runs what is ready, then the loop rests before it looks again, so
  // that what many beds send meanwhile is taken in one turn: at the monitors' pace, a wake of
  // the loop for every packet would cost more than all the rest.
  void Run() {
    while (m_context.run_one() > 0 && !m_context.stopped()) {
      m_context.poll();
      if (m_context.stopped()) break;
      std::this_thread::sleep_for(kTurnRest);
    }
  }

  void Stop() {
    asio::post(m_context, [this] { Shutdown(); });
  }

  // BedHost: every piece of every bed's link comes through here.
  void OnLinkPiece(BedSession& session, const LinkPiece& piece) override {
    Bed& bed = BedOf(session);
    bed.row.bytes += piece.bytes.size();
    if (bed.row.link == BedRow::Link::Silent) {
      bed.row.link = BedRow::Link::Connected;
      Event(bed, Name(bed) + ": link restored");
    }
    switch (piece.kind) {
      case LinkPiece::Kind::Patient:
        return OnPatient(session, piece);
      case LinkPiece::Kind::Numerics:
        BedNumerics::Show(*piece.numerics, bed.row);
        m_around->NumericsArrived(bed.row, session, *piece.numerics, std::chrono::system_clock::now());
        return Record(bed, piece.bytes, SamplesOf(*piece.numerics));
      case LinkPiece::Kind::Bad:
        bed.row.badBytes += piece.bytes.size();
        return Record(bed, piece.bytes);
      case LinkPiece::Kind::Packet:
        return Record(bed, piece.bytes);
    }
  }

  void OnLinkEnded(BedSession& session, const std::string& reason) override {
    Bed& bed = BedOf(session);
    bed.session.reset();
    DropUnnamed(bed);
    if (!bed.study && bed.admissions.empty()) {
      Event(bed, Name(bed) + ": monitor disconnected (" + reason + ")");
      Free(bed);
      return;
    }
    if (bed.row.link != BedRow::Link::Silent) {
      Event(bed, Name(bed) + ": communication failure: " + reason);
    } else {
      Event(bed, Name(bed) + ": link closed (" + reason + ")");
    }
    bed.row.link = BedRow::Link::Lost;
    bed.lostAt = Clock::now();
    m_around->BedChanged(bed.row);
  }

 private:
  // A piece of a link that waits for its study to open.
  struct WaitingPiece {
    std::vector<unsigned char> bytes;
    StudyRecording::Samples samples;
  };
  // A patient announced at the bed whose study is not open yet, and the link since. The last
  // of a link that has not named its patient yet is unnamed: the link's beginning, which goes
  // to the patient it names.
  struct Admission {
    std::optional<AnnouncedPatient> patient;
    std::string monitor;
    std::vector<WaitingPiece> pieces;
    std::uint64_t serial = 0;
    bool mayContinue = true;
  };
  // One bed of the ward: its monitor's session while connected; its patient's study while she
  // is there (also while the link is lost, until the reconnection window ends); the patients
  // announced whose studies are being opened, in order.
  struct Bed {
    BedRow row;
    std::shared_ptr<BedSession> session;
    std::string monitor;  // the address of the monitor whose patient the bed holds
    std::shared_ptr<StudyRecording> study;
    std::deque<Admission> admissions;
    std::size_t waitingBytes = 0;
    bool admitting = false;  // the first admission is with the database
    Clock::time_point admitAt;
    std::chrono::milliseconds admitDelay{0};
    Clock::time_point lostAt;
    std::optional<std::string> refused;  // the link's patient not admitted: her link is not recorded
    bool overflowTold = false;
    bool storeFaultTold = false;  // told once until the figures are stored again
    bool syncFaultTold = false;
  };

  // A study's files that were written since they were last synced.
  struct UnsyncedStudy {
    std::size_t bed;
    std::string studyId;
    std::vector<std::shared_ptr<const int>> files;
  };

  std::optional<std::string> Listen() {
    boost::system::error_code error;
    const auto address = asio::ip::make_address(m_options.listenAddress, error);
    if (error) return "'" + m_options.listenAddress + "' is not an address: " + error.message();
    const asio::ip::tcp::endpoint endpoint(address, static_cast<unsigned short>(m_options.port));
    m_acceptor.open(endpoint.protocol(), error);
    if (!error) m_acceptor.set_option(asio::socket_base::reuse_address(true), error);
    if (!error) m_acceptor.bind(endpoint, error);
    if (!error) m_acceptor.listen(asio::socket_base::max_listen_connections, error);
    if (error) {
      return "cannot listen on " + m_options.listenAddress + ":" + std::to_string(m_options.port) + ": " +
             error.message();
    }
    return std::nullopt;
  }

  void TellWard() {
    if (m_options.monitorsFile.empty()) {
      Event("no ward file: any monitor may connect and takes the first free bed (an open station, for demos "
            "and tests)");
    } else {
      Event("ward file " + m_options.monitorsFile + ": " + std::to_string(m_ward.Size()) +
            " monitors, each at its bed; any other is refused");
    }
  }

  // ---- Monitors connecting

  void Accept() {
    m_acceptor.async_accept([this](const boost::system::error_code& error, asio::ip::tcp::socket socket) {
      if (error == asio::error::operation_aborted || !m_acceptor.is_open()) return;
      if (error) return AcceptLater(error);
      if (m_acceptDelay.count() > 0) {
        m_acceptDelay = {};
        Event("accepting monitors again");
      }
      Connect(std::move(socket));
      Accept();
    });
  }

  // Accepting failed (no descriptors left, say): told once, tried again after a pause that
  // grows, so that the loop does not spin on it.
  void AcceptLater(const boost::system::error_code& error) {
    if (m_acceptDelay.count() == 0) {
      Event("cannot accept monitors (" + error.message() + "): trying again, at most every second");
    }
    m_acceptDelay = std::clamp(2 * m_acceptDelay, kFirstAcceptDelay, kLongestAcceptDelay);
    m_acceptRetry.expires_after(m_acceptDelay);
    m_acceptRetry.async_wait([this](const boost::system::error_code& error) {
      if (!error) Accept();
    });
  }

  void Connect(asio::ip::tcp::socket socket) {
    auto session = std::make_shared<BedSession>(std::move(socket), *this);
    std::string label;
    Bed* bed = nullptr;
    if (m_options.monitorsFile.empty()) {
      bed = FreeBed();
      if (!bed) return Refuse(*session, "all " + std::to_string(m_beds.size()) + " beds are taken");
    } else {
      const WardFile::Monitor* monitor = m_ward.Find(session->Address());
      if (!monitor) return Refuse(*session, "its address is not in the ward file");
      bed = &m_beds[static_cast<std::size_t>(monitor->bed - 1)];
      label = monitor->label.empty() ? "" : " (" + monitor->label + ")";
      if (bed->session) Replace(*bed);
    }
    session->SetBed(static_cast<int>(bed - m_beds.data()));
    bed->session = session;
    bed->row.link = BedRow::Link::Connected;
    bed->row.peer = session->Peer();
    bed->admissions.push_back(Admission{std::nullopt, session->Address(), {}, ++m_serial});
    Event(*bed, Name(*bed) + ": monitor connected from " + session->Peer() + label);
    session->Start();
  }

  // The bed's monitor connected again while its earlier link looked alive: that one is dead.
  void Replace(Bed& bed) {
    bed.session->Close();
    bed.session.reset();
    DropUnnamed(bed);
    Event(bed, Name(bed) + ": the monitor connected again; its earlier link is closed");
  }

  // A bed with neither a monitor nor a patient; failing that, the one whose link was lost
  // longest ago, whose study then ends.
  Bed* FreeBed() {
    Bed* oldestLost = nullptr;
    for (Bed& bed : m_beds) {
      if (bed.session || !bed.admissions.empty()) continue;
      if (!bed.study) return &bed;
      if (!oldestLost || bed.lostAt < oldestLost->lostAt) oldestLost = &bed;
    }
    if (oldestLost) {
      CloseStudy(*oldestLost, "its bed was needed for another monitor");
      Free(*oldestLost);
    }
    return oldestLost;
  }

  void Refuse(BedSession& session, const std::string& reason) {
    Event("refused the monitor at " + session.Peer() + ": " + reason);
    session.Refuse("the station refused the link: " + reason + "\n");
  }

  // ---- Patients

  void OnPatient(BedSession& session, const LinkPiece& piece) {
    Bed* bed = &BedOf(session);
    AnnouncedPatient announced = AnnouncedPatient::FromPacket(*piece.patient, m_options.monitorCodePage);
    m_around->PatientAnnounced(bed->row.bed, announced);
    const std::optional<std::string> inForce = PatientInForce(*bed);
    if (inForce && (announced.id.empty() || announced.id == *inForce)) {
      SettleUnnamed(*bed);
      return Record(*bed, piece.bytes);
    }
    if (!session.MayAdmit(Clock::now())) return RefusePatient(*bed, announced);
    bed->refused.reset();
    std::vector<WaitingPiece> beginning = Beginning(*bed, session);
    beginning.push_back(WaitingPiece{{piece.bytes.begin(), piece.bytes.end()}, {}});
    if (Bed* lost = LostBedOf(announced.id, session)) return TakeOver(*lost, session, std::move(beginning));
    CloseStudy(*bed, "another patient at the bed");
    for (const WaitingPiece& waiting : beginning) bed->waitingBytes += waiting.bytes.size();
    bed->admissions.push_back(
        Admission{std::move(announced), session.Address(), std::move(beginning), ++m_serial});
    Admit(*bed);
  }

  // The patient the bed's link is recorded for, before the link's unnamed beginning: the one
  // refused, the last announced whose study is not open yet, or the study's; nullopt when
  // there is none.
  static std::optional<std::string> PatientInForce(const Bed& bed) {
    if (bed.refused) return bed.refused;
    for (auto admission = bed.admissions.rbegin(); admission != bed.admissions.rend(); ++admission) {
      if (admission->patient) return admission->patient->id;
    }
    if (bed.study) return bed.study->PatientId();
    return std::nullopt;
  }

  // The link's patient is the one in force: its unnamed beginning goes to her.
  void SettleUnnamed(Bed& bed) {
    if (bed.admissions.empty() || bed.admissions.back().patient) return;
    std::vector<WaitingPiece> pieces = std::move(bed.admissions.back().pieces);
    bed.admissions.pop_back();
    for (WaitingPiece& piece : pieces) {
      bed.waitingBytes -= piece.bytes.size();
      Record(bed, piece.bytes, piece.samples);
    }
  }

  // What a new patient's study begins with: the link's unnamed beginning when this is the
  // link's first patient, else the link's protocol version and monitor settings.
  std::vector<WaitingPiece> Beginning(Bed& bed, BedSession& session) {
    if (!bed.admissions.empty() && !bed.admissions.back().patient) {
      std::vector<WaitingPiece> pieces = std::move(bed.admissions.back().pieces);
      for (const WaitingPiece& piece : pieces) bed.waitingBytes -= piece.bytes.size();
      bed.admissions.pop_back();
      return pieces;
    }
    std::vector<WaitingPiece> pieces;
    if (std::vector<unsigned char> context = session.Context(); !context.empty()) {
      pieces.push_back(WaitingPiece{std::move(context), {}});
    }
    return pieces;
  }

  void DropUnnamed(Bed& bed) {
    if (bed.admissions.empty() || bed.admissions.back().patient) return;
    for (const WaitingPiece& piece : bed.admissions.back().pieces) bed.waitingBytes -= piece.bytes.size();
    bed.admissions.pop_back();
  }

  void RefusePatient(Bed& bed, const AnnouncedPatient& announced) {
    Event(bed, Name(bed) + ": patient " + announced.id + " not admitted: the link had " +
                   std::to_string(BedSession::kAdmissionsPerHour) +
                   " patients admitted within the hour; it is not recorded until it may have another");
    CloseStudy(bed, "another patient at the bed");
    DropUnnamed(bed);
    bed.refused = announced.id;
  }

  // The lost bed of the patient, when her monitor (the same address) is back under another
  // bed. A station without a ward file only: with one, a monitor is back at its own bed.
  Bed* LostBedOf(const std::string& patientId, const BedSession& session) {
    if (patientId.empty() || !m_options.monitorsFile.empty()) return nullptr;
    for (Bed& bed : m_beds) {
      if (&bed == &BedOf(session) || bed.session || !bed.study || !bed.admissions.empty()) continue;
      if (bed.study->PatientId() == patientId && bed.monitor == session.Address()) return &bed;
    }
    return nullptr;
  }

  // The session's monitor is back under another bed: it takes over its lost bed.
  void TakeOver(Bed& lost, BedSession& session, std::vector<WaitingPiece> beginning) {
    Bed& provisional = BedOf(session);
    lost.session = std::move(provisional.session);
    lost.row.link = BedRow::Link::Connected;
    lost.row.peer = session.Peer();
    lost.row.bytes += provisional.row.bytes;
    lost.row.badBytes += provisional.row.badBytes;
    CloseStudy(provisional, "another patient at the bed");
    if (provisional.admissions.empty()) Free(provisional);
    session.SetBed(static_cast<int>(&lost - m_beds.data()));
    Event(lost, Name(lost) + ": link restored from " + session.Peer() + ", study " + lost.study->StudyId() +
                    " goes on");
    for (const WaitingPiece& piece : beginning) Record(lost, piece.bytes, piece.samples);
  }

  // ---- Recording

  // The piece goes to the study of the patient in force: waiting while her study opens.
  void Record(Bed& bed, std::span<const unsigned char> bytes, StudyRecording::Samples samples = {}) {
    if (bed.refused) return;
    if (!bed.admissions.empty()) return Wait(bed, bed.admissions.back(), bytes, samples);
    if (!bed.study) return;
    bed.study->Append(bytes, samples);
    TellRecordingChange(bed);
  }

  void Wait(Bed& bed, Admission& admission, std::span<const unsigned char> bytes, StudyRecording::Samples samples) {
    if (bed.waitingBytes + bytes.size() > kMaxWaitingBytes) {
      if (!bed.overflowTold) {
        Event(bed, Name(bed) + ": the link waits for its patient's study beyond " +
                       std::to_string(kMaxWaitingBytes / (1024 * 1024)) + " MiB; what comes beyond is not recorded");
      }
      bed.overflowTold = true;
      return;
    }
    // Pieces that count no samples wait as one, to keep their overhead small.
    if (samples.count == 0 && !admission.pieces.empty() && admission.pieces.back().samples.count == 0) {
      std::vector<unsigned char>& last = admission.pieces.back().bytes;
      last.insert(last.end(), bytes.begin(), bytes.end());
    } else {
      admission.pieces.push_back(WaitingPiece{{bytes.begin(), bytes.end()}, samples});
    }
    bed.waitingBytes += bytes.size();
  }

  void TellRecordingChange(Bed& bed) {
    if (!bed.study) return;
    if (std::optional<std::string> change = bed.study->TakeChange()) {
      Event(bed, Name(bed) + ": " + *change);
    }
  }

  // ---- Admissions, on the database's thread

  // Asks the database for the first admission's study, unless it is there already.
  void Admit(Bed& bed) {
    if (bed.admitting || bed.admissions.empty() || !bed.admissions.front().patient) return;
    const Admission& admission = bed.admissions.front();
    StudyAdmission::Order order{*admission.patient,
                                admission.monitor,
                                m_options.dataFolder,
                                std::chrono::duration_cast<std::chrono::seconds>(m_options.reconnectWindow),
                                admission.mayContinue,
                                StudiesInUse()};
    const std::size_t index = Index(bed);
    const std::uint64_t serial = admission.serial;
    bed.admitting = true;
    if (!OnDatabase(
            [this, order] { return StudyAdmission::Run(m_db, order, std::time(nullptr)); },
            [this, index, serial](StudyAdmission::Result result) { Admitted(m_beds[index], serial, std::move(result)); })) {
      bed.admitting = false;
      bed.admitAt = Clock::now() + kFirstAdmissionDelay;
    }
  }

  void Admitted(Bed& bed, std::uint64_t serial, StudyAdmission::Result result) {
    bed.admitting = false;
    if (bed.admissions.empty() || bed.admissions.front().serial != serial) return;
    Admission& admission = bed.admissions.front();
    if (!result.study) return AdmitLater(bed, result.fault);
    if (HeldElsewhere(bed, *result.study)) {
      admission.mayContinue = false;  // another bed took it meanwhile
      return Admit(bed);
    }
    bed.admitDelay = {};
    bed.overflowTold = false;
    bed.study = std::move(result.study);
    bed.monitor = admission.monitor;
    bed.row.patientId = bed.study->PatientId();
    bed.row.patientName = admission.patient->Name();
    bed.row.studyId = bed.study->StudyId();
    m_around->StudyOpened(bed.row.bed, bed.study, result.continues);
    const std::string& studyId = bed.study->StudyId();
    Event(bed, Name(bed) + ": patient " + bed.study->PatientId() +
                   (result.continues ? ", study " + studyId + " goes on" : ", new study " + studyId));
    for (const std::string& note : admission.patient->notes) Event(bed, Name(bed) + ": " + note);
    for (const std::string& note : result.notes) Event(bed, Name(bed) + ": " + note);
    std::vector<WaitingPiece> pieces = std::move(admission.pieces);
    bed.admissions.pop_front();
    for (const WaitingPiece& piece : pieces) {
      bed.waitingBytes -= piece.bytes.size();
      bed.study->Append(piece.bytes, piece.samples);
    }
    TellRecordingChange(bed);
    ShowFigures(bed);
    WriteOpenList();
    if (!bed.admissions.empty() && bed.admissions.front().patient) {
      CloseStudy(bed, "another patient at the bed");
      Admit(bed);
    }
  }

  void AdmitLater(Bed& bed, const std::string& fault) {
    if (bed.admitDelay.count() == 0) {
      Event(bed, Name(bed) + ": " + fault + "; the admission is tried again, its link waits");
    }
    bed.admitDelay = std::clamp(2 * bed.admitDelay, kFirstAdmissionDelay, kLongestAdmissionDelay);
    bed.admitAt = Clock::now() + bed.admitDelay;
  }

  std::set<StudyKey> StudiesInUse() const {
    std::set<StudyKey> inUse;
    for (const Bed& bed : m_beds) {
      if (bed.study) inUse.emplace(bed.study->PatientId(), bed.study->StudyId());
    }
    return inUse;
  }

  bool HeldElsewhere(const Bed& bed, const StudyRecording& study) const {
    return std::any_of(m_beds.begin(), m_beds.end(), [&](const Bed& other) {
      return &other != &bed && other.study && other.study->PatientId() == study.PatientId() &&
             other.study->StudyId() == study.StudyId();
    });
  }

  // ---- Studies closing, figures, syncs

  void CloseStudy(Bed& bed, const std::string& why) {
    if (!bed.study) return;
    bed.study->Flush();
    TellRecordingChange(bed);
    const std::uint64_t unwritten = bed.study->Unwritten();
    Event(bed, Name(bed) + ": study " + bed.study->StudyId() + " closed (" + why + "), " +
                   std::to_string(bed.study->LengthSeconds()) + " s recorded" +
                   (unwritten > 0 ? ", " + std::to_string(unwritten) + " bytes of the link not written" : ""));
    m_closing.emplace(bed.study->PatientId(), bed.study->StudyId());
    StoreFinalFigures(bed);
    SyncClosing(bed);
    m_around->StudyClosed(bed.row.bed, bed.study, !m_stopped);
    bed.study.reset();
    WriteOpenList();
  }

  StationDatabase::Study FiguresOf(const Bed& bed) const {
    return {bed.study->PatientId(), bed.study->StudyId(), bed.study->LengthSeconds(), bed.study->LossSeconds()};
  }

  // Stores a closing study's figures; it leaves the open list once they are stored.
  void StoreFinalFigures(Bed& bed) {
    const StationDatabase::Study figures = FiguresOf(bed);
    OnDatabase([this, figures] { return m_db.UpdateFigures(figures) ? std::string() : m_db.Fault(); },
               [this, index = Index(bed), figures](const std::string& fault) {
                 if (!fault.empty()) Event(m_beds[index], Name(m_beds[index]) + ": " + fault);
                 if (m_closing.erase({figures.patientId, figures.studyId}) > 0) WriteOpenList();
               });
  }

  void SyncClosing(Bed& bed) {
    OnDisk(bed.study->SyncJob(), [this, index = Index(bed)](std::optional<std::string> fault) {
      Bed& owner = m_beds[index];
      if (fault && !owner.syncFaultTold) Event(owner, Name(owner) + ": " + *fault);
      owner.syncFaultTold = fault.has_value();
    });
  }

  // Every open study's figures, in one job for the database worker and one transaction: one
  // commit for the ward each interval. A round still with the database when the next one is due
  // stands for it.
  void StoreFigures() {
    if (m_storing) return;
    std::vector<std::size_t> beds;
    std::vector<StationDatabase::Study> figures;
    for (Bed& bed : m_beds) {
      if (!bed.study) continue;
      beds.push_back(Index(bed));
      figures.push_back(FiguresOf(bed));
    }
    if (figures.empty()) return;
    m_storing = true;
    const bool posted = OnDatabase([this, figures] { return m_db.UpdateFigures(figures); },
                                   [this, beds](const std::vector<std::string>& faults) {
                                     m_storing = false;
                                     for (std::size_t i = 0; i < beds.size(); ++i) {
                                       Bed& owner = m_beds[beds[i]];
                                       const std::string& fault = faults[i];
                                       if (!fault.empty() && !owner.storeFaultTold) Event(owner, Name(owner) + ": " + fault);
                                       owner.storeFaultTold = !fault.empty();
                                     }
                                   });
    if (!posted) m_storing = false;
  }

  // Syncs the recordings written since the last round, all in one job beside the loop: the
  // syncs of an interval grow with the beds that had data. A round still syncing when the next
  // one is due stands for it (what grew meanwhile is synced by the round after); a round the
  // worker cannot take waits for the next.
  void SyncRecordings() {
    if (m_syncing) return;
    for (Bed& bed : m_beds) {
      if (!bed.study) continue;
      std::vector<std::shared_ptr<const int>> files = bed.study->TakeUnsynced();
      if (!files.empty()) m_unsynced.push_back({Index(bed), bed.study->StudyId(), std::move(files)});
    }
    if (m_unsynced.empty()) return;
    auto round = std::make_shared<std::vector<UnsyncedStudy>>(std::exchange(m_unsynced, {}));
    m_syncing = true;
    const bool posted = OnDisk(
        [round] {
          std::vector<std::optional<std::string>> faults;
          for (const UnsyncedStudy& study : *round) faults.push_back(StudyRecording::Sync(study.studyId, study.files));
          return faults;
        },
        [this, round](const std::vector<std::optional<std::string>>& faults) {
          m_syncing = false;
          for (std::size_t i = 0; i < round->size(); ++i) {
            Bed& owner = m_beds[(*round)[i].bed];
            if (faults[i] && !owner.syncFaultTold) Event(owner, Name(owner) + ": " + *faults[i]);
            owner.syncFaultTold = faults[i].has_value();
          }
        });
    if (!posted) {
      m_syncing = false;
      m_unsynced = std::move(*round);
    }
  }

  // The studies open, and those whose final figures are not stored yet, on the disk for a
  // station that is killed (see OpenStudyList). One write at a time: what changes meanwhile is
  // written when it is done; a write that failed is tried again at the next sync.
  void WriteOpenList() {
    if (m_listWriting) {
      m_listChanged = true;
      return;
    }
    std::set<StudyKey> open = m_closing;
    open.insert(m_leftOpen.begin(), m_leftOpen.end());
    for (const StudyKey& key : StudiesInUse()) open.insert(key);
    if (open == m_listed) return;
    const std::vector<StudyKey> list(open.begin(), open.end());
    m_listWriting = true;
    m_listChanged = false;
    const bool posted = OnDisk([folder = m_options.dataFolder, list] { return OpenStudyList::Write(folder, list); },
                               [this, open](std::optional<std::string> fault) {
                                 m_listWriting = false;
                                 if (fault && !m_listFaultTold) Event(*fault);
                                 m_listFaultTold = fault.has_value();
                                 m_listed = fault ? std::nullopt : std::optional(open);
                                 if (m_listChanged) WriteOpenList();
                               });
    if (!posted) m_listWriting = false;
  }

  // The studies a killed station left open: their figures counted from their recordings.
  void CountLeftOpen() {
    for (const StudyKey& key : OpenStudyList::Read(m_options.dataFolder)) {
      m_leftOpen.insert(key);
      const std::string folder = m_options.dataFolder;
      OnDatabase(
          [this, folder, key]() -> std::string {
            const auto figures = StudyRecording::Count(folder, key.first, key.second);
            if (!figures) return "study " + key.second + " of patient " + key.first + " has no recording";
            if (!m_db.UpdateFigures({key.first, key.second, figures->lengthSeconds, figures->lossSeconds})) {
              return m_db.Fault();
            }
            return "study " + key.second + " of patient " + key.first + " was left open: " +
                   std::to_string(figures->lengthSeconds) + " s recorded, counted from its recording";
          },
          [this, key](const std::string& told) {
            Event(told);
            m_leftOpen.erase(key);
            WriteOpenList();
          });
    }
  }

  // Runs `job` beside the loop and `done` with its result on it; once the workers stopped (the
  // station stops), both at once. False when the queue is full.
  template <class Job, class Done>
  bool OnDatabase(Job job, Done done) {
    return OnWorker(m_database, std::move(job), std::move(done));
  }
  template <class Job, class Done>
  bool OnDisk(Job job, Done done) {
    return OnWorker(m_disk, std::move(job), std::move(done));
  }
  template <class Job, class Done>
  bool OnWorker(LoopWorker& worker, Job job, Done done) {
    if (!m_workersStopped) return worker.Post(std::move(job), std::move(done));
    done(job());
    return true;
  }

  void ShowFigures(Bed& bed) {
    bed.row.lengthSeconds = bed.study->LengthSeconds();
    bed.row.lossSeconds = bed.study->LossSeconds();
  }

  // ---- The beds' watch

  void Watch() {
    m_watch.expires_after(kWatchInterval);
    m_watch.async_wait([this](const boost::system::error_code& error) {
      if (error) return;
      const Clock::time_point now = Clock::now();
      for (Bed& bed : m_beds) WatchBed(bed, now);
      Watch();
    });
  }

  void WatchBed(Bed& bed, Clock::time_point now) {
    if (bed.session && bed.row.link == BedRow::Link::Connected && now - bed.session->LastReceived() >= m_options.silence) {
      bed.row.link = BedRow::Link::Silent;
      Event(bed, Name(bed) + ": communication failure: no data for " + Seconds(m_options.silence));
    }
    if (!bed.session && (bed.study || !bed.admissions.empty()) && now - bed.lostAt >= m_options.reconnectWindow) {
      EndLostBed(bed);
    }
    if (bed.study) ShowFigures(bed);
    if (!bed.admitting && !bed.admissions.empty() && now >= bed.admitAt) Admit(bed);
  }

  void EndLostBed(Bed& bed) {
    CloseStudy(bed, "no reconnection within " + Minutes(m_options.reconnectWindow));
    if (bed.admitting) return;
    TellUnadmitted(bed);
    Free(bed);
  }

  void TellUnadmitted(Bed& bed) {
    for (const Admission& admission : bed.admissions) {
      if (!admission.patient) continue;
      Event(bed, Name(bed) + ": patient " + admission.patient->id +
                     " could not be admitted; her link is not recorded");
    }
  }

  // Writes every recording's buffered link, and tries again what the disk refused.
  void WriteLater() {
    m_write.expires_after(kWriteInterval);
    m_write.async_wait([this](const boost::system::error_code& error) {
      if (error) return;
      for (Bed& bed : m_beds) {
        if (!bed.study) continue;
        bed.study->Flush();
        TellRecordingChange(bed);
        ShowFigures(bed);
      }
      WriteLater();
    });
  }

  void SyncLater() {
    m_sync.expires_after(m_options.syncInterval);
    m_sync.async_wait([this](const boost::system::error_code& error) {
      if (error) return;
      StoreFigures();
      SyncRecordings();
      WriteOpenList();
      SyncLater();
    });
  }

  void RefreshLater() {
    m_refresh.expires_after(m_options.refreshInterval);
    m_refresh.async_wait([this](const boost::system::error_code& error) {
      if (error) return;
      Refresh();
      RefreshLater();
    });
  }

  void Refresh() {
    if (m_callbacks.onStatus) m_callbacks.onStatus(m_around->Status());
    if (!m_callbacks.onRefresh) return;
    std::vector<BedRow> rows;
    rows.reserve(m_beds.size());
    for (const Bed& bed : m_beds) rows.push_back(bed.row);
    m_callbacks.onRefresh(rows);
  }

  void WaitForSignal() {
    m_signals.add(SIGINT);
    m_signals.add(SIGTERM);
    m_signals.async_wait([this](const boost::system::error_code& error, int) {
      if (!error) Shutdown();
    });
  }

  // Stops taking links, lets the work beside the loop finish (its results reach the loop
  // first), then closes every study at once.
  void Shutdown() {
    if (m_stopped) return;
    if (m_around) m_around->Stop();
    m_stopped = true;
    boost::system::error_code ignored;
    m_acceptor.close(ignored);
    m_acceptRetry.cancel();
    m_watch.cancel();
    m_write.cancel();
    m_sync.cancel();
    m_refresh.cancel();
    m_signals.cancel(ignored);
    for (Bed& bed : m_beds) {
      if (bed.session) bed.session->Close();
      bed.session.reset();
    }
    m_database.Stop();
    m_disk.Stop();
    m_workersStopped = true;
    asio::post(m_context, [this] { CloseAll(); });
  }

  // Last on the loop: the admissions still waiting are tried once more, every study is closed.
  void CloseAll() {
    for (Bed& bed : m_beds) {
      if (!bed.admitting) Admit(bed);
      CloseStudy(bed, "the station stopped");
      TellUnadmitted(bed);
    }
    Refresh();
    m_context.stop();
  }

  Bed& BedOf(const BedSession& session) { return m_beds[static_cast<std::size_t>(session.Bed())]; }
  std::size_t Index(const Bed& bed) const { return static_cast<std::size_t>(&bed - m_beds.data()); }
  std::string Name(const Bed& bed) const { return BedName(static_cast<int>(Index(bed))); }

  void Free(Bed& bed) {
    const int number = bed.row.bed;
    bed = Bed{};
    bed.row.bed = number;
    m_around->BedChanged(bed.row);
  }

  void Event(Bed& bed, const std::string& text) {
    if (bed.study) bed.study->LogEvent(text);
    Event(text);
    m_around->BedChanged(bed.row);
  }

  void Event(const std::string& text) {
    if (m_callbacks.onEvent) m_callbacks.onEvent(text);
    if (m_around) m_around->EventTold(text);
  }

  // ---- WardControl: what the ward around the engine asks of it

  int Beds() const override { return static_cast<int>(m_beds.size()); }
  const BedRow& Row(int bed) const override { return m_beds.at(static_cast<std::size_t>(bed - 1)).row; }
  std::shared_ptr<StudyRecording> Study(int bed) const override {
    return m_beds.at(static_cast<std::size_t>(bed - 1)).study;
  }
  void Discharge(int number, const std::string& why) override {
    Bed& bed = m_beds.at(static_cast<std::size_t>(number - 1));
    CloseStudy(bed, why);
    if (bed.session) bed.session->Close();
    Event(bed, Name(bed) + ": the bed is free");
    Free(bed);
  }
  void Tell(const std::string& text) override { Event(text); }
  void Tell(int bed, const std::string& text) override { Event(m_beds.at(static_cast<std::size_t>(bed - 1)), text); }

  StationOptions m_options;
  Callbacks m_callbacks;
  WardFile m_ward;
  StationDatabase m_db;  // used on the database worker's thread only, once started
  asio::io_context m_context;
  asio::ip::tcp::acceptor m_acceptor;
  asio::steady_timer m_acceptRetry;
  std::chrono::milliseconds m_acceptDelay{0};
  asio::steady_timer m_watch;
  asio::steady_timer m_write;
  asio::steady_timer m_sync;
  asio::steady_timer m_refresh;
  asio::signal_set m_signals;
  std::vector<Bed> m_beds;
  std::uint64_t m_serial = 0;
  std::set<StudyKey> m_closing;   // closed, final figures not stored yet
  std::set<StudyKey> m_leftOpen;  // left open by a killed station, figures not counted yet
  std::optional<std::set<StudyKey>> m_listed;  // what the open list on disk holds, when known
  bool m_listWriting = false;
  bool m_listChanged = false;
  bool m_listFaultTold = false;
  bool m_stopped = false;
  bool m_workersStopped = false;
  bool m_storing = false;  // a round of figures is with the database
  bool m_syncing = false;  // a round of syncs is with the disk
  std::vector<UnsyncedStudy> m_unsynced;
  std::unique_ptr<StationWard> m_around;  // the web side and the hospital around the beds; ends before the loop it works on
  // Last, so that they end first: their jobs use the database and post to the loop.
  LoopWorker m_database;
  LoopWorker m_disk;
};

StationEngine::StationEngine(StationOptions options, Callbacks callbacks)
    : m_loop(std::make_unique<Loop>(std::move(options), std::move(callbacks))) {}

StationEngine::~StationEngine() = default;

std::optional<std::string> StationEngine::Start() { return m_loop->Start(); }

int StationEngine::Port() const { return m_loop->Port(); }

int StationEngine::WebPort() const { return m_loop->WebPort(); }

int StationEngine::AdmissionsPort() const { return m_loop->AdmissionsPort(); }

void StationEngine::Run() { m_loop->Run(); }

void StationEngine::Stop() { m_loop->Stop(); }
