#include "registry/UserAccounts.h"

#include "database/TBLUser.h"
#include "qnutilex/QnAdo.h"
#include "registry/AddWithFreshKey.h"
#include "registry/PasswordHash.h"

namespace {

// A user that is not there costs a check as long as one that is, so that the time of an
// answer does not tell who exists.
void CheckAgainstNoOne(const std::string& password) {
  static const std::optional<std::string> unused = PasswordHash::Make("no user has this password");
  if (unused) PasswordHash::Matches(*unused, password);
}

}  // namespace

std::optional<std::string> UserAccounts::Add(TBLUser& user, const std::optional<std::string>& password) {
  if (password) {
    const std::optional<std::string> hash = PasswordHash::Make(*password);
    if (!hash) return std::string("cannot hash the password: out of memory");
    user.m_M_PASSWORD = hash->c_str();
  }
  std::string refusal;
  const auto drawId = [this](TBLUser& row, int) { row.m_M_ID = TBLUser::GetUniqueId(&m_db); };
  const int added = !user.m_M_ID.IsEmpty() ? user.Add() : AddWithFreshKey(user, drawId, refusal);
  if (added) return std::nullopt;
  if (refusal.empty()) refusal = m_db.GetLastErrorString().GetString();
  return std::string("user ") + user.m_M_ID.GetString() + " was not added: " + refusal;
}

UserAccounts::Check UserAccounts::Verify(const std::string& id, const std::string& password) {
  TBLUser user(&m_db);
  user.m_M_ID = id.c_str();
  const bool found = user.Get();
  if (!found || !PasswordHash::IsHash(user.m_M_PASSWORD.GetString())) {
    CheckAgainstNoOne(password);
    return found ? Check::NoHash : Check::NoSuchUser;
  }
  return PasswordHash::Matches(user.m_M_PASSWORD.GetString(), password) ? Check::Matches : Check::Mismatch;
}
