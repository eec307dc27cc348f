#include "link/HexDecoder.h"

#include <cctype>

#include "link/HexText.h"

namespace {

bool IsSpace(char ch) { return std::isspace(static_cast<unsigned char>(ch)) != 0; }

std::string Printable(char ch) {
  const auto byte = static_cast<unsigned char>(ch);
  if (byte >= 0x20 && byte < 0x7F) return std::string("'") + ch + "'";
  return "byte 0x" + HexByte(byte);
}

}  // namespace

std::optional<std::string> HexDecoder::Feed(std::string_view text,
                                            std::vector<unsigned char>& out) {
  for (char ch : text) {
    const std::uint64_t offset = m_offset++;
    const int value = HexDigitValue(ch);
    if (value >= 0 && m_highDigit >= 0) {
      out.push_back(static_cast<unsigned char>(m_highDigit << 4 | value));
      m_highDigit = -1;
    } else if (value >= 0) {
      m_highDigit = value;
      m_highOffset = offset;
    } else if (!IsSpace(ch)) {
      return "bad hex text at offset " + std::to_string(offset) + ": " + Printable(ch) +
             " is not a hex digit";
    } else if (m_highDigit >= 0) {
      return LoneDigitFault();
    }
  }
  return std::nullopt;
}

std::optional<std::string> HexDecoder::Finish() {
  if (m_highDigit >= 0) return LoneDigitFault();
  return std::nullopt;
}

std::string HexDecoder::LoneDigitFault() const {
  return "bad hex text at offset " + std::to_string(m_highOffset) +
         ": an odd number of hex digits (this digit has no partner)";
}
