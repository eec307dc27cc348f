#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "registry/RegistryApi.h"

// The form in which a station (and the tool) stores a user's password in M_PASSWORD: a salted Argon2id hash
// (libsodium, the "interactive" limits: 2 passes over 64 MiB), so that whoever reads the
// database reads no password. The column holds 50 bytes, too few for the usual encoded form
// with its parameters, so the form is compact and its prefix names the parameters:
// "$a2$" + 16 bytes of salt + "$" + 16 bytes of hash, both in URL-safe base64 without
// padding: 49 characters.
class VUDODA_REGISTRY_API PasswordHash {
 public:
  static constexpr std::size_t kLength = 49;

  // A new hash of `password` with a fresh random salt; nullopt only when the memory that the
  // hash needs cannot be had.
  static std::optional<std::string> Make(std::string_view password);

  // Whether `stored` is a hash in this form.
  static bool IsHash(std::string_view stored);

  // True when `password` is the one whose hash `stored` is; false for another password, a
  // stored text that is no hash, or a hash that cannot be computed. Compares in constant time.
  static bool Matches(std::string_view stored, std::string_view password);
};
