#include "platform/mbstring.h"

#include "platform/CodePage.h"

namespace {

constexpr unsigned kKoreanCodePage = 949;

bool IsKoreanLeadByte(unsigned byte) { return byte >= 0x81 && byte <= 0xFE; }

unsigned AsciiLower(unsigned byte) { return (byte >= 'A' && byte <= 'Z') ? byte - 'A' + 'a' : byte; }

// The next character of `text` as one number, its lead byte above its trail byte; a lead byte
// with nothing after it ends the text, as the C runtime reads it.
unsigned NextCharacter(const unsigned char*& text, bool doubleByte) {
  const unsigned first = *text++;
  if (!doubleByte || !IsKoreanLeadByte(first)) return AsciiLower(first);
  if (*text == '\0') return 0;
  return (first << 8) | *text++;
}

}  // namespace

int _mbsicmp(const unsigned char* string1, const unsigned char* string2) {
  static const unsigned char empty[] = "";
  const unsigned char* a = string1 != nullptr ? string1 : empty;
  const unsigned char* b = string2 != nullptr ? string2 : empty;
  const bool doubleByte = GetACP() == kKoreanCodePage;
  for (;;) {
    const unsigned ca = NextCharacter(a, doubleByte);
    const unsigned cb = NextCharacter(b, doubleByte);
    if (ca != cb) return ca < cb ? -1 : 1;
    if (ca == 0) return 0;
  }
}

std::size_t _mbclen(const unsigned char* character) {
  const unsigned lead = *character;
  if (lead < 0x80) return 1;
  switch (GetACP()) {
    case CP_UTF8:
      return lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
    case kKoreanCodePage:
      return IsKoreanLeadByte(lead) ? 2 : 1;
    default:
      return 1;
  }
}

std::size_t WholeCharacterPrefix(std::string_view text, std::size_t limit) {
  std::size_t kept = 0;
  while (kept < text.size()) {
    const std::size_t next = kept + _mbclen(reinterpret_cast<const unsigned char*>(text.data() + kept));
    if (next > limit) break;
    kept = next < text.size() ? next : text.size();  // a broken last sequence ends the text
  }
  return kept;
}
