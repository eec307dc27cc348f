#pragma once

#include <chrono>
#include <cstdint>

// A number for a control ID that no earlier one of this process has had and, after a restart,
// none of the last run either: microseconds since 1970 (UTC), one more than the last when the
// clock has not moved on. Unique across restarts unless the clock is set back.
class UniqueStamp {
 public:
  explicit UniqueStamp(std::uint64_t after = 0) : m_last(after) {}

  std::uint64_t Next() {
    const auto now = std::chrono::duration_cast<std::chrono::microseconds>(
        std::chrono::system_clock::now().time_since_epoch());
    const auto micros = static_cast<std::uint64_t>(now.count());
    m_last = micros > m_last ? micros : m_last + 1;
    return m_last;
  }

 private:
  std::uint64_t m_last;
};
