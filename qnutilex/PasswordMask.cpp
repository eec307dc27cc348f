#include "qnutilex/PasswordMask.h"

#include <algorithm>
#include <utility>
#include <vector>

namespace {

using Place = std::pair<std::size_t, std::size_t>;  // [begin, end) of a value in the string

bool IsSpace(char ch) { return ch == ' ' || (ch >= '\t' && ch <= '\r'); }

bool IsWordByte(char ch) {
  const auto byte = static_cast<unsigned char>(ch);
  return (byte >= '0' && byte <= '9') || (byte >= 'A' && byte <= 'Z') || (byte >= 'a' && byte <= 'z') ||
         byte == '_' || byte >= 0x80;
}

// Where libpq's reading of key=value pairs finds each password value: keywords end at '=' or a
// blank, blanks may surround the '=', a value is quoted ('…') or runs to a blank, and a
// backslash takes the character after it in either form.
std::vector<Place> KeyValuePasswords(std::string_view text) {
  std::vector<Place> places;
  std::size_t at = 0;
  const auto skipBlanks = [&] {
    while (at < text.size() && IsSpace(text[at])) ++at;
  };
  for (skipBlanks(); at < text.size(); skipBlanks()) {
    const std::size_t keyStart = at;
    while (at < text.size() && text[at] != '=' && !IsSpace(text[at])) ++at;
    const std::string_view key = text.substr(keyStart, at - keyStart);
    skipBlanks();
    if (at == text.size() || text[at] != '=') break;  // libpq stops reading here
    ++at;
    skipBlanks();
    const std::size_t valueStart = at;
    const bool quoted = at < text.size() && text[at] == '\'';
    if (quoted) ++at;
    while (at < text.size() && (quoted ? text[at] != '\'' : !IsSpace(text[at]))) at += text[at] == '\\' ? 2 : 1;
    at = std::min(at + (quoted ? 1 : 0), text.size());
    if (key == "password") places.emplace_back(valueStart, at);
  }
  return places;
}

int HexDigit(char ch) {
  if (ch >= '0' && ch <= '9') return ch - '0';
  if (ch >= 'a' && ch <= 'f') return ch - 'a' + 10;
  if (ch >= 'A' && ch <= 'F') return ch - 'A' + 10;
  return -1;
}

// A URI's keyword with its %XX escapes read, as libpq compares it.
std::string Unescaped(std::string_view text) {
  std::string plain;
  for (std::size_t at = 0; at < text.size(); ++at) {
    if (text[at] == '%' && at + 2 < text.size() && HexDigit(text[at + 1]) >= 0 && HexDigit(text[at + 2]) >= 0) {
      plain += static_cast<char>(HexDigit(text[at + 1]) * 16 + HexDigit(text[at + 2]));
      at += 2;
    } else {
      plain += text[at];
    }
  }
  return plain;
}

// The length of a URI's scheme with its "//", or 0 for key=value pairs.
std::size_t SchemeLength(std::string_view conninfo) {
  for (const std::string_view scheme : {"postgresql://", "postgres://"}) {
    if (conninfo.starts_with(scheme)) return scheme.size();
  }
  return 0;
}

// Where libpq's reading of a URI finds each password: after the first ':' of the user part (up to
// the '@' that comes before any '/'), and the value of each "password=" query parameter.
std::vector<Place> UriPasswords(std::string_view text, std::size_t schemeEnd) {
  std::vector<Place> places;
  std::size_t at = schemeEnd;
  while (at < text.size() && text[at] != '@' && text[at] != '/') ++at;
  std::size_t queryFrom = schemeEnd;
  if (at < text.size() && text[at] == '@') {
    const std::size_t colon = text.find(':', schemeEnd);
    if (colon < at) places.emplace_back(colon + 1, at);
    queryFrom = at + 1;
  }
  for (std::size_t mark = text.find('?', queryFrom); mark < text.size();) {
    const std::size_t start = mark + 1;
    const std::size_t end = std::min(text.find('&', start), text.size());
    const std::size_t equals = text.find('=', start);
    if (equals < end && Unescaped(text.substr(start, equals - start)) == "password") {
      places.emplace_back(equals + 1, end);
    }
    mark = end;
  }
  return places;
}

}  // namespace

std::string PasswordMask::MaskedConnectionString(std::string_view conninfo) {
  const std::size_t schemeLength = SchemeLength(conninfo);
  const std::vector<Place> places =
      schemeLength ? UriPasswords(conninfo, schemeLength) : KeyValuePasswords(conninfo);
  std::string masked;
  std::size_t copied = 0;
  for (const auto& [begin, end] : places) {
    masked.append(conninfo.substr(copied, begin - copied)).append(kMask);
    copied = end;
  }
  return masked.append(conninfo.substr(copied));
}

std::string PasswordMask::Masked(std::string text) const {
  if (m_password.empty()) return text;
  const bool wordFirst = IsWordByte(m_password.front()), wordLast = IsWordByte(m_password.back());
  for (std::size_t at = text.find(m_password); at != std::string::npos; at = text.find(m_password, at)) {
    const std::size_t end = at + m_password.size();
    const bool continuedBefore = wordFirst && at > 0 && IsWordByte(text[at - 1]);
    const bool continuedAfter = wordLast && end < text.size() && IsWordByte(text[end]);
    if (continuedBefore || continuedAfter) {
      ++at;
      continue;
    }
    text.replace(at, m_password.size(), kMask);
    at += kMask.size();
  }
  return text;
}
