#include "ward/StationEngine.h"

#include <algorithm>
#include <boost/asio.hpp>
#include <csignal>
#include <ctime>

#include "packet/PKParam_v110.h"
#include "packet/PKPatient_v110.h"
#include "ward/BedHost.h"
#include "ward/BedNumerics.h"
#include "ward/BedSession.h"
#include "ward/StationDatabase.h"
#include "ward/StudyRecording.h"

namespace asio = boost::asio;

namespace {

using Clock = std::chrono::steady_clock;

// Link bytes that come before the patient is known wait for her study, up to about a minute
// of a monitor's link; a connection that never names a patient is not recorded.
constexpr std::size_t kMaxWaitingBytes = 256 * 1024;
// How often the silence of the beds is looked at: a failure is reported within this much
// after the configured silence.
constexpr auto kWatchInterval = std::chrono::milliseconds(250);

std::string BedName(int bed) { return "bed " + std::to_string(bed + 1); }

std::string Minutes(std::chrono::milliseconds time) {
  return std::to_string(std::chrono::duration_cast<std::chrono::minutes>(time).count()) + " min";
}

std::string Seconds(std::chrono::milliseconds time) {
  return std::to_string(std::chrono::duration_cast<std::chrono::seconds>(time).count()) + " s";
}

}  // namespace

// The loop and everything that lives on it.
class StationEngine::Loop : public BedHost {
 public:
  Loop(StationOptions options, Callbacks callbacks)
      : m_options(std::move(options)),
        m_callbacks(std::move(callbacks)),
        m_acceptor(m_context),
        m_watch(m_context),
        m_sync(m_context),
        m_refresh(m_context),
        m_signals(m_context),
        m_beds(static_cast<std::size_t>(std::max(0, m_options.beds))) {
    for (std::size_t index = 0; index < m_beds.size(); ++index) m_beds[index].row.bed = static_cast<int>(index) + 1;
  }

  std::optional<std::string> Start() {
    if (auto fault = m_db.Connect(m_options.databaseUri)) return fault;
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
    Accept();
    Watch();
    SyncLater();
    RefreshLater();
    if (m_options.stopOnSignals) WaitForSignal();
    return std::nullopt;
  }

  int Port() const { return m_acceptor.is_open() ? m_acceptor.local_endpoint().port() : 0; }

  void Run() { m_context.run(); }

  void Stop() {
    asio::post(m_context, [this] { Shutdown(); });
  }

  // BedHost: what the beds' links report.
  void OnLinkBytes(BedSession& session, std::span<const unsigned char> bytes) override {
    Bed& bed = m_beds[static_cast<std::size_t>(session.Bed())];
    bed.row.bytes += bytes.size();
    if (bed.row.link == BedRow::Link::Silent) {
      bed.row.link = BedRow::Link::Connected;
      Event(bed, BedName(session.Bed()) + ": link restored");
    }
    if (bed.study) {
      if (!bed.study->Append(bytes) && !bed.recordingFailed) {
        bed.recordingFailed = true;
        Event(bed, BedName(session.Bed()) + ": " + *bed.study->Fault());
      }
    } else if (bed.waitingBytes.size() + bytes.size() <= kMaxWaitingBytes) {
      bed.waitingBytes.insert(bed.waitingBytes.end(), bytes.begin(), bytes.end());
    } else if (!bed.unrecorded) {
      bed.unrecorded = true;
      Event(bed, BedName(session.Bed()) + ": no patient announced, the link is not recorded");
    }
  }

  void OnBadBytes(BedSession& session, std::uint64_t count) override {
    m_beds[static_cast<std::size_t>(session.Bed())].row.badBytes += count;
  }

  void OnPatient(BedSession& session, PKPatient_v110& patient) override {
    const std::string patientId = patient.GetPatientId().GetString();
    Bed* bed = &m_beds[static_cast<std::size_t>(session.Bed())];
    if (bed->study && (patientId.empty() || patientId == bed->study->PatientId())) return;
    if (bed->study) CloseStudy(*bed, "another patient at the bed");
    if (Bed* lost = LostBedOf(patientId)) bed = &TakeOver(*lost, session);
    if (!bed->study && !Admit(*bed, patient)) return;
    bed->row.patientName = std::string(patient.GetLastName().GetString()) + ", " + patient.GetFirstName().GetString();
    bed->study->Append(bed->waitingBytes);
    bed->waitingBytes.clear();
    bed->waitingBytes.shrink_to_fit();
  }

  void OnNumerics(BedSession& session, PKParam_v110& numerics) override {
    Bed& bed = m_beds[static_cast<std::size_t>(session.Bed())];
    BedNumerics::Show(numerics, bed.row);
    if (!bed.study) return;
    bed.study->CountNumerics(numerics);
    bed.row.lengthSeconds = bed.study->LengthSeconds();
    bed.row.lossSeconds = bed.study->LossSeconds();
  }

  void OnLinkEnded(BedSession& session, const std::string& reason) override {
    Bed& bed = m_beds[static_cast<std::size_t>(session.Bed())];
    bed.session.reset();
    const std::string name = BedName(session.Bed());
    if (!bed.study) {
      Event(bed, name + ": monitor disconnected (" + reason + ")");
      Free(bed);
      return;
    }
    if (bed.row.link != BedRow::Link::Silent) {
      Event(bed, name + ": communication failure: " + reason);
    } else {
      Event(bed, name + ": link closed (" + reason + ")");
    }
    bed.row.link = BedRow::Link::Lost;
    bed.lostAt = Clock::now();
  }

 private:
  // One bed of the ward: its monitor's session while connected, and its study while the
  // patient is there (also while the link is lost, until the reconnection window ends).
  struct Bed {
    BedRow row;
    std::shared_ptr<BedSession> session;
    std::unique_ptr<StudyRecording> study;
    std::vector<unsigned char> waitingBytes;
    Clock::time_point lostAt;
    bool unrecorded = false;
    bool recordingFailed = false;
  };

  void Accept() {
    m_acceptor.async_accept([this](const boost::system::error_code& error, asio::ip::tcp::socket socket) {
      if (error == asio::error::operation_aborted || !m_acceptor.is_open()) return;
      if (!error) Admit(std::move(socket));
      Accept();
    });
  }

  void Admit(asio::ip::tcp::socket socket) {
    auto session = std::make_shared<BedSession>(std::move(socket), *this);
    Bed* bed = FreeBed();
    if (!bed) return Refuse(session);
    const int index = static_cast<int>(bed - m_beds.data());
    session->SetBed(index);
    bed->session = session;
    bed->row.link = BedRow::Link::Connected;
    bed->row.peer = session->Peer();
    Event(*bed, BedName(index) + ": monitor connected from " + session->Peer());
    session->Start();
  }

  // A bed with neither a monitor nor a patient; failing that, the one whose link was lost
  // longest ago, whose study then ends.
  Bed* FreeBed() {
    Bed* oldestLost = nullptr;
    for (Bed& bed : m_beds) {
      if (bed.session) continue;
      if (!bed.study) return &bed;
      if (!oldestLost || bed.lostAt < oldestLost->lostAt) oldestLost = &bed;
    }
    if (oldestLost) {
      CloseStudy(*oldestLost, "its bed was needed for another monitor");
      Free(*oldestLost);
    }
    return oldestLost;
  }

  void Refuse(const std::shared_ptr<BedSession>& session) {
    const std::string reason = "all " + std::to_string(m_beds.size()) + " beds are taken";
    if (m_callbacks.onEvent) m_callbacks.onEvent("refused the monitor at " + session->Peer() + ": " + reason);
    session->Refuse("the station refused the link: " + reason + "\n");
  }

  Bed* LostBedOf(const std::string& patientId) {
    if (patientId.empty()) return nullptr;
    for (Bed& bed : m_beds) {
      if (!bed.session && bed.study && bed.study->PatientId() == patientId) return &bed;
    }
    return nullptr;
  }

  // The session's monitor is back, maybe under another bed: it takes over its lost bed.
  Bed& TakeOver(Bed& lost, BedSession& session) {
    Bed& provisional = m_beds[static_cast<std::size_t>(session.Bed())];
    const int index = static_cast<int>(&lost - m_beds.data());
    lost.session = std::move(provisional.session);
    lost.waitingBytes = std::move(provisional.waitingBytes);
    lost.row.link = BedRow::Link::Connected;
    lost.row.peer = session.Peer();
    lost.row.bytes += provisional.row.bytes;
    lost.row.badBytes += provisional.row.badBytes;
    if (&provisional != &lost) Free(provisional);
    session.SetBed(index);
    Event(lost, BedName(index) + ": link restored from " + session.Peer() + ", study " + lost.study->StudyId() +
                    " goes on");
    return lost;
  }

  // Admits the patient and gives the bed her study: the one she was recorded in until a
  // moment ago (the station restarted meanwhile), or a new one.
  bool Admit(Bed& bed, PKPatient_v110& patient) {
    const std::string name = BedName(static_cast<int>(&bed - m_beds.data()));
    const std::optional<std::string> patientId = m_db.Admit(patient);
    if (!patientId) return Failed(bed, name + ": " + m_db.Fault());
    std::optional<StationDatabase::Study> study = ContinuableStudy(*patientId);
    const bool continues = study.has_value();
    if (!study) study = m_db.StartStudy(*patientId, std::time(nullptr));
    if (!study) return Failed(bed, name + ": " + m_db.Fault());
    auto recording = std::make_unique<StudyRecording>(study->patientId, study->studyId);
    if (auto fault = recording->Open(m_options.dataFolder)) return Failed(bed, name + ": " + *fault);
    bed.study = std::move(recording);
    bed.row.patientId = study->patientId;
    bed.row.studyId = study->studyId;
    bed.row.lengthSeconds = bed.study->LengthSeconds();
    bed.row.lossSeconds = bed.study->LossSeconds();
    Event(bed, name + ": patient " + study->patientId + (continues ? ", study " : ", new study ") + study->studyId +
                   (continues ? " goes on" : ""));
    return true;
  }

  std::optional<StationDatabase::Study> ContinuableStudy(const std::string& patientId) {
    std::optional<StationDatabase::Study> latest = m_db.LatestStudy(patientId);
    if (!latest || InUse(*latest)) return std::nullopt;
    const auto age = StudyRecording::SecondsSinceWritten(m_options.dataFolder, latest->patientId, latest->studyId);
    const auto window = std::chrono::duration_cast<std::chrono::seconds>(m_options.reconnectWindow).count();
    if (!age || *age > window) return std::nullopt;
    return latest;
  }

  bool InUse(const StationDatabase::Study& study) const {
    return std::any_of(m_beds.begin(), m_beds.end(), [&](const Bed& bed) {
      return bed.study && bed.study->PatientId() == study.patientId && bed.study->StudyId() == study.studyId;
    });
  }

  void CloseStudy(Bed& bed, const std::string& why) {
    if (!bed.study) return;
    const std::string name = BedName(static_cast<int>(&bed - m_beds.data()));
    Event(bed, name + ": study " + bed.study->StudyId() + " closed (" + why + "), " +
                   std::to_string(bed.study->LengthSeconds()) + " s recorded");
    StoreFigures(bed);
    bed.study.reset();
  }

  void StoreFigures(Bed& bed) {
    bed.study->Sync();
    const StationDatabase::Study figures{bed.study->PatientId(), bed.study->StudyId(), bed.study->LengthSeconds(),
                                         bed.study->LossSeconds()};
    if (!m_db.UpdateFigures(figures)) Event(bed, BedName(static_cast<int>(&bed - m_beds.data())) + ": " + m_db.Fault());
  }

  void Free(Bed& bed) {
    const int number = bed.row.bed;
    bed = Bed{};
    bed.row.bed = number;
  }

  bool Failed(Bed& bed, const std::string& text) {
    Event(bed, text);
    return false;
  }

  void Event(Bed& bed, const std::string& text) {
    if (bed.study) bed.study->LogEvent(text);
    if (m_callbacks.onEvent) m_callbacks.onEvent(text);
  }

  // Reports links gone silent and ends the studies of links lost for too long.
  void Watch() {
    m_watch.expires_after(kWatchInterval);
    m_watch.async_wait([this](const boost::system::error_code& error) {
      if (error) return;
      const Clock::time_point now = Clock::now();
      for (std::size_t index = 0; index < m_beds.size(); ++index) {
        Bed& bed = m_beds[index];
        const int number = static_cast<int>(index);
        if (bed.session && bed.row.link == BedRow::Link::Connected &&
            now - bed.session->LastReceived() >= m_options.silence) {
          bed.row.link = BedRow::Link::Silent;
          Event(bed, BedName(number) + ": communication failure: no data for " + Seconds(m_options.silence));
        } else if (!bed.session && bed.study && now - bed.lostAt >= m_options.reconnectWindow) {
          CloseStudy(bed, "no reconnection within " + Minutes(m_options.reconnectWindow));
          Free(bed);
        }
      }
      Watch();
    });
  }

  void SyncLater() {
    m_sync.expires_after(m_options.syncInterval);
    m_sync.async_wait([this](const boost::system::error_code& error) {
      if (error) return;
      for (Bed& bed : m_beds) {
        if (bed.study) StoreFigures(bed);
      }
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

  void Shutdown() {
    if (m_stopped) return;
    m_stopped = true;
    boost::system::error_code ignored;
    m_acceptor.close(ignored);
    m_watch.cancel();
    m_sync.cancel();
    m_refresh.cancel();
    m_signals.cancel(ignored);
    for (Bed& bed : m_beds) {
      if (bed.session) bed.session->Close();
      CloseStudy(bed, "the station stopped");
    }
    Refresh();
    m_context.stop();
  }

  StationOptions m_options;
  Callbacks m_callbacks;
  StationDatabase m_db;
  asio::io_context m_context;
  asio::ip::tcp::acceptor m_acceptor;
  asio::steady_timer m_watch;
  asio::steady_timer m_sync;
  asio::steady_timer m_refresh;
  asio::signal_set m_signals;
  std::vector<Bed> m_beds;
  bool m_stopped = false;
};

StationEngine::StationEngine(StationOptions options, Callbacks callbacks)
    : m_loop(std::make_unique<Loop>(std::move(options), std::move(callbacks))) {}

StationEngine::~StationEngine() = default;

std::optional<std::string> StationEngine::Start() { return m_loop->Start(); }

int StationEngine::Port() const { return m_loop->Port(); }

void StationEngine::Run() { m_loop->Run(); }

void StationEngine::Stop() { m_loop->Stop(); }
