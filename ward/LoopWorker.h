#pragma once

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

#include "ward/WardApi.h"

namespace boost::asio {
class io_context;
}

// A thread beside an event loop for work that may block: the database (a row lock another
// station holds, a slow server), syncing files. Jobs run one at a time in the order they were
// posted; when a job is done, its result is handed to a completion that runs on the loop, so
// that the loop never waits and everything it owns stays on its own thread.
//
// The queue is bounded: Post refuses a job when `capacity` jobs wait, and the caller decides
// what to do (try again later, or let the next round's job stand for this one). Stop (and the
// destructor) lets the waiting jobs run and ends the thread; completions that reach a loop
// which no longer runs are dropped with it.
class VUDODA_WARD_API LoopWorker {
 public:
  LoopWorker(boost::asio::io_context& loop, std::size_t capacity);
  ~LoopWorker();
  LoopWorker(const LoopWorker&) = delete;
  LoopWorker& operator=(const LoopWorker&) = delete;

  // Runs `job` on the worker's thread, then `done(result)` on the loop. False, and nothing
  // runs, when the queue is full or the worker stopped.
  template <class Job, class Done>
  bool Post(Job job, Done done) {
    return Queue([this, job = std::move(job), done = std::move(done)]() mutable {
      auto result = std::make_shared<decltype(job())>(job());
      ToLoop([done = std::move(done), result]() mutable { done(std::move(*result)); });
    });
  }
  // Jobs waiting or running.
  std::size_t Pending() const;
  // Runs the jobs that wait, then ends the thread. Posting afterwards is refused.
  void Stop();

 private:
  bool Queue(std::function<void()> task);
  void ToLoop(std::function<void()> completion);
  void Work();

  boost::asio::io_context& m_loop;
  std::size_t m_capacity;
  mutable std::mutex m_mutex;
  std::condition_variable m_wake;
  std::deque<std::function<void()>> m_tasks;
  std::size_t m_running = 0;
  bool m_stopping = false;
  std::thread m_thread;
};
