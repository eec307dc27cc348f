// ward_dev: the ward's web side with a made-up ward, for developing and measuring the pages
// without a station. Not shipped. Each bed's made-up monitor (CtgModel, seeded by the bed's
// number) sends a batch of five samples every 1.25 s, stamped with the moment it is handed to the
// server; a bed has recorded the last 20 minutes when the program starts. Commands on standard
// input: "silent N" (bed N's monitor stops; after 5 s a high alarm), "back N", "quit".
//
//   ward_dev --port 8080 --beds 64 --password secret [--www DIR] [--seconds N]

#include <boost/asio/io_context.hpp>
#include <boost/asio/posix/stream_descriptor.hpp>
#include <boost/asio/read_until.hpp>
#include <boost/asio/signal_set.hpp>
#include <boost/asio/steady_timer.hpp>
#include <boost/asio/streambuf.hpp>
#include <cstdio>
#include <deque>
#include <iostream>
#include <map>
#include <memory>
#include <string>
#include <unistd.h>

#include "link/CtgModel.h"
#include "link/SeededRandom.h"
#include "web/WardServer.h"
#include "web/WardService.h"

namespace {

using Clock = std::chrono::system_clock;
using Instant = Clock::time_point;
constexpr auto kBatch = std::chrono::milliseconds(1250);
constexpr std::size_t kSamplesPerBatch = 5;
constexpr auto kSilence = std::chrono::seconds(5);
constexpr auto kHistory = std::chrono::minutes(20);

// One bed's made-up monitor and what it recorded.
struct Bed {
  explicit Bed(int number) : random(static_cast<std::uint32_t>(number)), model(random) {
    view.bed = number;
    view.link = BedView::Link::Connected;
    char id[32];
    std::snprintf(id, sizeof id, "SIM-0000-%04d", number);
    view.patientId = id;
    view.patientName = "Testpatient Simulated";
    view.studyId = "";
    patient = MonitoredPatient{id, "Testpatient", "Simulated",
                               std::chrono::year_month_day{std::chrono::year(1994), std::chrono::month(5),
                                                           std::chrono::day(17)},
                               "1"};
  }

  TraceSample Next() {
    const CtgSample moment = model.Next();
    TraceSample sample;
    if (moment.fhr1) sample.Value(TraceChannel::FHR1) = static_cast<float>(*moment.fhr1);
    sample.Value(TraceChannel::MHR) = static_cast<float>(moment.maternalHeartRate);
    sample.Value(TraceChannel::UC) = static_cast<float>(moment.uc);
    if (moment.fetalMovement) sample.marks |= TraceSample::kMovement1;
    if (moment.fhr1 && *moment.fhr1 > 160) sample.Alarm(TraceChannel::FHR1) = 1;
    if (++count % 720 == 1) sample.marks |= TraceSample::kMarker;
    return sample;
  }

  SeededRandom random;
  CtgModel model;
  std::uint64_t count = 0;
  BedView view;
  MonitoredPatient patient;
  std::deque<TraceBatch> batches;  // consecutive, the newest last
  bool silent = false;
  Instant lastBatch{};
};

class DevWard : public WardService {
 public:
  DevWard(int beds, std::string password) : m_password(std::move(password)) {
    const Instant now = Clock::now();
    const Instant start = now - kHistory;
    std::time_t startSeconds = Clock::to_time_t(start);
    std::tm local{};
    localtime_r(&startSeconds, &local);
    char study[16];
    std::strftime(study, sizeof study, "%Y%m%d%H%M%S", &local);
    for (int number = 1; number <= beds; ++number) {
      auto bed = std::make_unique<Bed>(number);
      bed->view.studyId = study;
      for (Instant at = start; at + kBatch <= now; at += kBatch) Produce(*bed, at);
      m_beds.push_back(std::move(bed));
    }
  }

  void Attach(WardServer& server) { m_server = &server; }

  // Every bed's next batch, stamped now; a silent bed's alarm once it has been silent long enough.
  void Tick() {
    const Instant now = Clock::now();
    for (auto& bed : m_beds) {
      if (bed->silent) {
        if (bed->view.link == BedView::Link::Connected && now - bed->lastBatch >= kSilence) {
          bed->view.link = BedView::Link::Silent;
          Raise(*bed, WardAlarm::Priority::High, "Communication failure", now);
        }
        continue;
      }
      // A monitor's batches follow one another without a gap; one that was silent starts anew.
      const Instant start = now - bed->lastBatch < 2 * kBatch ? bed->lastBatch : now - kBatch;
      const TraceBatch& batch = Produce(*bed, start);
      m_server->SamplesArrived(bed->view.bed, batch);
      m_server->BedChanged(bed->view);
    }
  }

  void Command(const std::string& line) {
    int number = 0;
    char verb[16] = {};
    if (std::sscanf(line.c_str(), "%15s %d", verb, &number) != 2 || number < 1 || number > static_cast<int>(m_beds.size())) return;
    Bed& bed = *m_beds[static_cast<std::size_t>(number - 1)];
    if (std::string(verb) == "silent") bed.silent = true;
    if (std::string(verb) == "back") {
      bed.silent = false;
      bed.view.link = BedView::Link::Connected;
      for (const WardAlarm& alarm : bed.view.alarms) Clear(alarm.id);
      m_server->BedChanged(bed.view);
    }
  }

  std::vector<BedView> Beds() override {
    std::vector<BedView> views;
    for (const auto& bed : m_beds) views.push_back(bed->view);
    return views;
  }

  void CheckLogin(const std::string& user, const std::string& password, std::function<void(LoginCheck)> done) override {
    done(user == "midwife" && password == m_password ? LoginCheck::Accepted : LoginCheck::Refused);
  }

  void Trace(int bed, Instant from, Instant to, Reply<BedTrace> done) override {
    if (bed < 1 || bed > static_cast<int>(m_beds.size())) {
      return done(ServiceResult<BedTrace>::Fault(ServiceStatus::NotFound, "there is no such bed"));
    }
    BedTrace trace;
    for (const TraceBatch& batch : m_beds[static_cast<std::size_t>(bed - 1)]->batches) {
      for (std::size_t index = 0; index < batch.samples.size(); ++index) {
        const Instant time = batch.start + TraceBatch::kSamplePeriod * static_cast<long>(index);
        if (time < from || time >= to) continue;
        if (trace.samples.samples.empty()) trace.samples.start = time;
        while (trace.samples.End() < time) trace.samples.samples.emplace_back();
        trace.samples.samples.push_back(batch.samples[index]);
      }
    }
    for (const WardAlarm& alarm : m_alarms) {
      if (alarm.bed == bed && alarm.since < to && (!alarm.cleared || *alarm.cleared > from)) trace.alarms.push_back(alarm);
    }
    done(ServiceResult<BedTrace>::Done(std::move(trace)));
  }

  void StripPdf(int, Instant, Instant, Reply<std::string> done) override {
    done(ServiceResult<std::string>::Done("%PDF-1.4\n% a made-up ward has no strip\n%%EOF\n"));
  }

  void Alarms(std::optional<int> bed, Reply<std::vector<WardAlarm>> done) override {
    std::vector<WardAlarm> alarms;
    for (auto alarm = m_alarms.rbegin(); alarm != m_alarms.rend(); ++alarm) {
      if (!bed || alarm->bed == *bed) alarms.push_back(*alarm);
    }
    done(ServiceResult<std::vector<WardAlarm>>::Done(alarms));
  }

  void Acknowledge(std::uint64_t id, const std::string& user, Reply<WardAlarm> done) override {
    WardAlarm* alarm = Find(id);
    if (!alarm) return done(ServiceResult<WardAlarm>::Fault(ServiceStatus::NotFound, "there is no such alarm"));
    if (alarm->acknowledgedBy.empty()) {
      alarm->acknowledgedBy = user;
      alarm->acknowledged = Clock::now();
      Changed(WardAlarm::Event::Acknowledged, *alarm);
    }
    done(ServiceResult<WardAlarm>::Done(*alarm));
  }

  void Patient(int bed, Reply<MonitoredPatient> done) override {
    if (bed < 1 || bed > static_cast<int>(m_beds.size())) {
      return done(ServiceResult<MonitoredPatient>::Fault(ServiceStatus::NotFound, "the bed is free"));
    }
    done(ServiceResult<MonitoredPatient>::Done(m_beds[static_cast<std::size_t>(bed - 1)]->patient));
  }

  void CorrectPatient(int bed, const MonitoredPatient& corrected, const std::string&, Reply<MonitoredPatient> done) override {
    if (bed < 1 || bed > static_cast<int>(m_beds.size())) {
      return done(ServiceResult<MonitoredPatient>::Fault(ServiceStatus::NotFound, "the bed is free"));
    }
    Bed& stored = *m_beds[static_cast<std::size_t>(bed - 1)];
    if (corrected.version != stored.patient.version) {
      return done(ServiceResult<MonitoredPatient>::Fault(ServiceStatus::Conflict,
                                                         "someone else corrected this patient meanwhile", stored.patient));
    }
    if (corrected.id.empty()) return done(ServiceResult<MonitoredPatient>::Fault(ServiceStatus::Invalid, "a patient needs an ID"));
    stored.patient = corrected;
    stored.patient.version = std::to_string(std::stoi(corrected.version) + 1);
    stored.view.patientId = corrected.id;
    stored.view.patientName = corrected.firstName + " " + corrected.lastName;
    m_server->BedChanged(stored.view);
    done(ServiceResult<MonitoredPatient>::Done(stored.patient));
  }

  void Audit(const AuditEntry& entry) override {
    std::cerr << "audit: " << entry.user << " " << entry.detail << "\n";
  }

 private:
  const TraceBatch& Produce(Bed& bed, Instant start) {
    TraceBatch batch;
    batch.start = start;
    for (std::size_t k = 0; k < kSamplesPerBatch; ++k) batch.samples.push_back(bed.Next());
    const TraceSample& last = batch.samples.back();
    const auto whole = [](const std::optional<float>& v) { return v ? std::optional<int>(static_cast<int>(*v)) : std::nullopt; };
    bed.view.fhr1 = whole(last.Value(TraceChannel::FHR1));
    bed.view.mhr = whole(last.Value(TraceChannel::MHR));
    bed.view.uc = whole(last.Value(TraceChannel::UC));
    bed.lastBatch = start + kBatch;
    bed.batches.push_back(std::move(batch));
    while (bed.batches.size() > 6000) bed.batches.pop_front();
    return bed.batches.back();
  }

  void Raise(Bed& bed, WardAlarm::Priority priority, const std::string& text, Instant now) {
    WardAlarm alarm;
    alarm.id = ++m_lastAlarm;
    alarm.bed = bed.view.bed;
    alarm.priority = priority;
    alarm.text = text;
    alarm.since = now;
    m_alarms.push_back(alarm);
    bed.view.alarms.push_back(alarm);
    m_server->AlarmChanged(WardAlarm::Event::Raised, alarm);
    m_server->BedChanged(bed.view);
  }

  void Clear(std::uint64_t id) {
    WardAlarm* alarm = Find(id);
    if (!alarm || alarm->cleared) return;
    alarm->cleared = Clock::now();
    Changed(WardAlarm::Event::Cleared, *alarm);
  }

  void Changed(WardAlarm::Event event, const WardAlarm& alarm) {
    Bed& bed = *m_beds[static_cast<std::size_t>(alarm.bed - 1)];
    auto& active = bed.view.alarms;
    std::erase_if(active, [&](const WardAlarm& a) { return a.id == alarm.id; });
    if (!alarm.cleared) active.push_back(alarm);
    m_server->AlarmChanged(event, alarm);
    m_server->BedChanged(bed.view);
  }

  WardAlarm* Find(std::uint64_t id) {
    for (WardAlarm& alarm : m_alarms) {
      if (alarm.id == id) return &alarm;
    }
    return nullptr;
  }

  std::string m_password;
  WardServer* m_server = nullptr;
  std::vector<std::unique_ptr<Bed>> m_beds;
  std::vector<WardAlarm> m_alarms;
  std::uint64_t m_lastAlarm = 0;
};

std::string Option(int argc, char** argv, const std::string& name, const std::string& otherwise) {
  for (int i = 1; i + 1 < argc; ++i) {
    if (argv[i] == name) return argv[i + 1];
  }
  return otherwise;
}

}  // namespace

int main(int argc, char** argv) {
  boost::asio::io_context loop;
  DevWard ward(std::stoi(Option(argc, argv, "--beds", "8")), Option(argc, argv, "--password", "midwife"));
  WardServerOptions options;
  options.address = "127.0.0.1:" + Option(argc, argv, "--port", "0");
  options.wwwFolder = Option(argc, argv, "--www", "");
  WardServer server(loop, ward, options);
  ward.Attach(server);
  if (const auto fault = server.Start()) {
    std::cerr << "ward_dev: " << *fault << "\n";
    return 1;
  }
  std::cout << "port " << server.Port() << std::endl;

  boost::asio::steady_timer tick(loop);
  tick.expires_after(std::chrono::seconds(0));
  std::function<void()> next = [&] {
    tick.expires_at(tick.expiry() + kBatch);
    tick.async_wait([&](const boost::system::error_code& error) {
      if (error) return;
      ward.Tick();
      next();
    });
  };
  next();
  boost::asio::posix::stream_descriptor input(loop, ::dup(STDIN_FILENO));
  boost::asio::streambuf lines;
  std::function<void()> read = [&] {
    boost::asio::async_read_until(input, lines, '\n', [&](const boost::system::error_code& error, std::size_t) {
      if (error) return;
      std::istream in(&lines);
      std::string line;
      std::getline(in, line);
      if (line == "quit") return loop.stop();
      ward.Command(line);
      read();
    });
  };
  read();
  boost::asio::signal_set signals(loop, SIGINT, SIGTERM);
  signals.async_wait([&](const boost::system::error_code&, int) { loop.stop(); });
  boost::asio::steady_timer limit(loop);
  if (const int seconds = std::stoi(Option(argc, argv, "--seconds", "0")); seconds > 0) {
    limit.expires_after(std::chrono::seconds(seconds));
    limit.async_wait([&](const boost::system::error_code& error) {
      if (!error) loop.stop();
    });
  }
  loop.run();
  server.Stop();
  return 0;
}
