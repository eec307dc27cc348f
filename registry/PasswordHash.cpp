#include "registry/PasswordHash.h"

#include <sodium.h>

#include <array>

namespace {

constexpr std::string_view kPrefix = "$a2$";
constexpr std::size_t kSaltBytes = crypto_pwhash_argon2id_SALTBYTES;
constexpr std::size_t kHashBytes = 16;
constexpr int kVariant = sodium_base64_VARIANT_URLSAFE_NO_PADDING;
// Base64 of 16 bytes without padding.
constexpr std::size_t kEncodedBytes = 22;

using Salt = std::array<unsigned char, kSaltBytes>;
using Digest = std::array<unsigned char, kHashBytes>;

static_assert(kPrefix.size() + kEncodedBytes + 1 + kEncodedBytes == PasswordHash::kLength);

bool Compute(std::string_view password, const Salt& salt, Digest& digest) {
  return sodium_init() >= 0 &&
         crypto_pwhash(digest.data(), digest.size(), password.data(), password.size(), salt.data(),
                       crypto_pwhash_argon2id_OPSLIMIT_INTERACTIVE, crypto_pwhash_argon2id_MEMLIMIT_INTERACTIVE,
                       crypto_pwhash_ALG_ARGON2ID13) == 0;
}

template <std::size_t kBytes>
std::string Encoded(const std::array<unsigned char, kBytes>& bytes) {
  std::array<char, sodium_base64_ENCODED_LEN(kBytes, kVariant)> text{};
  sodium_bin2base64(text.data(), text.size(), bytes.data(), bytes.size(), kVariant);
  return text.data();
}

template <std::size_t kBytes>
bool Decoded(std::string_view text, std::array<unsigned char, kBytes>& bytes) {
  std::size_t length = 0;
  const char* end = nullptr;
  return text.size() == kEncodedBytes &&
         sodium_base642bin(bytes.data(), bytes.size(), text.data(), text.size(), nullptr, &length, &end, kVariant) ==
             0 &&
         length == kBytes && end == text.data() + text.size();
}

// Splits a stored hash into its salt and digest; false when it is not one.
bool Parse(std::string_view stored, Salt& salt, Digest& digest) {
  const std::size_t saltAt = kPrefix.size();
  const std::size_t digestAt = saltAt + kEncodedBytes + 1;
  return stored.size() == PasswordHash::kLength && stored.starts_with(kPrefix) && stored[digestAt - 1] == '$' &&
         Decoded(stored.substr(saltAt, kEncodedBytes), salt) && Decoded(stored.substr(digestAt), digest);
}

}  // namespace

std::optional<std::string> PasswordHash::Make(std::string_view password) {
  if (sodium_init() < 0) return std::nullopt;
  Salt salt;
  randombytes_buf(salt.data(), salt.size());
  Digest digest;
  if (!Compute(password, salt, digest)) return std::nullopt;
  return std::string(kPrefix) + Encoded(salt) + '$' + Encoded(digest);
}

bool PasswordHash::IsHash(std::string_view stored) {
  Salt salt;
  Digest digest;
  return Parse(stored, salt, digest);
}

bool PasswordHash::Matches(std::string_view stored, std::string_view password) {
  Salt salt;
  Digest expected;
  Digest computed;
  return Parse(stored, salt, expected) && Compute(password, salt, computed) &&
         sodium_memcmp(expected.data(), computed.data(), expected.size()) == 0;
}
