// `vudoda config` as a user runs it, on a scratch Maternis.ini.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "config/ConfigScratch.h"
#include "platform/Profile.h"
#include "tools/ToolMain.h"

namespace {

struct ConfigRun {
  int exitCode;
  std::string out;
  std::string err;
};

class ConfigCommand : public ConfigScratch {
 protected:
  ConfigRun Run(std::vector<std::string> args) {
    args.insert(args.begin(), {"config", "--file", m_file.empty() ? File("Maternis.ini") : m_file});
    std::istringstream in;
    std::ostringstream out, err;
    ToolIo io{in, out, err};
    const int exitCode = RunTool(args, io);
    return {exitCode, out.str(), err.str()};
  }

  std::string m_file;  // empty: Maternis.ini in the scratch folder
};

TEST_F(ConfigCommand, SetGetShowAndResetGoThroughTheFile) {
  EXPECT_EQ(Run({"set", "language", "5"}).exitCode, 0);
  EXPECT_EQ(Run({"set", "Doctor Name", "Dr. Example"}).exitCode, 0);
  EXPECT_EQ(Run({"set", "Broker Port", "--", "-1"}).exitCode, 0);
  EXPECT_EQ(GetPrivateProfileIntA("CENTRAL_DEFAULT", "Language", 3, File("Maternis.ini").c_str()), 5u);
  EXPECT_EQ(Run({"get", "BROKER PORT"}).out, "-1\n");
  const std::string shown = Run({"show"}).out;
  EXPECT_NE(shown.find("[CENTRAL_DEFAULT]\n"), std::string::npos) << shown;
  EXPECT_NE(shown.find("  Language = 5 (LANG_GER)\n"), std::string::npos) << shown;
  EXPECT_NE(shown.find("  FHR1 Delay Time = 0 (Aus)\n"), std::string::npos) << shown;

  EXPECT_EQ(Run({"reset"}).exitCode, 0);
  EXPECT_EQ(Run({"get", "Broker Port"}).out, "4500\n");
  EXPECT_EQ(Run({"get", "Doctor Name"}).out, "Dr. Example\n");
  EXPECT_NE(Run({}).out.find("  FHR1 Delay Time = 0 (Off)\n"), std::string::npos);
}

TEST_F(ConfigCommand, BadRequestsAreRefusedAndTheFileStaysAsItWas) {
  ASSERT_EQ(Run({"set", "Language", "7"}).exitCode, 0);
  const struct {
    std::vector<std::string> args;
    const char* errPart;
  } cases[] = {
      {{"set", "Languages", "5"}, "no key named 'Languages'"},
      {{"set", "Language", "5x"}, "Language takes a whole number, not '5x'"},
      {{"set", "Language", "99999999999"}, "takes a whole number"},
      {{"set", "Hospital Name", "two\nlines"}, "line break"},
      {{"set", "Language", ""}, "takes a whole number"},
      {{"set", "Language"}, "VALUE is required"},
      {{"frobnicate"}, "not expected: frobnicate"},
  };
  for (const auto& c : cases) {
    const ConfigRun run = Run(c.args);
    EXPECT_EQ(run.exitCode, 2) << c.errPart;
    EXPECT_NE(run.err.find(c.errPart), std::string::npos) << run.err;
  }
  EXPECT_EQ(Run({"get", "Language"}).out, "7\n");
  m_file = File("Maternis.ini/inside-a-file.ini");
  EXPECT_EQ(Run({"set", "Language", "5"}).exitCode, 1);
  EXPECT_NE(Run({"show"}).out.find("does not exist: the factory defaults"), std::string::npos);
}

}  // namespace
