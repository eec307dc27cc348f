#include "hospital/OffloadWorker.h"

#include <boost/asio/executor_work_guard.hpp>
#include <boost/asio/io_context.hpp>
#include <boost/asio/post.hpp>

struct OffloadWorker::Entry {
  std::function<void()> job;
  std::function<void()> done;
  boost::asio::executor_work_guard<boost::asio::io_context::executor_type> guard;
};

OffloadWorker::OffloadWorker(boost::asio::io_context& loop) : m_loop(loop), m_thread([this] { Work(); }) {}

OffloadWorker::~OffloadWorker() {
  {
    std::lock_guard lock(m_mutex);
    m_stopping = true;
  }
  m_wake.notify_one();
  m_thread.join();
}

void OffloadWorker::Run(std::function<void()> job, std::function<void()> done) {
  auto entry = std::make_unique<Entry>(Entry{std::move(job), std::move(done), boost::asio::make_work_guard(m_loop)});
  {
    std::lock_guard lock(m_mutex);
    m_entries.push_back(std::move(entry));
  }
  m_wake.notify_one();
}

Offload OffloadWorker::Facility() {
  return [this](std::function<void()> job, std::function<void()> done) { Run(std::move(job), std::move(done)); };
}

void OffloadWorker::Work() {
  while (true) {
    std::unique_ptr<Entry> entry;
    {
      std::unique_lock lock(m_mutex);
      m_wake.wait(lock, [this] { return m_stopping || !m_entries.empty(); });
      if (m_entries.empty()) return;
      entry = std::move(m_entries.front());
      m_entries.pop_front();
    }
    if (entry->job) entry->job();
    if (entry->done) boost::asio::post(m_loop, std::move(entry->done));
    entry->guard.reset();
  }
}
