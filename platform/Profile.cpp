#include "platform/Profile.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

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

// Windows cuts a name list to the buffer and still closes it with two zeros, so that a reader
// stepping from name to name stops inside the buffer.
DWORD CopyList(const std::vector<std::string_view>& names, LPSTR returned, DWORD size) {
  std::string list;
  for (std::string_view name : names) list.append(name).push_back('\0');
  list.push_back('\0');
  if (size < 2) return CopyOut("", returned, size);
  if (list.size() <= size) {
    std::memcpy(returned, list.data(), list.size());
    return static_cast<DWORD>(list.size() - 1);
  }
  std::memcpy(returned, list.data(), size - 2);
  returned[size - 2] = returned[size - 1] = '\0';
  return size - 2;
}

}  // namespace

UINT GetPrivateProfileIntA(LPCSTR appName, LPCSTR keyName, int nDefault, LPCSTR fileName) {
  if (!appName || !keyName) return static_cast<UINT>(nDefault);
  return static_cast<UINT>(LoadProfile(fileName).FindInt(appName, keyName, nDefault));
}

DWORD GetPrivateProfileStringA(LPCSTR appName, LPCSTR keyName, LPCSTR defaultText, LPSTR returned, DWORD size,
                               LPCSTR fileName) {
  if (!returned) return 0;
  const ProfileFile profile = LoadProfile(fileName);
  if (!appName) return CopyList(profile.SectionNames(), returned, size);
  if (!keyName) {
    const auto keys = profile.KeyNames(appName);
    return keys.empty() ? CopyOut(TrimmedDefault(defaultText), returned, size) : CopyList(keys, returned, size);
  }
  const auto value = profile.Find(appName, keyName);
  return CopyOut(value ? *value : TrimmedDefault(defaultText), returned, size);
}

DWORD GetPrivateProfileSectionNamesA(LPSTR returned, DWORD size, LPCSTR fileName) {
  return GetPrivateProfileStringA(nullptr, nullptr, nullptr, returned, size, fileName);
}

// A deletion of what is not there writes nothing, so the file stays as it was.
BOOL WritePrivateProfileStringA(LPCSTR appName, LPCSTR keyName, LPCSTR text, LPCSTR fileName) {
  if (!appName || !fileName) {
    errno = EINVAL;
    return FALSE;
  }
  bool refused = false;
  const int error = ProfileFile::Update(fileName, [&](ProfileFile& profile) {
    if (!keyName) return profile.DeleteSection(appName);
    if (!text) return profile.DeleteKey(appName, keyName);
    refused = !profile.Set(appName, keyName, text);
    return !refused;
  });
  if (error || refused) errno = error ? error : EINVAL;
  return error || refused ? FALSE : TRUE;
}
