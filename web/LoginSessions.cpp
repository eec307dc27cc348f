#include "web/LoginSessions.h"

#include <algorithm>

#include "web/SessionToken.h"

std::string LoginSessions::Open(const std::string& user, const std::string& address, Clock::time_point now) {
  std::string cookie = SessionToken::Make();
  Session session{SessionToken::Key(cookie), user, address, SessionToken::Make(), now};
  m_sessions.insert_or_assign(session.key, std::move(session));
  return cookie;
}

LoginSessions::Session* LoginSessions::Find(std::string_view cookie, Clock::time_point now) {
  if (cookie.size() != SessionToken::kLength) return nullptr;
  return FindKey(SessionToken::Key(cookie), now);
}

LoginSessions::Session* LoginSessions::FindKey(const std::string& key, Clock::time_point now) {
  const auto found = m_sessions.find(key);
  if (found == m_sessions.end() || IdledOut(found->second, now)) return nullptr;
  return &found->second;
}

bool LoginSessions::End(const std::string& key) { return m_sessions.erase(key) > 0; }

std::vector<LoginSessions::Session> LoginSessions::Expire(Clock::time_point now) {
  std::vector<Session> ended;
  for (auto session = m_sessions.begin(); session != m_sessions.end();) {
    if (IdledOut(session->second, now)) {
      ended.push_back(std::move(session->second));
      session = m_sessions.erase(session);
    } else {
      ++session;
    }
  }
  return ended;
}

std::optional<LoginSessions::Session> LoginSessions::Displaced() const {
  if (m_sessions.size() < m_limit || m_sessions.empty()) return std::nullopt;
  const auto idlest = std::min_element(m_sessions.begin(), m_sessions.end(), [](const auto& a, const auto& b) {
    return a.second.lastSeen < b.second.lastSeen;
  });
  return idlest->second;
}
