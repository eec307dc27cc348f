#pragma once

#include <boost/asio/steady_timer.hpp>
#include <chrono>
#include <cstddef>
#include <memory>
#include <optional>
#include <string>

#include "hospital/HospitalWard.h"
#include "hospital/Offload.h"
#include "hospital/OruBuilder.h"

class AdtListener;
class HospitalSender;
class StationWard;

// The station's side of the hospital's interfaces, on its loop:
//  - admissions (ADT, AdtListener): A01 and A04 admit or register the patient through the row
//    classes (the ward's database connection), and place her in the bed PV1 names, which then
//    shows her until a study opens there (a monitor there that announces no identifier is taken
//    as hers); A08 stores her new values, which every bed that shows her shows; A03 discharges
//    her: her bed's study ends for good and the bed is free;
//  - observations (ORU, HospitalSender): every interval, for each monitored bed, the newest
//    value of FHR1, FHR2, MHR and UC in the interval with its instant and the alarms that stand,
//    queued durably and sent in order; the queue's depth shows on the screen's line and in the
//    event log when it changes;
//  - the EMR folder: when a study ends for good, its whole strip (EmrFolder), beside the loop.
class WardHospital : public HospitalWard {
 public:
  WardHospital(StationWard& ward, boost::asio::io_context& loop, Offload offload);
  ~WardHospital() override;

  // Starts the listener and the sender that the options ask for. The fault, or nullopt.
  std::optional<std::string> Start();
  void Stop();
  int AdmissionsPort() const;
  // "HL7: 3 messages wait (not connected)"; empty without a sender.
  std::string Status() const;
  // Bed `bed`'s study `studyId` of patient `patientId` (`patientName`) ended for good: its
  // strip goes to the EMR folder when one is configured.
  void StudyEnded(int bed, const std::string& patientId, const std::string& patientName, const std::string& studyId);

  // HospitalWard
  void Admit(const AdmissionRecord& record, Done done) override;
  void Update(const AdmissionRecord& record, Done done) override;
  void Discharge(const AdmissionRecord& record, Done done) override;

 private:
  void Store(const AdmissionRecord& record, Done done);
  void ReportLater();
  void ReportBeds();
  void TellDepth();

  StationWard& m_ward;
  boost::asio::io_context& m_loop;
  Offload m_offload;
  OruBuilder m_builder;
  std::unique_ptr<AdtListener> m_listener;
  std::unique_ptr<HospitalSender> m_sender;
  boost::asio::steady_timer m_timer;
  std::chrono::system_clock::time_point m_intervalStart;
  std::size_t m_toldDepth = 0;
};
