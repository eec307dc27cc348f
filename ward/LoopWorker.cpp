#include "ward/LoopWorker.h"

#include <boost/asio.hpp>

LoopWorker::LoopWorker(boost::asio::io_context& loop, std::size_t capacity)
    : m_loop(loop), m_capacity(capacity), m_thread([this] { Work(); }) {}

LoopWorker::~LoopWorker() { Stop(); }

bool LoopWorker::Queue(std::function<void()> task) {
  {
    std::lock_guard lock(m_mutex);
    if (m_stopping || m_tasks.size() >= m_capacity) return false;
    m_tasks.push_back(std::move(task));
  }
  m_wake.notify_one();
  return true;
}

void LoopWorker::ToLoop(std::function<void()> completion) { boost::asio::post(m_loop, std::move(completion)); }

std::size_t LoopWorker::Pending() const {
  std::lock_guard lock(m_mutex);
  return m_tasks.size() + m_running;
}

void LoopWorker::Stop() {
  {
    std::lock_guard lock(m_mutex);
    m_stopping = true;
  }
  m_wake.notify_one();
  if (m_thread.joinable()) m_thread.join();
}

void LoopWorker::Work() {
  std::unique_lock lock(m_mutex);
  for (;;) {
    m_wake.wait(lock, [this] { return m_stopping || !m_tasks.empty(); });
    if (m_tasks.empty()) return;
    std::function<void()> task = std::move(m_tasks.front());
    m_tasks.pop_front();
    m_running = 1;
    lock.unlock();
    task();
    lock.lock();
    m_running = 0;
  }
}
