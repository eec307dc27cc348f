#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

#include "hospital/HospitalApi.h"
#include "hospital/Offload.h"

namespace boost::asio {
class io_context;
}

// One thread that runs the jobs of an Offload in order and posts each `done` to the event loop
// (see Offload). Destroying it runs the jobs already given, posts their `done`s, and ends the
// thread; the loop must outlive it.
class VUDODA_HOSPITAL_API OffloadWorker {
 public:
  explicit OffloadWorker(boost::asio::io_context& loop);
  ~OffloadWorker();
  OffloadWorker(const OffloadWorker&) = delete;
  OffloadWorker& operator=(const OffloadWorker&) = delete;

  void Run(std::function<void()> job, std::function<void()> done);
  // Run as an Offload, valid while this object lives.
  Offload Facility();

 private:
  struct Entry;

  void Work();

  boost::asio::io_context& m_loop;
  std::mutex m_mutex;
  std::condition_variable m_wake;
  std::deque<std::unique_ptr<Entry>> m_entries;
  bool m_stopping = false;
  std::thread m_thread;
};
