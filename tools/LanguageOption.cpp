#include "tools/LanguageOption.h"

#include <CLI/CLI.hpp>

#include "config/LanguageLibrary.h"
#include "platform/AfxModuleState.h"
#include "platform/LibraryLoader.h"

namespace {

constexpr int kFirstLanguage = 1;
constexpr int kLastLanguage = 14;

}  // namespace

void LanguageOption::Define(CLI::App& command, int& language) {
  command.add_option("--language", language, "station language of the texts, 1-14 (3: English)")
      ->type_name("N")
      ->check(CLI::Range(kFirstLanguage, kLastLanguage));
}

LanguageOption::~LanguageOption() {
  if (!m_previous) return;
  AfxGetModuleState()->m_hCurrentResourceHandle = *m_previous;
  if (m_library) FreeLibrary(m_library);
}

std::optional<std::string> LanguageOption::Select(int language) {
  if (language == kNotGiven) return std::nullopt;
  HINSTANCE& current = AfxGetModuleState()->m_hCurrentResourceHandle;
  const HINSTANCE previous = current;
  if (const char* name = GetLanguageLibraryName(language)) {
    m_library = SelectLanguageLibrary(language);
    if (!m_library) return std::string("cannot load the language library ") + name;
  } else {
    // English has no library: no resource handle leaves the module's own table first.
    current = nullptr;
  }
  m_previous = previous;
  return std::nullopt;
}
