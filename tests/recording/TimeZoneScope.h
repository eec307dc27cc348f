#pragma once

#include <cstdlib>
#include <ctime>
#include <optional>
#include <string>

// The process's time zone (TZ) set for a test's scope; the one before comes back afterwards.
// Tests of time run under a zone with summer time, so that an hour repeated or skipped shows.
class TimeZoneScope {
 public:
  explicit TimeZoneScope(const char* zone) {
    if (const char* before = std::getenv("TZ")) m_before = before;
    ::setenv("TZ", zone, 1);
    ::tzset();
  }
  ~TimeZoneScope() {
    if (m_before) {
      ::setenv("TZ", m_before->c_str(), 1);
    } else {
      ::unsetenv("TZ");
    }
    ::tzset();
  }
  TimeZoneScope(const TimeZoneScope&) = delete;
  TimeZoneScope& operator=(const TimeZoneScope&) = delete;

 private:
  std::optional<std::string> m_before;
};
