// The files that export, strip and simulate write: a run that fails leaves the old files as they
// were and no temporary file beside them; a run that succeeds replaces them whole.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "link/RecordingScratch.h"
#include "tools/ToolRun.h"

namespace {

namespace fs = std::filesystem;

class OutputFiles : public RecordingScratch {
 protected:
  std::set<std::string> Listing() const {
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(m_folder)) names.insert(entry.path().filename().string());
    return names;
  }

  std::string SimulatedLink(const std::vector<std::string>& extra = {}) {
    std::vector<std::string> args{"simulate", "--seconds", "600"};
    args.insert(args.end(), extra.begin(), extra.end());
    const ToolRun run = RunVudoda(args);
    EXPECT_EQ(run.exitCode, 0) << run.err;
    return run.out;
  }
};

// Each fails after its output was begun: a link that holds no numerics, or one whose hex text
// breaks off after ten minutes of pages; a recording cut short.
TEST_F(OutputFiles, AFailedRunLeavesTheOldFilesAsTheyWere) {
  const std::string noNumerics = Write("no-numerics.bin", "not a monitor link");
  const std::string brokenHex = Write("broken.hex", SimulatedLink({"--hex"}) + "B0 zz\n");
  const std::string cutRecording = Write("labour.fhr", std::string(4 + 6 + 2, '\x01'));
  const std::vector<std::string> old = {"out.csv", "out.fhr", "out.fhrm", "rec.hea", "rec.dat", "strip.pdf",
                                        "strip.svg", "strip-2.svg", "strip.png", "link.bin"};
  for (const std::string& name : old) Write(name, "old " + name);
  const std::set<std::string> before = Listing();

  const struct { std::vector<std::string> args; std::string errPart; } cases[] = {
      {{"export", "--format", "csv", "-o", File("out.csv"), noNumerics}, "holds no numerics packet"},
      {{"export", "--format", "fhr", "-o", File("out.fhr"), noNumerics}, "holds no numerics packet"},
      {{"export", "--format", "fhrm", "-o", File("out.fhrm"), noNumerics}, "holds no numerics packet"},
      {{"export", "--format", "wfdb", "-o", File("rec"), noNumerics}, "holds no numerics packet"},
      {{"export", "--format", "csv", "--hex", "-o", File("out.csv"), brokenHex}, "not a hex digit"},
      {{"export", "--format", "wfdb", "--hex", "-o", File("rec.hea"), brokenHex}, "not a hex digit"},
      {{"strip", noNumerics, "-o", File("strip.pdf")}, "holds no numerics packet"},
      {{"strip", brokenHex, "--hex", "--speed", "3", "-o", File("strip.svg")}, "not a hex digit"},
      {{"strip", brokenHex, "--hex", "-o", File("strip.png")}, "not a hex digit"},
      {{"simulate", "--replay", cutRecording, "-o", File("link.bin")}, "last record has 2 of 6 bytes"},
  };
  for (const auto& c : cases) {
    const ToolRun run = RunVudoda(c.args);
    EXPECT_EQ(run.exitCode, 1) << c.errPart;
    EXPECT_NE(run.err.find(c.errPart), std::string::npos) << run.err;
  }
  for (const std::string& name : old) EXPECT_TRUE(ReadFile(File(name)) == "old " + name) << name << " changed";
  EXPECT_EQ(Listing(), before);
}

// A link stays a link, a dangling one too (its target is created); the old file's permissions
// stay; a device is written in place.
TEST_F(OutputFiles, ASuccessfulRunReplacesTheFileThroughItsLinkWithItsPermissions) {
  const std::string link = Write("link.bin", SimulatedLink());
  Write("old.csv", "old");
  ::chmod(File("old.csv").c_str(), 0640);
  fs::create_directory(File("sub"));
  fs::create_symlink("../old.csv", File("sub/to-old.csv"));
  fs::create_symlink("sub/to-old.csv", File("chain.csv"));
  fs::create_symlink("new.pdf", File("dangling.pdf"));

  ASSERT_EQ(RunVudoda({"export", "--format", "csv", "-o", File("chain.csv"), link}).exitCode, 0);
  EXPECT_TRUE(fs::is_symlink(File("chain.csv")));
  EXPECT_TRUE(fs::is_symlink(File("sub/to-old.csv")));
  EXPECT_EQ(ReadFile(File("old.csv")).substr(0, 22), "time,FHR1,FHR2,MHR,UC\n");
  EXPECT_EQ(fs::status(File("old.csv")).permissions(), fs::perms(0640));

  ASSERT_EQ(RunVudoda({"strip", link, "-o", File("dangling.pdf")}).exitCode, 0);
  EXPECT_TRUE(fs::is_symlink(File("dangling.pdf")));
  EXPECT_EQ(ReadFile(File("new.pdf")).substr(0, 5), "%PDF-");

  const ToolRun discarded = RunVudoda({"export", "--format", "fhr", "-o", "/dev/null", link});
  EXPECT_EQ(discarded.exitCode, 0) << discarded.err;
  EXPECT_EQ(discarded.out, "wrote 2400 samples (0:10:00) to /dev/null\n");
  EXPECT_EQ(RunVudoda({"simulate", "--seconds", "1", "-o", "/dev/null"}).exitCode, 0);

  const ToolRun intoFolder = RunVudoda({"export", "--format", "csv", "-o", File("sub"), link});
  EXPECT_EQ(intoFolder.exitCode, 1);
  EXPECT_EQ(intoFolder.err, "vudoda export: cannot create " + File("sub") + ": Is a directory\n");
  EXPECT_EQ(Listing(), (std::set<std::string>{"chain.csv", "dangling.pdf", "link.bin", "new.pdf", "old.csv", "sub"}));
}

// A folder that lets anyone make files still does not make a read-only file in it writable.
TEST_F(OutputFiles, AFileThatMayNotBeWrittenIsNotReplaced) {
  const std::string link = Write("link.bin", SimulatedLink());
  Write("locked.csv", "locked");
  ::chmod(File("locked.csv").c_str(), 0444);
  ::chmod(m_folder.c_str(), 0777);
  // Root may write anything: the export runs as the user "nobody", in a child of its own.
  const pid_t child = ::fork();
  if (child == 0) {
    if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0)) ::_exit(125);
    const ToolRun run = RunVudoda({"export", "--format", "csv", "-o", File("locked.csv"), link});
    const bool refused = run.exitCode == 1 && run.err.ends_with(": Permission denied\n");
    ::_exit(refused ? 0 : 1);
  }
  int status = -1;
  ::waitpid(child, &status, 0);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
  EXPECT_EQ(ReadFile(File("locked.csv")), "locked");
  EXPECT_EQ(Listing(), (std::set<std::string>{"link.bin", "locked.csv"}));
}

}  // namespace
