#include "ward/RecordingName.h"

#include <climits>
#include <cstdint>
#include <cstring>

namespace {

constexpr char kHexDigits[] = "0123456789ABCDEF";
// The longest suffix a recording's file takes.
constexpr std::size_t kLongestSuffix = std::char_traits<char>::length(".events");
constexpr std::size_t kLongestName = NAME_MAX - kLongestSuffix;
// A cut name keeps this much of the escaped identifier before "%%" and the hash.
constexpr std::size_t kCutName = kLongestName - 2 - 16;

bool StandsForItself(char ch) {
  return (ch >= 'A' && ch <= 'Z') || (ch >= '0' && ch <= '9') || ch == '-' || ch == '_';
}

int HexValue(char ch) {
  const char* digit = std::strchr(kHexDigits, ch);
  return ch != '\0' && digit ? static_cast<int>(digit - kHexDigits) : -1;
}

// FNV-1a, 64 bits: a short, stable mark of a whole identifier.
std::string Hash(std::string_view id) {
  std::uint64_t hash = 0xcbf29ce484222325u;
  for (const char ch : id) {
    hash ^= static_cast<unsigned char>(ch);
    hash *= 0x100000001b3u;
  }
  std::string text(16, '0');
  for (int digit = 15; digit >= 0; --digit, hash >>= 4) text[static_cast<std::size_t>(digit)] = kHexDigits[hash & 0xF];
  return text;
}

}  // namespace

std::string RecordingName::Escaped(std::string_view id) {
  if (id.empty()) return "%";
  std::string name;
  for (const char ch : id) {
    if (StandsForItself(ch)) {
      name += ch;
      continue;
    }
    const auto byte = static_cast<unsigned char>(ch);
    name += '%';
    name += kHexDigits[byte >> 4];
    name += kHexDigits[byte & 0x0F];
  }
  return name;
}

std::optional<std::string> RecordingName::Unescaped(std::string_view escaped) {
  if (escaped == "%") return std::string();
  if (escaped.empty()) return std::nullopt;
  std::string id;
  for (std::size_t pos = 0; pos < escaped.size(); ++pos) {
    if (StandsForItself(escaped[pos])) {
      id += escaped[pos];
      continue;
    }
    if (escaped[pos] != '%' || pos + 2 >= escaped.size()) return std::nullopt;
    const int high = HexValue(escaped[pos + 1]);
    const int low = HexValue(escaped[pos + 2]);
    if (high < 0 || low < 0) return std::nullopt;
    id += static_cast<char>(high * 16 + low);
    pos += 2;
  }
  return id;
}

std::string RecordingName::Of(std::string_view id) {
  std::string name = Escaped(id);
  if (name.size() <= kLongestName) return name;
  name.resize(kCutName);
  // A cut may not end inside an escape: "%%" must follow a whole one.
  const std::size_t percent = name.rfind('%');
  if (percent != std::string::npos && percent + 3 > name.size()) name.resize(percent);
  return name + "%%" + Hash(id);
}
