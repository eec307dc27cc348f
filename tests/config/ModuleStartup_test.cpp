#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <string>

#include "ConfigScratch.h"

namespace {

namespace fs = std::filesystem;

// Runs the probe from `folder` (its program folder) and returns what it printed.
std::string RunProbeIn(const fs::path& folder) {
  const std::string command = "cd '" + folder.string() + "' && ./startup_probe 2>&1";
  std::string output;
  if (FILE* pipe = ::popen(command.c_str(), "r")) {
    std::array<char, 256> chunk{};
    while (std::fgets(chunk.data(), chunk.size(), pipe)) output += chunk.data();
    ::pclose(pipe);
  }
  return output;
}

TEST_F(ConfigScratch, StartUpLoadsTheLanguageOfTheConfigurationFile) {
  const fs::path buildFolder = fs::path(VUDODA_MODULE).parent_path();
  fs::copy_file(VUDODA_STARTUP_PROBE, m_folder / "startup_probe");
  fs::copy_file(VUDODA_MODULE, m_folder / "libvudoda.so");
  fs::copy_file(buildFolder / "LANG_GER.dll", m_folder / "LANG_GER.dll");
  const std::string english = "resource=none\non=On\nchain=empty\n";
  const struct {
    const char* file;  // Maternis.ini, or null for none
    std::string expected;
  } cases[] = {
      {"[CENTRAL_DEFAULT]\r\nLanguage=5\r\n", "resource=LANG_GER.dll\non=Ein\nchain=empty\n"},
      {"[central_default]\nlanguage = \"5\"\n", "resource=LANG_GER.dll\non=Ein\nchain=empty\n"},
      {"[CENTRAL_DEFAULT]\r\nLanguage=3\r\n", english},
      {"[CENTRAL_DEFAULT]\r\nLanguage=0\r\n", english},
      {"[CENTRAL_DEFAULT]\r\nLanguage=15\r\n", english},
      {"[CENTRAL_DEFAULT]\r\nLanguage=13\r\n", english},  // no LANG_KOR.dll anywhere near
      {"[CENTRAL_DEMO]\r\nLanguage=5\r\n", english},
      {nullptr, english},
  };
  for (const auto& c : cases) {
    fs::remove(m_folder / "Maternis.ini");
    if (c.file) WriteFile((m_folder / "Maternis.ini").string(), c.file);
    EXPECT_EQ(RunProbeIn(m_folder), c.expected) << (c.file ? c.file : "no file");
  }
}

}  // namespace
