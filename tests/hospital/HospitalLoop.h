#pragma once

#include <boost/asio/executor_work_guard.hpp>
#include <boost/asio/io_context.hpp>
#include <boost/asio/post.hpp>
#include <chrono>
#include <functional>
#include <future>
#include <thread>

#include "hospital/OffloadWorker.h"

// The ward's event loop as a test has it: an io_context run by a thread of its own, and a worker
// thread for the hospital side's disk work. Everything that touches the hospital objects runs
// on the loop through Call.
class HospitalLoop {
 public:
  HospitalLoop() : m_thread([this] { m_context.run(); }) {}
  ~HospitalLoop() { Stop(); }
  HospitalLoop(const HospitalLoop&) = delete;
  HospitalLoop& operator=(const HospitalLoop&) = delete;

  boost::asio::io_context& Context() { return m_context; }
  Offload Facility() { return m_worker.Facility(); }

  // Runs `action` on the loop and returns its result once it has run.
  template <class Action>
  auto Call(Action action) -> decltype(action()) {
    std::packaged_task<decltype(action())()> task(std::move(action));
    auto result = task.get_future();
    boost::asio::post(m_context, [&task] { task(); });
    return result.get();
  }

  // Asks `condition` on the loop every 10 ms until it holds or `limit` has passed.
  bool WaitFor(const std::function<bool()>& condition, std::chrono::milliseconds limit) {
    const auto end = std::chrono::steady_clock::now() + limit;
    while (!Call(condition)) {
      if (std::chrono::steady_clock::now() > end) return false;
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
  }

  void Stop() {
    if (!m_thread.joinable()) return;
    m_guard.reset();
    m_context.stop();
    m_thread.join();
  }

 private:
  boost::asio::io_context m_context;
  boost::asio::executor_work_guard<boost::asio::io_context::executor_type> m_guard{m_context.get_executor()};
  OffloadWorker m_worker{m_context};
  std::thread m_thread;
};
