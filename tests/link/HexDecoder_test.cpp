#include "link/HexDecoder.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// Fed one character at a time and all at once, the text gives the same bytes (those before the
// fault, if any) and the same fault.
TEST(HexDecoder, DecodesOrNamesTheOffendingOffset) {
  const struct { std::string text; std::vector<unsigned char> bytes; std::string fault; } cases[] = {
      {"b0 01 0A ff\n\tA0 03\r\n07 FF\n", {0xB0, 0x01, 0x0A, 0xFF, 0xA0, 0x03, 0x07, 0xFF}, ""},
      {"B0010AFF", {0xB0, 0x01, 0x0A, 0xFF}, ""},
      {"B0 01 0x", {0xB0, 0x01}, "bad hex text at offset 7: 'x' is not a hex digit"},
      {"B0\x01", {0xB0}, "bad hex text at offset 2: byte 0x01 is not a hex digit"},
      {"B0 1 0A", {0xB0}, "bad hex text at offset 3: an odd number of hex digits (this digit has no partner)"},
      {"B0 01 0A F", {0xB0, 0x01, 0x0A},
       "bad hex text at offset 9: an odd number of hex digits (this digit has no partner)"},
  };
  for (const auto& c : cases) {
    for (std::size_t chunkSize : {std::size_t{1}, c.text.size() + 1}) {
      HexDecoder decoder;
      std::vector<unsigned char> bytes;
      std::optional<std::string> fault;
      for (std::size_t pos = 0; pos < c.text.size() && !fault; pos += chunkSize) {
        fault = decoder.Feed(std::string_view(c.text).substr(pos, chunkSize), bytes);
      }
      if (!fault) fault = decoder.Finish();
      EXPECT_EQ(bytes, c.bytes) << c.text << ", chunk size " << chunkSize;
      EXPECT_EQ(fault.value_or(""), c.fault) << c.text << ", chunk size " << chunkSize;
    }
  }
}

}  // namespace
