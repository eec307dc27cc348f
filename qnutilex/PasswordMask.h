#pragma once

#include <string>
#include <string_view>

// What keeps a server's password out of the texts that the PostgreSQL engine gives: the password
// where it stands in a connection string, and the password where a message quotes it whole (one
// typed into the user or database field comes back in the server's refusal). Only whole
// occurrences are masked, so that a short password ("a") leaves the words that merely contain it
// ("failed") as they are.
class PasswordMask {
 public:
  static constexpr std::string_view kMask = "***";

  // `conninfo` (libpq's key=value pairs or a postgresql:// URI) with each password value
  // replaced by kMask where libpq would read it: "password=…" (quoted or not), a URI's
  // "user:…@" and "?password=…". The rest stays as it was, readable or not.
  static std::string MaskedConnectionString(std::string_view conninfo);

  void SetPassword(std::string password) { m_password = std::move(password); }
  // `text` with each whole occurrence of the password replaced by kMask: one that no letter,
  // digit or underscore (nor a byte of a UTF-8 character) continues on a side where the
  // password itself begins or ends with one.
  std::string Masked(std::string text) const;

 private:
  std::string m_password;
};
