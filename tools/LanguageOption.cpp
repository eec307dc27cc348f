#include "tools/LanguageOption.h"

#include "config/LanguageLibrary.h"
#include "platform/AfxModuleState.h"
#include "platform/LibraryLoader.h"

namespace {

constexpr int kLastLanguage = 14;

}  // namespace

LanguageOption::~LanguageOption() {
  if (!m_library) return;
  AfxGetModuleState()->m_hCurrentResourceHandle = m_previous;
  FreeLibrary(m_library);
}

std::optional<LanguageOption::Fault> LanguageOption::Select(const std::optional<std::string>& value) {
  if (!value) return std::nullopt;
  const std::optional<std::uint64_t> language = ParseUnsigned(*value, kLastLanguage);
  if (!language || *language == 0) return Fault{true, "--language takes a language number 1-14 (3: English)"};
  const char* name = GetLanguageLibraryName(static_cast<int>(*language));
  if (!name) return std::nullopt;
  m_previous = AfxGetModuleState()->m_hCurrentResourceHandle;
  m_library = SelectLanguageLibrary(static_cast<int>(*language));
  if (!m_library) return Fault{false, std::string("cannot load the language library ") + name};
  return std::nullopt;
}

int ReportLanguageFault(ToolIo& io, std::string_view command, std::string_view usage,
                        const LanguageOption::Fault& fault) {
  return fault.isUsage ? ReportUsageFault(io, command, usage, fault.text) : ReportFailure(io, command, fault.text);
}
