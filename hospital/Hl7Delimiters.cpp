#include "hospital/Hl7Delimiters.h"

#include <cctype>
#include <cstdio>

namespace {

bool UsableAsDelimiter(char c) {
  const auto byte = static_cast<unsigned char>(c);
  return byte > ' ' && byte < 0x7F && !std::isalnum(byte);
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

// The bytes of a \Xhh..\ body ("X" and the hex pairs), or nullopt when it is not whole pairs
// of hex digits.
std::optional<std::string> HexBytes(std::string_view body) {
  const std::string_view digits = body.substr(1);
  if (digits.empty() || digits.size() % 2 != 0) return std::nullopt;
  std::string bytes;
  for (std::size_t i = 0; i < digits.size(); i += 2) {
    const int high = HexDigit(digits[i]);
    const int low = HexDigit(digits[i + 1]);
    if (high < 0 || low < 0) return std::nullopt;
    bytes.push_back(static_cast<char>(high * 16 + low));
  }
  return bytes;
}

}  // namespace

std::optional<Hl7Delimiters> Hl7Delimiters::FromMsh(std::string_view segment, std::string& fault) {
  if (segment.substr(0, 3) != "MSH" || segment.size() < 4) {
    fault = "the message does not begin with an MSH segment";
    return std::nullopt;
  }
  Hl7Delimiters delimiters;
  delimiters.field = segment[3];
  if (!UsableAsDelimiter(delimiters.field)) {
    fault = "MSH-1 (the field separator) is a letter, a digit, a space or a control character";
    return std::nullopt;
  }
  const std::size_t end = segment.find(delimiters.field, 4);
  const std::string_view characters = segment.substr(4, end == std::string_view::npos ? std::string_view::npos : end - 4);
  if (characters.size() < 4 || characters.size() > 5) {
    fault = "MSH-2 holds " + std::to_string(characters.size()) + " encoding characters, not 4 (or 5 with truncation)";
    return std::nullopt;
  }
  std::string seen(1, delimiters.field);
  for (char c : characters) {
    if (!UsableAsDelimiter(c) || seen.find(c) != std::string::npos) {
      fault = "MSH-2 (the encoding characters) repeats a delimiter or holds a letter, digit, space or control character";
      return std::nullopt;
    }
    seen.push_back(c);
  }
  delimiters.component = characters[0];
  delimiters.repetition = characters[1];
  delimiters.escape = characters[2];
  delimiters.subcomponent = characters[3];
  if (characters.size() == 5) delimiters.truncation = characters[4];
  return delimiters;
}

std::string Hl7Delimiters::EncodingCharacters() const {
  std::string characters{component, repetition, escape, subcomponent};
  if (truncation) characters.push_back(*truncation);
  return characters;
}

bool Hl7Delimiters::IsDelimiter(char c) const {
  return c == field || c == component || c == repetition || c == escape || c == subcomponent ||
         (truncation && c == *truncation);
}

std::string Hl7Delimiters::Escape(std::string_view text) const {
  std::string escaped;
  escaped.reserve(text.size());
  const auto sequence = [&](const char* name) {
    escaped.push_back(escape);
    escaped += name;
    escaped.push_back(escape);
  };
  for (char c : text) {
    if (c == field) {
      sequence("F");
    } else if (c == component) {
      sequence("S");
    } else if (c == subcomponent) {
      sequence("T");
    } else if (c == repetition) {
      sequence("R");
    } else if (c == escape) {
      sequence("E");
    } else if (truncation && c == *truncation) {
      sequence("P");
    } else if (static_cast<unsigned char>(c) < ' ' || c == 0x7F) {
      char hex[4];
      std::snprintf(hex, sizeof hex, "X%02X", static_cast<unsigned char>(c));
      sequence(hex);
    } else {
      escaped.push_back(c);
    }
  }
  return escaped;
}

std::string Hl7Delimiters::Unescape(std::string_view text) const {
  if (text.find(escape) == std::string_view::npos) return std::string(text);
  std::string plain;
  plain.reserve(text.size());
  std::size_t at = 0;
  while (at < text.size()) {
    const std::size_t open = text.find(escape, at);
    if (open == std::string_view::npos) break;
    plain.append(text.substr(at, open - at));
    const std::size_t close = text.find(escape, open + 1);
    if (close == std::string_view::npos) {
      at = open;  // an escape character that no sequence follows stays as it is
      break;
    }
    const std::string_view body = text.substr(open + 1, close - open - 1);
    at = close + 1;
    if (body == "F") {
      plain.push_back(field);
    } else if (body == "S") {
      plain.push_back(component);
    } else if (body == "T") {
      plain.push_back(subcomponent);
    } else if (body == "R") {
      plain.push_back(repetition);
    } else if (body == "E") {
      plain.push_back(escape);
    } else if (body == "P" && truncation) {
      plain.push_back(*truncation);
    } else if (body == "H" || body == "N") {
      // highlighting on and off: the text is what counts
    } else if (const std::optional<std::string> bytes = body.starts_with('X') ? HexBytes(body) : std::nullopt) {
      plain += *bytes;
    } else {
      plain.append(text.substr(open, close - open + 1));
    }
  }
  plain.append(text.substr(at));
  return plain;
}
