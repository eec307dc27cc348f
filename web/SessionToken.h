#pragma once

#include <string>
#include <string_view>

// The secrets of a login session: its cookie value and its write token, 256 random bits each
// (libsodium's randombytes) written as 64 lowercase hex digits. The server keeps a session
// under the BLAKE2b hash of its cookie value, never the value itself, so that a lookup's timing
// tells nothing about the values it holds and a copy of the server's memory holds no cookie.
class SessionToken {
 public:
  static constexpr std::size_t kLength = 64;

  // A fresh random token.
  static std::string Make();
  // The key a session with cookie value `token` is kept under (32 raw bytes).
  static std::string Key(std::string_view token);
  // Whether `given` is `expected`, compared in constant time (for tokens of kLength).
  static bool Matches(std::string_view expected, std::string_view given);
};
