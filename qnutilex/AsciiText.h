#pragma once

#include <cstdint>
#include <cstring>
#include <string_view>

// Whether `text` is plain ASCII, which reads the same in every supported code page and as UTF-8,
// so that it needs no conversion. Looked at eight bytes at a time: every statement and every
// text that a listing reads passes here.
inline bool IsAsciiText(std::string_view text) {
  std::uint64_t all = 0;
  std::size_t at = 0;
  for (; at + sizeof all <= text.size(); at += sizeof all) {
    std::uint64_t word;
    std::memcpy(&word, text.data() + at, sizeof word);
    all |= word;
  }
  for (; at < text.size(); ++at) all |= static_cast<unsigned char>(text[at]);
  return (all & 0x8080808080808080u) == 0;
}
