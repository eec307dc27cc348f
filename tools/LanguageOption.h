#pragma once

#include <optional>
#include <string>

#include "platform/windef.h"
#include "tools/CommandLine.h"

// The --language N option of the commands that show station texts: N is a language number of
// the station (1–14; 3 is English, the module's own texts), whose library is loaded from the
// program folder or the system's library path and made the resource handle, as the station
// does at start-up. Whatever start-up selected from Maternis.ini, N alone decides; the previous
// resource handle comes back when the object goes.
class LanguageOption {
 public:
  static constexpr int kNotGiven = 0;

  // Adds --language N to `command`, stored in `language`; numbers outside 1–14 are refused.
  static void Define(CLI::App& command, int& language);

  LanguageOption() = default;
  LanguageOption(const LanguageOption&) = delete;
  LanguageOption& operator=(const LanguageOption&) = delete;
  ~LanguageOption();

  // Makes `language` the language of the texts; kNotGiven keeps the current one. The fault
  // when its library cannot be loaded, and then nothing changes.
  std::optional<std::string> Select(int language);

 private:
  HMODULE m_library = nullptr;
  std::optional<HINSTANCE> m_previous;
};
