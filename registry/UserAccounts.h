#pragma once

#include <optional>
#include <string>

#include "registry/RegistryApi.h"

class QnAdo;
class TBLUser;

// The station's users in TBLUser: added with their password kept as a PasswordHash, never as
// typed, and a password checked against the stored hash. On the host's connection, which it
// does not own.
class VUDODA_REGISTRY_API UserAccounts {
 public:
  enum class Check { Matches, NoSuchUser, NoHash, Mismatch };

  explicit UserAccounts(QnAdo& db) : m_db(db) {}

  // Adds `user` (bound to the connection) with the hash of `password` when one is given;
  // without an identifier the user gets today's next one. The fault, or nullopt.
  std::optional<std::string> Add(TBLUser& user, const std::optional<std::string>& password);
  // Whether `password` is user `id`'s; NoHash when the stored text is no hash to check against.
  Check Verify(const std::string& id, const std::string& password);

 private:
  QnAdo& m_db;
};
