#pragma once

#include <chrono>
#include <cstddef>
#include <deque>
#include <optional>
#include <string>
#include <unordered_map>

// Slows down the guessing of passwords. Failed logins are counted per user name (whether or not
// such a user exists, so that the answer tells nothing about it) and per client address (an
// IPv6 client by its /64). After `allowed` failures of one of them within `window`, its logins
// are refused for `block`. A check under way counts against the limit until its answer, so that
// a burst of parallel attempts cannot pass it.
//
// The table is bounded: at most kMaxEntries names and addresses are followed; past that, the
// ones that have nothing to hold are forgotten first, then the ones heard of longest ago.
class LoginThrottle {
 public:
  using Clock = std::chrono::steady_clock;
  static constexpr std::size_t kMaxEntries = 4096;

  LoginThrottle(int allowed, std::chrono::seconds window, std::chrono::seconds block)
      : m_allowed(allowed), m_window(window), m_block(block) {}

  // Begins a login of `user` from `client`: nullopt when it may be checked (it is counted as
  // under way), else how long logins for the name or the address stay refused.
  std::optional<std::chrono::seconds> Begin(const std::string& user, const std::string& client, Clock::time_point now);
  // The check begun for `user` from `client` passed: the name's failures are forgotten.
  void Passed(const std::string& user, const std::string& client);
  // The check failed. True when this failure began a block.
  bool Failed(const std::string& user, const std::string& client, Clock::time_point now);
  // The check could not be made (the users are away): it counts for nothing.
  void Abandoned(const std::string& user, const std::string& client);

 private:
  struct Entry {
    std::deque<Clock::time_point> failures;  // within the window
    int underWay = 0;
    Clock::time_point blockedUntil{};
    Clock::time_point lastHeard{};
  };

  static std::string UserKey(const std::string& user) { return "user " + user; }
  static std::string ClientKey(const std::string& client) { return "client " + client; }

  Entry& At(const std::string& key, Clock::time_point now);
  std::optional<std::chrono::seconds> Refusal(Entry& entry, Clock::time_point now) const;
  bool Fail(Entry& entry, Clock::time_point now);
  void Finish(const std::string& key);
  void MakeRoom(Clock::time_point now);
  bool HoldsNothing(const Entry& entry, Clock::time_point now) const;

  int m_allowed;
  std::chrono::seconds m_window;
  std::chrono::seconds m_block;
  std::unordered_map<std::string, Entry> m_entries;
};
