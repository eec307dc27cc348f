#pragma once

#include <chrono>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

// The login sessions of the ward's web side: who logged in from where, the token their writes
// must carry, and when they were last heard of. A session is found by its cookie value and kept
// under that value's hash (SessionToken::Key); it lasts until logout or until it has been idle
// for the idle timeout. At most `limit` are kept; a login beyond that displaces the one idle
// longest.
//
// The sessions outlive a restart of the station: Saved writes them as text for the next run
// and Restore reads them back. Instants there are the wall clock's (the steady clock begins
// again with each run), so a session's idle time goes on across the restart.
class LoginSessions {
 public:
  using Clock = std::chrono::steady_clock;
  using WallClock = std::chrono::system_clock;

  struct Session {
    std::string key;      // SessionToken::Key of the cookie value
    std::string user;
    std::string address;
    std::string token;    // the write token (X-CSRF-Token)
    Clock::time_point lastSeen;
  };

  LoginSessions(std::chrono::seconds idleTimeout, std::size_t limit) : m_idleTimeout(idleTimeout), m_limit(limit) {}

  // A new session for `user` at `address`. Returns its cookie value, which is kept nowhere.
  std::string Open(const std::string& user, const std::string& address, Clock::time_point now);
  // The session whose cookie value is `cookie`, if it has not idled out; nullptr otherwise.
  // Setting its lastSeen begins its idle time again.
  Session* Find(std::string_view cookie, Clock::time_point now);
  // The session kept under `key`, if it has not idled out.
  Session* FindKey(const std::string& key, Clock::time_point now);
  // Ends the session kept under `key`; false when there is none.
  bool End(const std::string& key);
  // Ends and returns the sessions that have idled out by `now`.
  std::vector<Session> Expire(Clock::time_point now);
  // When the store is full, the session a new login displaces (idle longest).
  std::optional<Session> Displaced() const;

  std::size_t Count() const { return m_sessions.size(); }
  // The latest lastSeen of any session (Clock's epoch when there is none).
  Clock::time_point LatestSeen() const;

  // Every session as one line of JSON (its key in hex, its user, address, token and when it
  // was last seen on the wall clock), for Restore in the next run.
  std::string Saved(Clock::time_point now, WallClock::time_point wallNow) const;
  // Adds the sessions of `saved` that have not idled out by now; a line it cannot read is
  // passed over (a file cut short by a crash loses those logins, nothing else). How many.
  std::size_t Restore(std::string_view saved, Clock::time_point now, WallClock::time_point wallNow);

 private:
  bool IdledOut(const Session& session, Clock::time_point now) const { return now - session.lastSeen >= m_idleTimeout; }

  std::chrono::seconds m_idleTimeout;
  std::size_t m_limit;
  std::unordered_map<std::string, Session> m_sessions;
};
