#include "config/LanguageLibrary.h"

#include <iterator>

#include "platform/AfxModuleState.h"
#include "platform/LibraryLoader.h"

namespace {

constexpr int kEnglish = 3;
constexpr const char* kLibraries[] = {
    "LANG_BUL.dll", "LANG_CZE.dll", nullptr,        "LANG_FRA.dll", "LANG_GER.dll",
    "LANG_ITA.dll", "LANG_POL.dll", "LANG_POR.dll", "LANG_ROM.dll", "LANG_RUS.dll",
    "LANG_SPA.dll", "LANG_TUR.dll", "LANG_KOR.dll", "LANG_CHN.dll",
};
static_assert(kLibraries[kEnglish - 1] == nullptr);

}  // namespace

const char* GetLanguageLibraryName(int language) {
  if (language < 1 || language > static_cast<int>(std::size(kLibraries))) return nullptr;
  return kLibraries[language - 1];
}

HMODULE SelectLanguageLibrary(int language) {
  const char* name = GetLanguageLibraryName(language);
  const HMODULE library = name ? LoadLibraryA(name) : nullptr;
  if (library) AfxGetModuleState()->m_hCurrentResourceHandle = library;
  return library;
}
