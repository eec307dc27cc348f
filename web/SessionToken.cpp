#include "web/SessionToken.h"

#include <sodium.h>

#include <array>

namespace {

// sodium_init is idempotent and safe from any thread; it seeds the random generator.
void Initialise() {
  static const int initialised = sodium_init();
  (void)initialised;
}

}  // namespace

std::string SessionToken::Make() {
  Initialise();
  std::array<unsigned char, kLength / 2> bytes;
  randombytes_buf(bytes.data(), bytes.size());
  std::array<char, kLength + 1> hex;
  sodium_bin2hex(hex.data(), hex.size(), bytes.data(), bytes.size());
  return std::string(hex.data(), kLength);
}

std::string SessionToken::Key(std::string_view token) {
  Initialise();
  std::array<unsigned char, crypto_generichash_BYTES> hash;
  crypto_generichash(hash.data(), hash.size(), reinterpret_cast<const unsigned char*>(token.data()), token.size(),
                     nullptr, 0);
  return std::string(reinterpret_cast<const char*>(hash.data()), hash.size());
}

bool SessionToken::Matches(std::string_view expected, std::string_view given) {
  if (expected.size() != given.size()) return false;
  return sodium_memcmp(expected.data(), given.data(), expected.size()) == 0;
}
