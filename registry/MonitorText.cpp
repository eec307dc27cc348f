#include "registry/MonitorText.h"

#include "platform/CodePage.h"

namespace {

// The longest character of the supported code pages (UTF-8) in bytes.
constexpr std::size_t kLongestCharacter = 4;
constexpr char kReplacement = '?';
constexpr char kRawMark = '~';

// The character at the start of `raw` converted, and its length in bytes; 0 when none converts.
std::size_t ConvertFirstCharacter(std::string_view raw, UINT codePage, std::string& converted) {
  for (std::size_t length = 1; length <= kLongestCharacter && length <= raw.size(); ++length) {
    if (ConvertCodePage(codePage, CP_ACP, raw.substr(0, length), converted)) return length;
  }
  return 0;
}

std::string Base64Url(std::string_view raw) {
  static constexpr char kDigits[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789-_";
  std::string text;
  for (std::size_t pos = 0; pos < raw.size(); pos += 3) {
    const std::size_t count = std::min<std::size_t>(3, raw.size() - pos);
    unsigned bits = 0;
    for (std::size_t i = 0; i < 3; ++i) {
      bits = (bits << 8) | (i < count ? static_cast<unsigned char>(raw[pos + i]) : 0u);
    }
    for (std::size_t digit = 0; digit <= count; ++digit) text += kDigits[(bits >> (18 - 6 * digit)) & 0x3F];
  }
  return text;
}

}  // namespace

MonitorText MonitorText::Decode(std::string_view raw, UINT codePage) {
  MonitorText result;
  if (ConvertCodePage(codePage, CP_ACP, raw, result.text)) return result;
  result.text.clear();
  result.exact = false;
  std::string character;
  while (!raw.empty()) {
    const std::size_t length = ConvertFirstCharacter(raw, codePage, character);
    result.text += length > 0 ? character : std::string(1, kReplacement);
    raw.remove_prefix(std::max<std::size_t>(length, 1));
  }
  return result;
}

MonitorText MonitorText::Identifier(std::string_view raw, UINT codePage, std::size_t width) {
  MonitorText decoded = Decode(raw, codePage);
  if (decoded.exact && decoded.text.size() <= width && !decoded.text.starts_with(kRawMark)) return decoded;
  return MonitorText{kRawMark + Base64Url(raw), false};
}

std::string MonitorText::Hex(std::string_view raw) {
  static constexpr char kHexDigits[] = "0123456789ABCDEF";
  std::string text;
  for (const char ch : raw) {
    const auto byte = static_cast<unsigned char>(ch);
    if (!text.empty()) text += ' ';
    text += kHexDigits[byte >> 4];
    text += kHexDigits[byte & 0x0F];
  }
  return text;
}
