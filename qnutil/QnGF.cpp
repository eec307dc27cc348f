#include "qnutil/QnGF.h"

#include <algorithm>
#include <string_view>

#include "platform/CodePage.h"

CString QnGF::GetString(UINT id) {
  CString text;
  text.LoadString(id);
  return text;
}

namespace {

// The bytes of the character that starts with `lead`, as the process code page reads it. A
// broken sequence is measured by its lead byte alone; nothing past the text's end is read.
int CharacterLength(unsigned char lead) {
  switch (GetACP()) {
    case CP_UTF8:
      return lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
    case 949:
      return lead >= 0x81 && lead <= 0xFE ? 2 : 1;
    default:
      return 1;
  }
}

}  // namespace

CString QnGF::AbbreviateText(const char* text, int limit) {
  if (!text || limit < 1) return CString();
  const std::string_view whole(text);
  std::size_t kept = 0;
  while (kept < whole.size()) {
    const std::size_t next = kept + static_cast<std::size_t>(CharacterLength(static_cast<unsigned char>(whole[kept])));
    if (next > static_cast<std::size_t>(limit)) break;
    kept = next;
  }
  return CString(whole.substr(0, std::min(kept, whole.size())));
}
