// `vudoda strip` as a user runs it: a simulated link drawn to each format, and every kind of
// bad input refused with one line and exit code 1, leaving no file.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "packet/PKPatient_v110.h"
#include "tools/ToolMain.h"

namespace {

struct StripRun {
  int exitCode;
  std::string out;
  std::string err;
};

StripRun RunVudoda(const std::vector<std::string>& args, const std::string& input = "") {
  std::istringstream in(input);
  std::ostringstream out, err;
  ToolIo io{in, out, err};
  const int exitCode = RunTool(args, io);
  return {exitCode, out.str(), err.str()};
}

class StripCommandTest : public ::testing::Test {
 protected:
  void SetUp() override {
    m_folder = std::filesystem::temp_directory_path() / ("vudoda-strip-" + std::to_string(::getpid()));
    std::filesystem::create_directories(m_folder);
  }
  void TearDown() override { std::filesystem::remove_all(m_folder); }

  std::string File(const std::string& name) const { return (m_folder / name).string(); }
  std::string Link(int seconds) {
    const StripRun run = RunVudoda({"simulate", "--seconds", std::to_string(seconds), "-o", File("link.bin")});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    return File("link.bin");
  }
  std::filesystem::path m_folder;
};

TEST_F(StripCommandTest, DrawsASimulatedLinkInEveryFormat) {
  const std::string link = Link(600);
  for (const char* name : {"strip.pdf", "strip.svg", "strip.png"}) {
    const StripRun run = RunVudoda({"strip", link, "-o", File(name), "--speed", "1"});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.out, "wrote 1 page: " + File(name) + "\n");
  }
  std::ifstream pdf(File("strip.pdf"), std::ios::binary);
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(pdf), {}).substr(0, 5), "%PDF-");
  // Ten minutes at 3 cm/min: two pages of eight minutes.
  const StripRun fast = RunVudoda({"strip", link, "-o", File("fast.svg"), "--speed", "3", "--colors", "station"});
  EXPECT_EQ(fast.out, "wrote 2 pages: " + File("fast.svg") + " " + File("fast-2.svg") + "\n") << fast.err;
}

TEST_F(StripCommandTest, BadInputGivesOneLineAndExitCodeOne) {
  const std::string link = Link(120);
  PKPatient_v110 patient;
  patient.ResetCheckSum();
  const std::string patientOnly(patient.GetPacket(), patient.GetPacket() + patient.GetPacketSize());
  std::ofstream(File("patient-only.bin"), std::ios::binary) << patientOnly;
  std::ofstream(File("empty.bin"), std::ios::binary).flush();
  const struct { std::vector<std::string> args; std::string errPart; } cases[] = {
      {{"strip", File("empty.bin"), "-o", File("out.pdf")}, "holds no numerics packet"},
      {{"strip", File("patient-only.bin"), "-o", File("out.pdf")}, "holds no numerics packet"},
      {{"strip", link, "-o", File("out.pdf"), "--from", "05:00"}, "outside the recording"},
      {{"strip", link, "-o", File("no/such/folder/out.pdf")}, "cannot create"},
      {{"strip", File("missing.bin"), "-o", File("out.pdf")}, "cannot open"},
      {{"strip", link, "-o", File("out.pdf"), "--config", File("missing.ini")}, "cannot read the configuration"},
  };
  for (const auto& c : cases) {
    const StripRun run = RunVudoda(c.args);
    EXPECT_EQ(run.exitCode, 1) << c.errPart;
    EXPECT_NE(run.err.find("vudoda strip: "), std::string::npos) << run.err;
    EXPECT_NE(run.err.find(c.errPart), std::string::npos) << run.err;
    EXPECT_FALSE(std::filesystem::exists(File("out.pdf"))) << c.errPart;
  }
}

TEST_F(StripCommandTest, RefusedArgumentsGiveExitCodeTwo) {
  const struct { std::vector<std::string> args; std::string errPart; } cases[] = {
      {{"strip", "-o", File("out.bmp")}, "must end in .pdf, .svg or .png"},
      {{"strip"}, "--output is required"},
      {{"strip", "-o", File("o.pdf"), "--speed", "4"}, "--speed"},
      {{"strip", "-o", File("o.pdf"), "--scale", "25"}, "--scale"},
      {{"strip", "-o", File("o.pdf"), "--from", "24:00"}, "hh:mm or hh:mm:ss"},
      {{"strip", "-o", File("o.pdf"), "--minutes", "0"}, "--minutes"},
      {{"strip", "-o", File("o.pdf"), "--colors", "neon"}, "--colors"},
  };
  for (const auto& c : cases) {
    const StripRun run = RunVudoda(c.args);
    EXPECT_EQ(run.exitCode, 2) << c.errPart;
    EXPECT_NE(run.err.find(c.errPart), std::string::npos) << run.err;
  }
}

}  // namespace
