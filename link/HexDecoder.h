#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "link/LinkApi.h"

// Turns hex text, fed in chunks of any size, into bytes. Each byte is two hex digits (either
// case); whitespace may stand between bytes but not inside one. The first fault ends decoding:
// its description names the offset of the offending character in the text.
class VUDODA_LINK_API HexDecoder {
 public:
  // Appends the bytes that `text` completes to `out`. Returns the fault, or nullopt.
  std::optional<std::string> Feed(std::string_view text, std::vector<unsigned char>& out);
  // Ends the text. Returns the fault of a digit left without its partner, or nullopt.
  std::optional<std::string> Finish();

 private:
  std::string LoneDigitFault() const;

  std::uint64_t m_offset = 0;  // offset in the text of the next character fed
  int m_highDigit = -1;        // value of a first digit still waiting for its partner
  std::uint64_t m_highOffset = 0;
};
