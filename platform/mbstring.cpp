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
