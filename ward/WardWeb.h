#pragma once

#include <optional>
#include <string>

#include "web/WardServer.h"
#include "web/WardService.h"

namespace boost::asio {
class io_context;
}
class StationWard;

// The ward's web side: the WardServer on the station's loop and the WardService it asks of the
// ward, answered from what the loop holds (the beds, the alarms), from the ward's database
// connection (logins, patients) and from the recordings read back beside the loop (traces, the
// strip). Texts go to the web side in UTF-8 and come back into the station's code page.
class WardWeb : public WardService {
 public:
  WardWeb(StationWard& ward, boost::asio::io_context& loop);
  ~WardWeb() override;

  // Starts the server. The fault (e.g. plain HTTP on an address that is not loopback), or
  // nullopt.
  std::optional<std::string> Start();
  void Stop();
  int Port() const { return m_server.Port(); }
  // "web: 2 live streams"
  std::string Status() const;

  // The ward's reports, as WardServer takes them.
  void BedChanged(const BedView& view);
  void SamplesArrived(int bed, TraceBatch batch);
  void AlarmChanged(WardAlarm::Event event, const WardAlarm& alarm);

  // WardService
  std::vector<BedView> Beds() override;
  void CheckLogin(const std::string& user, const std::string& password, std::function<void(LoginCheck)> done) override;
  void Trace(int bed, Instant from, Instant to, Reply<BedTrace> done) override;
  void StripPdf(int bed, Instant from, Instant to, Reply<std::string> done) override;
  void Alarms(std::optional<int> bed, Reply<std::vector<WardAlarm>> done) override;
  void Acknowledge(std::uint64_t alarm, const std::string& user, Reply<WardAlarm> done) override;
  void Patient(int bed, Reply<MonitoredPatient> done) override;
  void CorrectPatient(int bed, const MonitoredPatient& corrected, const std::string& user,
                      Reply<MonitoredPatient> done) override;
  void Audit(const AuditEntry& entry) override;
  // In station.logins in the data folder, the station user's alone.
  void KeepLogins(std::string saved) override;
  std::string KeptLogins() override;

 private:
  bool IsBed(int bed) const;

  std::string LoginsPath() const;

  StationWard& m_ward;
  WardServer m_server;
  bool m_keepFaultTold = false;
};
