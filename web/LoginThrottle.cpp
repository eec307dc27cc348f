#include "web/LoginThrottle.h"

#include <algorithm>

std::optional<std::chrono::seconds> LoginThrottle::Begin(const std::string& user, const std::string& client,
                                                         Clock::time_point now) {
  MakeRoom(now);
  Entry& name = At(UserKey(user), now);
  Entry& address = At(ClientKey(client), now);
  const auto nameRefusal = Refusal(name, now);
  const auto addressRefusal = Refusal(address, now);
  if (nameRefusal || addressRefusal) return std::max(nameRefusal.value_or(std::chrono::seconds(0)),
                                                     addressRefusal.value_or(std::chrono::seconds(0)));
  ++name.underWay;
  ++address.underWay;
  return std::nullopt;
}

void LoginThrottle::Passed(const std::string& user, const std::string& client) {
  Finish(ClientKey(client));
  m_entries.erase(UserKey(user));
}

bool LoginThrottle::Failed(const std::string& user, const std::string& client, Clock::time_point now) {
  Finish(UserKey(user));
  Finish(ClientKey(client));
  MakeRoom(now);
  const bool nameBlocked = Fail(At(UserKey(user), now), now);
  const bool addressBlocked = Fail(At(ClientKey(client), now), now);
  return nameBlocked || addressBlocked;
}

void LoginThrottle::Abandoned(const std::string& user, const std::string& client) {
  Finish(UserKey(user));
  Finish(ClientKey(client));
}

LoginThrottle::Entry& LoginThrottle::At(const std::string& key, Clock::time_point now) {
  Entry& entry = m_entries[key];
  entry.lastHeard = now;
  while (!entry.failures.empty() && now - entry.failures.front() >= m_window) entry.failures.pop_front();
  return entry;
}

std::optional<std::chrono::seconds> LoginThrottle::Refusal(Entry& entry, Clock::time_point now) const {
  if (now < entry.blockedUntil) {
    return std::chrono::ceil<std::chrono::seconds>(entry.blockedUntil - now);
  }
  // Checks under way that would make the failures reach the limit wait for their answers.
  if (static_cast<int>(entry.failures.size()) + entry.underWay >= m_allowed) return std::chrono::seconds(1);
  return std::nullopt;
}

bool LoginThrottle::Fail(Entry& entry, Clock::time_point now) {
  entry.failures.push_back(now);
  if (static_cast<int>(entry.failures.size()) < m_allowed) return false;
  entry.failures.clear();
  entry.blockedUntil = now + m_block;
  return true;
}

void LoginThrottle::Finish(const std::string& key) {
  const auto found = m_entries.find(key);
  if (found != m_entries.end() && found->second.underWay > 0) --found->second.underWay;
}

bool LoginThrottle::HoldsNothing(const Entry& entry, Clock::time_point now) const {
  const bool failuresOld = entry.failures.empty() || now - entry.failures.back() >= m_window;
  return failuresOld && entry.underWay == 0 && now >= entry.blockedUntil;
}

// Leaves room for the two entries of one login (its name's and its address's), before any
// reference into the table is taken.
void LoginThrottle::MakeRoom(Clock::time_point now) {
  if (m_entries.size() + 2 <= kMaxEntries) return;
  std::erase_if(m_entries, [&](const auto& entry) { return HoldsNothing(entry.second, now); });
  while (m_entries.size() + 2 > kMaxEntries) {
    const auto oldest = std::min_element(m_entries.begin(), m_entries.end(), [](const auto& a, const auto& b) {
      return a.second.lastHeard < b.second.lastHeard;
    });
    m_entries.erase(oldest);
  }
}
