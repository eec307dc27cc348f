#include "ward/StationScreen.h"

#include <gtest/gtest.h>

#include <sstream>

namespace {

BedRow SilentBed() {
  BedRow row;
  row.bed = 3;
  row.link = BedRow::Link::Silent;
  row.patientId = "TEST-1";
  row.patientName = "Testmother, Bed1";
  row.fhr1 = 142;
  row.uc = 12;
  row.mhr = 80;
  row.spo2 = 98;
  row.nibpSystolic = 118;
  row.nibpDiastolic = 76;
  row.lengthSeconds = 3725;
  row.lossSeconds = 15;
  row.badBytes = 118;
  row.alarms = {"FHR1: HIGH"};
  return row;
}

TEST(StationScreenTest, ABedsLineShowsItsStateNumericsFiguresAndAlarms) {
  EXPECT_EQ(StationScreen::RowLine(SilentBed()),
            "bed 3  COMM FAIL TEST-1 Testmother, Bed1           FHR1 142 FHR2 --- UC 12  MHR 80  SpO2 98  "
            "NIBP 118/76  rec 01:02:05 loss 15 s  bad bytes 118  [FHR1: HIGH]");
  BedRow named = SilentBed();
  named.patientName = "Averyveryverylongname, Withafirstname";
  EXPECT_EQ(StationScreen::RowLine(named).substr(17, 38), "TEST-1 Averyveryverylongname, Wit FHR1");
}

TEST(StationScreenTest, WithoutATerminalEventsArePlainLinesAndNothingIsRedrawn) {
  std::ostringstream out;
  StationScreen screen(out, false);
  const std::string event = "bed 1: communication failure: no data for 5 s";
  screen.ShowEvent(event);
  screen.ShowRows({SilentBed()});
  // Stamped as a stored line: "YYYY-MM-DD HH:MM:SS +HHMM", unambiguous after a fall-back.
  const std::string text = out.str();
  ASSERT_EQ(text.size(), std::string("YYYY-MM-DD HH:MM:SS +HHMM ").size() + event.size() + 1);
  EXPECT_EQ(text.substr(4, 1) + text.substr(7, 1) + text.substr(13, 1) + text.substr(16, 1), "--::");
  EXPECT_TRUE(text[20] == '+' || text[20] == '-') << text;
  EXPECT_EQ(text.substr(25), " " + event + "\n");
}

TEST(StationScreenTest, OnATerminalTheBedsInUseAreRedrawnWithTheLatestEvents) {
  std::ostringstream out;
  StationScreen screen(out, true);
  screen.ShowEvent("bed 3: link restored");
  EXPECT_EQ(out.str(), "");
  BedRow free;
  free.bed = 1;
  screen.ShowRows({free, SilentBed()});
  const std::string text = out.str();
  EXPECT_EQ(text.substr(0, 7), "\x1b[H\x1b[2J");
  EXPECT_NE(text.find("  1 of 2 beds in use\n" + StationScreen::RowLine(SilentBed()) + "\n\n"), std::string::npos);
  EXPECT_EQ(text.find("bed 1 "), std::string::npos);
  EXPECT_TRUE(text.ends_with(" bed 3: link restored\n")) << text;
}

}  // namespace
