// The manual page and the bash completion, generated from the command line, against what a
// user reads in --help.
#include <gtest/gtest.h>
#include <stdio.h>
#include <unistd.h>

#include <CLI/CLI.hpp>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "tools/BashCompletion.h"
#include "tools/ManualPage.h"
#include "tools/ToolRun.h"

namespace {

std::string Help(const std::string& command) {
  std::vector<std::string> args;
  std::istringstream words(command);
  for (std::string word; words >> word;) args.push_back(word);
  args.emplace_back("--help");
  const ToolRun run = RunVudoda(args);
  EXPECT_EQ(run.exitCode, 0) << command << ": " << run.err;
  return run.out;
}

// The first words of the lines of a help section ("Subcommands:", "Options:"); an option
// line's names are split at their commas ("-o,--output FILE" gives -o and --output).
std::vector<std::string> Listed(const std::string& help, const std::string& section) {
  std::vector<std::string> names;
  std::istringstream lines(help);
  bool inside = false;
  for (std::string line; std::getline(lines, line);) {
    if (line.empty() || line[0] != ' ') {
      inside = line == section;
      continue;
    }
    if (!inside || line.size() < 3 || line[2] == ' ') continue;
    std::string first = line.substr(2, line.find(' ', 2) - 2);
    first = first.substr(0, first.find('='));
    std::istringstream parts(first);
    for (std::string name; std::getline(parts, name, ',');) names.push_back(name);
  }
  return names;
}

// What `write` makes of the tool's command line.
template <class Write>
std::string FromCommandLine(Write write) {
  std::istringstream in;
  std::ostringstream out, written;
  ToolIo io{in, out, out};
  CommandRun run{io};
  write(*MakeToolApp(run), written);
  return written.str();
}

std::string ManualPage() {
  std::string text =
      FromCommandLine([](const CLI::App& app, std::ostream& page) { WriteManualPage(app, "9.9.9", page); });
  // Read as the reader sees it: roff's escaped dashes as dashes.
  for (std::size_t at; (at = text.find("\\-")) != std::string::npos;) text.erase(at, 1);
  return text;
}

// Every command and subcommand that --help lists has its section, with every option its own
// --help names.
TEST(ToolDocs, ManualPageHasEveryCommandAndOption) {
  const std::string page = ManualPage();
  EXPECT_TRUE(page.starts_with(".TH VUDODA 1 \"\" \"vudoda 9.9.9\"")) << page.substr(0, 80);
  std::vector<std::string> pending = {""};
  int commands = 0;
  while (!pending.empty()) {
    const std::string command = pending.back();
    pending.pop_back();
    const std::string help = Help(command);
    for (const std::string& sub : Listed(help, "Subcommands:")) pending.push_back(command.empty() ? sub : command + " " + sub);
    if (command.empty()) continue;
    ++commands;
    const std::size_t section = page.find(".SS \"vudoda " + command + " ");
    ASSERT_NE(section, std::string::npos) << "no section for " << command;
    const std::string own = page.substr(section, page.find(".SS", section + 1) - section);
    for (const std::string& option : Listed(help, "Options:")) {
      if (option != "-h" && option != "--help") { EXPECT_NE(own.find(option), std::string::npos) << command << " " << option; }
    }
    EXPECT_NE(own.find("Example:\n  vudoda "), std::string::npos) << own;
  }
  EXPECT_EQ(commands, 8 + 4 + 9);  // the commands, config's actions, db's actions
  EXPECT_NE(page.find(".SH \"EXIT STATUS\"\nExit codes: 0 done"), std::string::npos);
}

class Completion : public ::testing::Test {
 protected:
  void SetUp() override {
    m_script = std::filesystem::temp_directory_path() / ("vudoda-completion-" + std::to_string(getpid()));
    std::ofstream(m_script) << FromCommandLine(
        [](const CLI::App& app, std::ostream& script) { WriteBashCompletion(app, script); });
  }
  void TearDown() override { std::filesystem::remove(m_script); }

  // What bash offers for the last word of `line`, one word a line.
  std::string Complete(const std::string& line) const {
    std::vector<std::string> words;
    std::istringstream split(line);
    for (std::string word; split >> word;) words.push_back(word);
    if (line.ends_with(' ')) words.emplace_back();
    std::string array;
    for (const std::string& word : words) array += " '" + word + "'";
    const std::string command = "bash -c 'source \"$0\"; COMP_WORDS=(\"$@\"); COMP_CWORD=$(($# - 1)); _vudoda; "
                                "printf \"%s\\n\" \"${COMPREPLY[@]}\" | sort' " +
                                m_script.string() + array;
    FILE* pipe = popen(command.c_str(), "r");
    std::string offered;
    char buffer[256];
    while (fgets(buffer, sizeof buffer, pipe)) offered += buffer;
    EXPECT_EQ(pclose(pipe), 0) << line;
    return offered;
  }

  std::filesystem::path m_script;
};

TEST_F(Completion, OffersCommandsOptionsPacketClassesAndChoices) {
  EXPECT_EQ(Complete("vudoda "), "config\ndb\ndecode\nexport\nmaps\nsimulate\nstation\nstrip\n");
  EXPECT_EQ(Complete("vudoda db add"), "add-patient\nadd-study\nadd-user\n");
  EXPECT_EQ(Complete("vudoda db add-user --database x.db --pa"), "--password\n");
  EXPECT_EQ(Complete("vudoda config --file x.ini s"), "set\nshow\n");
  EXPECT_EQ(Complete("vudoda simulate --seconds 5 --h"), "--help\n--hex\n");
  EXPECT_EQ(Complete("vudoda decode --only PKW"), "PKWave_v110\n");
  EXPECT_EQ(Complete("vudoda decode --only PKWave_v110,PKPa"), "PKWave_v110,PKParam_v110\nPKWave_v110,PKPatient_v110\n");
  EXPECT_EQ(Complete("vudoda maps --language 1"), "1\n10\n11\n12\n13\n14\n");
  EXPECT_EQ(Complete("vudoda simulate --seed "), "\n");
  EXPECT_EQ(Complete("vudoda strip x.bin --colors "), "paper\nstation\n");
  EXPECT_EQ(Complete("vudoda strip --speed 3 --paper "), "a4\nletter\n");
  EXPECT_EQ(Complete("vudoda export --format fh"), "fhr\nfhrm\n");
}

}  // namespace
