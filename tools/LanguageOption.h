#pragma once

#include <optional>
#include <string>

#include "platform/windef.h"
#include "tools/CommandLine.h"

// The --language N option of the commands that show station texts: N is a language number of
// the station (1–14; 3 is English), whose library is loaded from the program folder or the
// system's library path and made the resource handle, as the station does at start-up. The
// previous resource handle comes back when the object goes.
class LanguageOption {
 public:
  static constexpr CommandLine::Option kOption{"--language", true};
  static constexpr const char* kUsage = "[--language N]";

  struct Fault {
    bool isUsage;  // a bad number (kExitUsage) rather than a library that cannot be loaded
    std::string text;
  };

  LanguageOption() = default;
  LanguageOption(const LanguageOption&) = delete;
  LanguageOption& operator=(const LanguageOption&) = delete;
  ~LanguageOption();

  // Selects the language of the option's `value`; nothing without one, or for English.
  std::optional<Fault> Select(const std::optional<std::string>& value);

 private:
  HMODULE m_library = nullptr;
  HINSTANCE m_previous = nullptr;
};

// Reports `fault` for `command` as its kind requires; returns the exit code.
int ReportLanguageFault(ToolIo& io, std::string_view command, std::string_view usage,
                        const LanguageOption::Fault& fault);
