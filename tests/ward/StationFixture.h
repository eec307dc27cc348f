#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "database/TBLStudy.h"
#include "link/LinkConnection.h"
#include "link/RecordingScratch.h"
#include "ward/StationBedside.h"
#include "ward/StationEngine.h"
#include "ward/StudyRecording.h"

// A station on the loopback address in a thread of its own, its database a SQLite file in the
// scratch folder, with its events and rows kept for the test.
class StationFixture : public RecordingScratch {
 protected:
  StationOptions Options(int beds = 8, std::chrono::milliseconds silence = std::chrono::seconds(5)) const {
    StationOptions options;
    options.listenAddress = "127.0.0.1";
    options.port = 0;
    options.beds = beds;
    options.dataFolder = m_folder.string();
    options.databaseUri = "sqlite:" + DatabaseFile();
    options.silence = silence;
    options.syncInterval = std::chrono::milliseconds(500);
    return options;
  }

  // The fault of Start, or nullopt with the station running.
  std::optional<std::string> TryStart(const StationOptions& options) {
    m_station = std::make_unique<StationEngine>(
        options, StationEngine::Callbacks{[this](const std::string& event) { Keep(event); },
                                          [this](const std::vector<BedRow>& rows) { KeepRows(rows); },
                                          {}});
    if (auto fault = m_station->Start()) {
      m_station.reset();
      return fault;
    }
    m_port = m_station->Port();
    m_address = "127.0.0.1:" + std::to_string(m_port);
    m_thread = std::thread([this] { m_station->Run(); });
    return std::nullopt;
  }
  void StartStation(const StationOptions& options) { ASSERT_EQ(TryStart(options), std::nullopt); }
  void StartStation(int beds = 8, std::chrono::milliseconds silence = std::chrono::seconds(5)) {
    StartStation(Options(beds, silence));
  }

  void StopStation() {
    if (!m_station) return;
    m_station->Stop();
    m_thread.join();
    m_station.reset();
  }

  void TearDown() override {
    StopStation();
    RecordingScratch::TearDown();
  }

  // Waits up to `limit` for `count` events that contain `text`.
  bool WaitForEvents(const std::string& text, std::size_t count, std::chrono::milliseconds limit) {
    std::unique_lock lock(m_mutex);
    return m_changed.wait_for(lock, limit, [&] { return Count(text) >= count; });
  }
  bool WaitForEvent(const std::string& text, std::chrono::milliseconds limit) { return WaitForEvents(text, 1, limit); }
  std::size_t EventsWith(const std::string& text) {
    std::lock_guard lock(m_mutex);
    return Count(text);
  }
  std::string Events() {
    std::lock_guard lock(m_mutex);
    std::string all;
    for (const std::string& event : m_events) all += event + '\n';
    return all;
  }

  // A monitor connects, sends `link` and leaves once the station reports `admitted`; the
  // station reports its leaving as the `failures`-th communication failure.
  void VisitBed(const std::vector<unsigned char>& link, const std::string& admitted, std::size_t failures) {
    LinkConnection bedside;
    ASSERT_EQ(bedside.Connect(m_address), std::nullopt);
    ASSERT_TRUE(bedside.Send(link));
    ASSERT_TRUE(WaitForEvent(admitted, std::chrono::seconds(10))) << Events();
    bedside.Close();
    ASSERT_TRUE(WaitForEvents("communication failure", failures, std::chrono::seconds(5))) << Events();
  }

  // The identifier of the new study that the first event "<text>, new study <id>" tells of.
  std::string StudyIdTold(const std::string& text) {
    const std::string events = Events();
    const std::size_t told = events.find(text + ", new study ");
    return told == std::string::npos ? "" : events.substr(told + text.size() + 12, 14);
  }

  std::vector<BedRow> LastRows() {
    std::lock_guard lock(m_mutex);
    return m_rows;
  }

  std::string DatabaseFile() const { return File("ward.db"); }
  TBLStudy StudyOf(const std::string& patientId) { return StationBedside::StoredStudy(DatabaseFile(), patientId); }
  std::string RecordingOf(const std::string& patientId) {
    const TBLStudy study = StudyOf(patientId);
    return ReadFile(StudyRecording::LinkPath(m_folder.string(), patientId, study.m_S_STUDY_ID.GetString()));
  }

  static std::string Text(const std::vector<unsigned char>& bytes) { return {bytes.begin(), bytes.end()}; }

  std::unique_ptr<StationEngine> m_station;
  std::thread m_thread;
  std::string m_address;
  int m_port = 0;

 private:
  void Keep(const std::string& event) {
    std::lock_guard lock(m_mutex);
    m_events.push_back(event);
    m_changed.notify_all();
  }
  void KeepRows(const std::vector<BedRow>& rows) {
    std::lock_guard lock(m_mutex);
    m_rows = rows;
  }
  std::size_t Count(const std::string& text) const {
    const auto contains = [&](const std::string& event) { return event.find(text) != std::string::npos; };
    return static_cast<std::size_t>(std::count_if(m_events.begin(), m_events.end(), contains));
  }

  std::mutex m_mutex;
  std::condition_variable m_changed;
  std::vector<std::string> m_events;
  std::vector<BedRow> m_rows;
};
