#pragma once

#include <boost/asio/io_context.hpp>
#include <boost/asio/post.hpp>
#include <chrono>
#include <cmath>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "web/WardService.h"

// A made-up ward for the web side's tests: four beds, two users, made-up patients, a trace per
// bed made of the batches the test produces, an alarm history, a fixed "PDF", and every audit
// line kept. Its answers come at once, except the traces while HoldTraces is on: those wait
// until ReleaseTraces. Everything but the audit lines is used on the loop's thread only.
class FakeWard : public WardService {
 public:
  static constexpr const char* kUser = "midwife";
  static constexpr const char* kPassword = "correct horse battery";
  static constexpr const char* kOtherUser = "obstetrician";
  static constexpr const char* kOtherPassword = "staple";
  static constexpr const char* kPdf = "%PDF-1.4\n% a made-up strip\n%%EOF\n";

  explicit FakeWard(boost::asio::io_context& loop) : m_loop(loop) {
    for (int bed = 1; bed <= 4; ++bed) {
      BedView view;
      view.bed = bed;
      m_beds.push_back(view);
    }
    BedView& first = m_beds[0];
    first.link = BedView::Link::Connected;
    first.patientId = "TEST-1";
    first.patientName = "Testmother Anna";
    first.studyId = "20261025023000";
    first.fhr1 = 141;
    first.mhr = 82;
    first.uc = 17;
    m_patients[1] = MonitoredPatient{"TEST-1", "Anna", "Testmother",
                                     std::chrono::year_month_day{std::chrono::year(1992), std::chrono::month(3),
                                                                 std::chrono::day(14)},
                                     "1"};
  }

  // A batch of `count` samples of bed `bed` from `start`, kept in its trace. Sample i's FHR1 is
  // 110 + the sample's number within the bed's trace mod 80, in quarter bpm steps; every
  // seventh has no FHR2, every 13th a marker and every 17th an alarm status on UC.
  TraceBatch Produce(int bed, std::chrono::system_clock::time_point start, std::size_t count) {
    TraceBatch batch;
    batch.start = start;
    for (std::size_t index = 0; index < count; ++index) {
      const std::size_t number = m_produced[bed]++;
      TraceSample sample;
      sample.Value(TraceChannel::FHR1) = 110.0f + static_cast<float>(number % 320) * 0.25f;
      if (number % 7 != 0) sample.Value(TraceChannel::FHR2) = 120.5f;
      sample.Value(TraceChannel::UC) = static_cast<float>(number % 100) * 0.5f;
      if (number % 13 == 0) sample.marks = TraceSample::kMarker;
      if (number % 17 == 0) sample.Alarm(TraceChannel::UC) = 2;
      batch.samples.push_back(sample);
    }
    Record(bed, batch);
    return batch;
  }

  // Keeps `batch` in bed `bed`'s trace as it is.
  void Record(int bed, const TraceBatch& batch) { m_traces[bed].push_back(batch); }

  std::vector<BedView> Beds() override { return m_beds; }
  BedView& Bed(int bed) { return m_beds.at(static_cast<std::size_t>(bed - 1)); }

  void CheckLogin(const std::string& user, const std::string& password, std::function<void(LoginCheck)> done) override {
    ++m_loginChecks;
    if (m_usersAway) return done(LoginCheck::Unavailable);
    const bool known = (user == kUser && password == kPassword) || (user == kOtherUser && password == kOtherPassword);
    done(known ? LoginCheck::Accepted : LoginCheck::Refused);
  }

  void Trace(int bed, Instant from, Instant to, Reply<BedTrace> done) override {
    ++m_traceRequests;
    m_lastTrace = {from, to};
    auto answer = [this, bed, from, to, done] {
      if (bed < 1 || bed > 4) return done(ServiceResult<BedTrace>::Fault(ServiceStatus::NotFound, "no such bed"));
      done(ServiceResult<BedTrace>::Done(TraceOf(bed, from, to)));
    };
    if (m_holdTraces) {
      m_heldTraces.push_back(answer);
    } else {
      answer();
    }
  }

  void StripPdf(int bed, Instant from, Instant to, Reply<std::string> done) override {
    m_lastStrip = {from, to};
    if (bed < 1 || bed > 4) return done(ServiceResult<std::string>::Fault(ServiceStatus::NotFound, "no such bed"));
    // Answered on a later turn, as a renderer beside the loop would.
    boost::asio::post(m_loop, [done] { done(ServiceResult<std::string>::Done(kPdf)); });
  }

  void Alarms(std::optional<int> bed, Reply<std::vector<WardAlarm>> done) override {
    std::vector<WardAlarm> alarms;
    for (const WardAlarm& alarm : m_alarms) {
      if (!bed || alarm.bed == *bed) alarms.push_back(alarm);
    }
    done(ServiceResult<std::vector<WardAlarm>>::Done(alarms));
  }

  void Acknowledge(std::uint64_t id, const std::string& user, Reply<WardAlarm> done) override {
    for (WardAlarm& alarm : m_alarms) {
      if (alarm.id != id) continue;
      if (alarm.acknowledgedBy.empty()) {
        alarm.acknowledgedBy = user;
        alarm.acknowledged = alarm.since + std::chrono::seconds(30);
      }
      return done(ServiceResult<WardAlarm>::Done(alarm));
    }
    done(ServiceResult<WardAlarm>::Fault(ServiceStatus::NotFound, "there is no alarm " + std::to_string(id)));
  }

  void Patient(int bed, Reply<MonitoredPatient> done) override {
    const auto found = m_patients.find(bed);
    if (found == m_patients.end()) {
      return done(ServiceResult<MonitoredPatient>::Fault(ServiceStatus::NotFound, "bed " + std::to_string(bed) + " is free"));
    }
    done(ServiceResult<MonitoredPatient>::Done(found->second));
  }

  void CorrectPatient(int bed, const MonitoredPatient& corrected, const std::string&,
                      Reply<MonitoredPatient> done) override {
    const auto found = m_patients.find(bed);
    if (found == m_patients.end()) {
      return done(ServiceResult<MonitoredPatient>::Fault(ServiceStatus::NotFound, "the bed is free"));
    }
    if (corrected.version != found->second.version) {
      return done(ServiceResult<MonitoredPatient>::Fault(
          ServiceStatus::Conflict, "someone else corrected this patient meanwhile", found->second));
    }
    if (corrected.id.empty()) {
      return done(ServiceResult<MonitoredPatient>::Fault(ServiceStatus::Invalid, "a patient needs an ID"));
    }
    MonitoredPatient stored = corrected;
    stored.version = std::to_string(std::stoi(found->second.version) + 1);
    found->second = stored;
    done(ServiceResult<MonitoredPatient>::Done(stored));
  }

  void Audit(const AuditEntry& entry) override {
    std::lock_guard lock(m_auditMutex);
    m_audit.push_back(entry);
  }

  void KeepLogins(std::string saved) override {
    std::lock_guard lock(m_auditMutex);
    m_keptLogins = std::move(saved);
  }
  std::string KeptLogins() override {
    std::lock_guard lock(m_auditMutex);
    return m_keptLogins;
  }

  std::vector<AuditEntry> AuditLines() {
    std::lock_guard lock(m_auditMutex);
    return m_audit;
  }

  void HoldTraces(bool hold) { m_holdTraces = hold; }
  void ReleaseTraces() {
    auto held = std::move(m_heldTraces);
    m_heldTraces.clear();
    for (auto& answer : held) answer();
  }
  std::size_t HeldTraces() const { return m_heldTraces.size(); }

  std::vector<WardAlarm> m_alarms;
  std::map<int, MonitoredPatient> m_patients;
  bool m_usersAway = false;
  int m_loginChecks = 0;
  int m_traceRequests = 0;
  std::pair<Instant, Instant> m_lastTrace;
  std::pair<Instant, Instant> m_lastStrip;

 private:
  // The samples of bed `bed` from `from` to `to`, as one stretch (gaps between batches as
  // samples without values).
  BedTrace TraceOf(int bed, Instant from, Instant to) const {
    BedTrace trace;
    const auto found = m_traces.find(bed);
    if (found == m_traces.end()) return trace;
    bool started = false;
    for (const TraceBatch& batch : found->second) {
      for (std::size_t index = 0; index < batch.samples.size(); ++index) {
        const Instant time = batch.start + TraceBatch::kSamplePeriod * static_cast<long>(index);
        if (time < from || time >= to) continue;
        if (!started) {
          trace.samples.start = time;
          started = true;
        }
        while (trace.samples.End() < time) trace.samples.samples.emplace_back();
        trace.samples.samples.push_back(batch.samples[index]);
      }
    }
    for (const WardAlarm& alarm : m_alarms) {
      if (alarm.bed == bed && alarm.since < to && (!alarm.cleared || *alarm.cleared > from)) trace.alarms.push_back(alarm);
    }
    return trace;
  }

  boost::asio::io_context& m_loop;
  std::vector<BedView> m_beds;
  std::map<int, std::vector<TraceBatch>> m_traces;
  std::map<int, std::size_t> m_produced;
  bool m_holdTraces = false;
  std::vector<std::function<void()>> m_heldTraces;
  std::mutex m_auditMutex;
  std::vector<AuditEntry> m_audit;
  std::string m_keptLogins;
};
