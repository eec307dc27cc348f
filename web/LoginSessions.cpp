#include "web/LoginSessions.h"

#include <sodium.h>

#include <algorithm>
#include <nlohmann/json.hpp>

#include "web/SessionToken.h"

namespace {

using Milliseconds = std::chrono::milliseconds;

std::string Hex(const std::string& bytes) {
  std::string hex(bytes.size() * 2 + 1, '\0');
  sodium_bin2hex(hex.data(), hex.size(), reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size());
  hex.pop_back();
  return hex;
}

std::optional<std::string> FromHex(const std::string& hex, std::size_t bytes) {
  std::string raw(bytes, '\0');
  std::size_t length = 0;
  if (hex.size() != bytes * 2 ||
      sodium_hex2bin(reinterpret_cast<unsigned char*>(raw.data()), raw.size(), hex.data(), hex.size(), nullptr, &length,
                     nullptr) != 0 ||
      length != bytes) {
    return std::nullopt;
  }
  return raw;
}

// The text member `name` of `line`, empty when it is missing or no text.
std::string Text(const nlohmann::json& line, const char* name) {
  const auto member = line.find(name);
  return member != line.end() && member->is_string() ? member->get<std::string>() : std::string();
}

bool IsToken(const std::string& text) { return text.size() == SessionToken::kLength && FromHex(text, text.size() / 2); }

}  // namespace

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

LoginSessions::Clock::time_point LoginSessions::LatestSeen() const {
  Clock::time_point latest{};
  for (const auto& [key, session] : m_sessions) latest = std::max(latest, session.lastSeen);
  return latest;
}

std::string LoginSessions::Saved(Clock::time_point now, WallClock::time_point wallNow) const {
  std::string saved;
  for (const auto& [key, session] : m_sessions) {
    const auto seen = wallNow - std::chrono::duration_cast<WallClock::duration>(now - session.lastSeen);
    saved += nlohmann::json{{"key", Hex(key)},
                            {"user", session.user},
                            {"address", session.address},
                            {"token", session.token},
                            {"seenMs", std::chrono::duration_cast<Milliseconds>(seen.time_since_epoch()).count()}}
                 .dump();
    saved += '\n';
  }
  return saved;
}

std::size_t LoginSessions::Restore(std::string_view saved, Clock::time_point now, WallClock::time_point wallNow) {
  std::size_t restored = 0;
  while (!saved.empty() && m_sessions.size() < m_limit) {
    const std::size_t end = std::min(saved.find('\n'), saved.size());
    const nlohmann::json line = nlohmann::json::parse(saved.substr(0, end), nullptr, false);
    saved.remove_prefix(std::min(end + 1, saved.size()));
    if (!line.is_object()) continue;
    const auto key = FromHex(Text(line, "key"), SessionToken::Key("").size());
    const std::string token = Text(line, "token");
    const auto seenMs = line.find("seenMs");
    if (!key || !IsToken(token) || seenMs == line.end() || !seenMs->is_number_integer()) continue;
    // A session seen "later" than now (the wall clock was set back) counts as seen now.
    const auto idle = std::max(WallClock::duration::zero(),
                               wallNow - WallClock::time_point(Milliseconds(seenMs->get<std::int64_t>())));
    Session session{*key, Text(line, "user"), Text(line, "address"), token,
                    now - std::chrono::duration_cast<Clock::duration>(idle)};
    if (session.user.empty() || IdledOut(session, now)) continue;
    m_sessions.insert_or_assign(session.key, std::move(session));
    ++restored;
  }
  return restored;
}
