#include "qnutil/QnGF.h"

#include <string_view>

#include "platform/mbstring.h"

CString QnGF::GetString(UINT id) {
  CString text;
  text.LoadString(id);
  return text;
}

CString QnGF::AbbreviateText(const char* text, int limit) {
  if (!text || limit < 1) return CString();
  const std::string_view whole(text);
  return CString(whole.substr(0, WholeCharacterPrefix(whole, static_cast<std::size_t>(limit))));
}
