#pragma once

#include <chrono>
#include <string>

// One line of the station's audit trail from its web side: who did what, from which address,
// when (UTC). `detail` says what was acknowledged or corrected; a failed login's user is the
// name as typed (at most 64 bytes without control characters: others are refused before any
// check), whether or not such a user exists. Logins refused while a name or address is blocked
// are not written one by one: LoginsRefused marks the block's beginning.
struct AuditEntry {
  enum class Action { Login, FailedLogin, LoginsRefused, Logout, SessionExpired, Acknowledge, CorrectPatient };

  Action action = Action::Login;
  std::string user;
  std::string address;
  std::chrono::system_clock::time_point time{};
  std::string detail;
};
