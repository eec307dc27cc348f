// `vudoda strip` as a user runs it: a simulated link and hand-made recordings drawn, and every
// kind of bad input refused with one line and exit code 1, leaving no file.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "link/RecordingScratch.h"
#include "packet/PKPatient_v110.h"
#include "recording/TimeZoneScope.h"
#include "tools/ToolRun.h"

namespace {

class StripCommandTest : public RecordingScratch {
 protected:
  std::string Link(int seconds) {
    const ToolRun run = RunVudoda({"simulate", "--seconds", std::to_string(seconds), "-o", File("link.bin")});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    return File("link.bin");
  }
};

TEST_F(StripCommandTest, DrawsASimulatedLinkInEveryFormat) {
  const std::string link = Link(600);
  for (const char* name : {"strip.pdf", "strip.svg", "strip.png"}) {
    const ToolRun run = RunVudoda({"strip", link, "-o", File(name), "--speed", "1"});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.out, "wrote 1 page: " + File(name) + "\n");
  }
  EXPECT_EQ(ReadFile(File("strip.pdf")).substr(0, 5), "%PDF-");
  // US Letter landscape is 11 x 8.5 inches.
  EXPECT_EQ(RunVudoda({"strip", link, "-o", File("letter.svg"), "--paper", "Letter"}).exitCode, 0);
  EXPECT_NE(ReadFile(File("letter.svg")).find("width=\"792pt\" height=\"612pt\""), std::string::npos);
  // Ten minutes at 3 cm/min: two pages of eight minutes, in the review colours of a
  // configuration that sets its background white and leaves the rest black.
  std::ofstream(File("Maternis.ini")) << "[REVIEW_COLOR]\r\nReview Graph Background=16777215\r\n";
  const ToolRun fast = RunVudoda(
      {"strip", link, "-o", File("fast.svg"), "--speed", "3", "--colors", "station", "--config", File("Maternis.ini")});
  EXPECT_EQ(fast.out, "wrote 2 pages: " + File("fast.svg") + " " + File("fast-2.svg") + "\n") << fast.err;
  // The factory configuration sets every colour to 0: its traces would not show.
  const ToolRun unseen = RunVudoda({"strip", link, "-o", File("unseen.svg"), "--colors", "station"});
  EXPECT_EQ(unseen.exitCode, 1);
  EXPECT_EQ(unseen.err, "vudoda strip: the configuration's \"Review Graph Text\" is its \"Review Graph Background\": "
                        "set the review colours, or use --colors paper\n");
  EXPECT_FALSE(std::filesystem::exists(File("unseen.svg")));
}

// Ten minutes of .fhr from 2021-03-04 05:06:07 UTC (0x60406ABF): FHR1 140 bpm, TOCO 20.
std::string TenMinuteFhr() {
  std::string bytes("\xBF\x6A\x40\x60", 4);
  for (int i = 0; i < 10 * 60 * 4; ++i) bytes += std::string("\x30\x02\x00\x00\x28\x00", 6);
  return bytes;
}

TEST_F(StripCommandTest, DrawsARecordingOnItsOwnClock) {
  const TimeZoneScope berlin("Europe/Berlin");
  const std::string fhr = Write("labour.fhr", TenMinuteFhr());
  const ToolRun run = RunVudoda({"strip", fhr, "-o", File("strip.pdf"), "--speed", "1"});
  EXPECT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(run.out, "wrote 1 page: " + File("strip.pdf") + "\n");
  // The clock is the recording's, on the wall (06:06:07 in Berlin, in winter): 06:10 lies in
  // it, 06:20 after it, and the fault tells its span.
  EXPECT_EQ(RunVudoda({"strip", fhr, "-o", File("part.svg"), "--from", "06:10", "--minutes", "2"}).exitCode, 0);
  EXPECT_NE(RunVudoda({"strip", fhr, "-o", File("late.svg"), "--from", "06:20"})
                .err.find("which runs from 06:06:07 to 06:16:07"),
            std::string::npos);
  // Played as a link and drawn from it, the recording keeps its clock.
  const ToolRun link = RunVudoda({"simulate", "--replay", fhr, "-o", File("labour.link")});
  ASSERT_EQ(link.exitCode, 0) << link.err;
  EXPECT_NE(RunVudoda({"strip", File("labour.link"), "-o", File("late.svg"), "--from", "06:20"})
                .err.find("which runs from 06:06:07 to 06:16:07"),
            std::string::npos);

  // A WFDB record without a start: its clock runs from 00:00:00.
  Write("w.hea", "w 1 4\nw.dat 16 100/bpm 16 0 0 0 0 FHR\n");
  Write("w.dat", std::string(2 * 4 * 90, '\x40'));
  EXPECT_NE(RunVudoda({"strip", File("w.hea"), "-o", File("w.png"), "--from", "01:00"})
                .err.find("which runs from 00:00:00 to 00:01:30"),
            std::string::npos);
  EXPECT_EQ(RunVudoda({"strip", File("w.hea"), "-o", File("w.png")}).exitCode, 0);
}

TEST_F(StripCommandTest, BadInputGivesOneLineAndExitCodeOne) {
  const std::string link = Link(120);
  PKPatient_v110 patient;
  patient.ResetCheckSum();
  const std::string patientOnly(patient.GetPacket(), patient.GetPacket() + patient.GetPacketSize());
  Write("patient-only.bin", patientOnly);
  Write("empty.bin", std::string());
  const struct { std::vector<std::string> args; std::string errPart; } cases[] = {
      {{"strip", File("empty.bin"), "-o", File("out.pdf")}, "holds no numerics packet"},
      {{"strip", File("patient-only.bin"), "-o", File("out.pdf")}, "holds no numerics packet"},
      {{"strip", link, "-o", File("out.pdf"), "--from", "05:00"}, "outside the recording"},
      {{"strip", link, "-o", File("no/such/folder/out.pdf")}, "cannot create"},
      {{"strip", File("missing.bin"), "-o", File("out.pdf")}, "cannot open"},
      {{"strip", link, "-o", File("out.pdf"), "--config", File("missing.ini")}, "cannot read the configuration"},
      {{"strip", Write("r.fhr", TenMinuteFhr()), "-o", File("out.pdf"), "--hex"}, "--hex reads a link"},
      {{"strip", Write("short.fhrm", std::string(4 + 8 + 5, '\x01')), "-o", File("out.pdf")}, "has 5 of 8 bytes"},
      {{"strip", Write("start-only.fhr", std::string(4, '\x01')), "-o", File("out.pdf")}, "holds no sample"},
      {{"strip", File("missing.hea"), "-o", File("out.pdf")}, "cannot open"},
  };
  for (const auto& c : cases) {
    const ToolRun run = RunVudoda(c.args);
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
    const ToolRun run = RunVudoda(c.args);
    EXPECT_EQ(run.exitCode, 2) << c.errPart;
    EXPECT_NE(run.err.find(c.errPart), std::string::npos) << run.err;
  }
}

}  // namespace
