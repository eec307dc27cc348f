// `vudoda config` as a user runs it, on a scratch Maternis.ini.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "config/ConfigScratch.h"
#include "platform/Profile.h"
#include "tools/ToolRun.h"

namespace {

class ConfigCommand : public ConfigScratch {
 protected:
  ToolRun Run(std::vector<std::string> args) {
    args.insert(args.begin(), {"config", "--file", m_file.empty() ? File("Maternis.ini") : m_file});
    return RunVudoda(args);
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
  const std::string before = ReadFile(File("Maternis.ini"));
  const struct { std::vector<std::string> args; const char* errPart; } cases[] = {
      {{"set", "Languages", "5"}, "no key named 'Languages'"},
      {{"set", "Language", "5x"}, "vudoda config: Language takes a whole number, not '5x'\n"},
      {{"set", "Language", "99999999999"}, "takes a whole number"},
      {{"set", "Language", "2147483648"}, "vudoda config: Language takes a whole number, not '2147483648'\n"},
      {{"set", "Broker Port", "4500x"}, "vudoda config: Broker Port takes a whole number, not '4500x'\n"},
      {{"set", "Broker Port", "1.5"}, "vudoda config: Broker Port takes a whole number, not '1.5'\n"},
      {{"set", "Hospital Name", "two\nlines"}, "line break"},
      {{"set", "Language", ""}, "takes a whole number"},
      {{"set", "Language"}, "VALUE is required"},
      {{"frobnicate"}, "not expected: frobnicate"},
  };
  for (const auto& c : cases) {
    const ToolRun run = Run(c.args);
    EXPECT_EQ(run.exitCode, 2) << c.errPart;
    EXPECT_NE(run.err.find(c.errPart), std::string::npos) << run.err;
  }
  EXPECT_EQ(ReadFile(File("Maternis.ini")), before);
}

// A save that fails says so, with the reason, and exits 1.
TEST_F(ConfigCommand, AFailedSaveIsReportedWithItsReason) {
  WriteFile(File("Maternis.ini"), "[CENTRAL_DEFAULT]\nLanguage=7\n");
  m_file = File("Maternis.ini/inside-a-file.ini");
  for (const std::vector<std::string>& args : {std::vector<std::string>{"set", "Language", "5"}, {"reset"}}) {
    const ToolRun run = Run(args);
    EXPECT_EQ(run.exitCode, 1) << args[0];
    EXPECT_NE(run.err.find("vudoda config: cannot write "), std::string::npos) << run.err;
    EXPECT_NE(run.err.find(": Not a directory\n"), std::string::npos) << run.err;
  }
  EXPECT_NE(Run({"show"}).out.find("does not exist: the factory defaults"), std::string::npos);
}

// set changes its one key: a data folder missing on this machine, a key the record does not
// know, comments and the order stay as the file has them.
TEST_F(ConfigCommand, SetChangesOnlyItsKey) {
  const std::string before =
      "; station 3\r\n[CENTRAL_DEFAULT]\r\nData Path=/nonexistent/station-data\r\nLanguage=7\r\nLocal Key=kept\r\n"
      "[CENTRAL_SYSTEM]\r\nHospital Name=St. Example\r\n";
  WriteFile(File("Maternis.ini"), before);
  ASSERT_EQ(Run({"set", "LANGUAGE", "5"}).exitCode, 0);
  std::string expected = before;
  expected.replace(expected.find("Language=7"), 10, "Language=5");
  EXPECT_EQ(ReadFile(File("Maternis.ini")), expected);
}

// A link to the configuration stays a link, also one that points at no file yet (the write
// creates its target), through a chain of relative links; links that go round are refused.
TEST_F(ConfigCommand, SetThroughALinkKeepsTheLinkEvenWhenItDangles) {
  namespace fs = std::filesystem;
  fs::create_directory(File("station"));
  fs::create_symlink("../shared/../Maternis.ini", File("station/Maternis.ini"));
  fs::create_symlink("station/Maternis.ini", File("link.ini"));
  fs::create_directory(File("shared"));
  m_file = File("link.ini");
  ASSERT_EQ(Run({"set", "Language", "5"}).exitCode, 0);
  EXPECT_TRUE(fs::is_symlink(File("link.ini")));
  EXPECT_TRUE(fs::is_symlink(File("station/Maternis.ini")));
  EXPECT_EQ(ReadFile(File("Maternis.ini")), "[CENTRAL_DEFAULT]\r\nLanguage=5\r\n");
  EXPECT_EQ(Run({"set", "Broker Port", "4600"}).exitCode, 0);
  EXPECT_EQ(Run({"get", "Broker Port"}).out, "4600\n");
  EXPECT_TRUE(fs::is_symlink(File("link.ini")));

  fs::create_symlink("round-b.ini", File("round-a.ini"));
  fs::create_symlink("round-a.ini", File("round-b.ini"));
  m_file = File("round-a.ini");
  const ToolRun round = Run({"set", "Language", "5"});
  EXPECT_EQ(round.exitCode, 1);
  EXPECT_NE(round.err.find("Too many levels of symbolic links"), std::string::npos) << round.err;
  EXPECT_TRUE(fs::is_symlink(File("round-a.ini")));
}

}  // namespace
