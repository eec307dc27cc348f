#include "platform/Profile.h"

#include <algorithm>
#include <cstring>
#include <string_view>

#include "platform/ProfileFile.h"

namespace {

ProfileFile LoadProfile(LPCSTR fileName) {
  ProfileFile profile;
  profile.Load(fileName);
  return profile;
}

// Windows drops the default's trailing blanks, so that a padded default reads as a trimmed value.
std::string_view TrimmedDefault(LPCSTR defaultText) {
  std::string_view text = defaultText ? defaultText : "";
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
  return text;
}

DWORD CopyOut(std::string_view text, LPSTR returned, DWORD size) {
  if (!returned || size == 0) return 0;
  const std::size_t copied = std::min<std::size_t>(text.size(), size - 1);
  std::memcpy(returned, text.data(), copied);
  returned[copied] = '\0';
  return static_cast<DWORD>(copied);
}

}  // namespace

UINT GetPrivateProfileIntA(LPCSTR appName, LPCSTR keyName, int nDefault, LPCSTR fileName) {
  if (!appName || !keyName) return static_cast<UINT>(nDefault);
  return static_cast<UINT>(LoadProfile(fileName).FindInt(appName, keyName, nDefault));
}

DWORD GetPrivateProfileStringA(LPCSTR appName, LPCSTR keyName, LPCSTR defaultText, LPSTR returned, DWORD size,
                               LPCSTR fileName) {
  if (!appName || !keyName) return CopyOut("", returned, size);
  const ProfileFile profile = LoadProfile(fileName);
  const auto value = profile.Find(appName, keyName);
  return CopyOut(value ? *value : TrimmedDefault(defaultText), returned, size);
}

BOOL WritePrivateProfileStringA(LPCSTR appName, LPCSTR keyName, LPCSTR text, LPCSTR fileName) {
  if (!appName || !keyName || !text || !fileName) return FALSE;
  ProfileFile profile;
  return profile.Load(fileName) && profile.Set(appName, keyName, text) && profile.Save(fileName) ? TRUE : FALSE;
}
