#include "platform/COleDateTime.h"

#include <gtest/gtest.h>

#include <array>
#include <limits>
#include <string>

namespace {

using Moment = std::array<int, 6>;  // year, month, day, hour, minute, second

Moment ComponentsOf(const COleDateTime& date) {
  return {date.GetYear(), date.GetMonth(), date.GetDay(), date.GetHour(), date.GetMinute(), date.GetSecond()};
}

TEST(COleDateTimeComponents, RoundTripThroughTheOleDate) {
  const struct { Moment moment; DATE date; int dayOfWeek, dayOfYear; } cases[] = {
      {{1899, 12, 30, 0, 0, 0}, 0.0, 7, 364},
      {{1899, 12, 29, 6, 0, 0}, -1.25, 6, 363},  // negative: the time is subtracted
      {{1900, 3, 1, 0, 0, 0}, 61.0, 5, 60},      // 1900 is no leap year
      {{2024, 1, 5, 10, 30, 15}, 45296.43767361111, 6, 5},
      {{2024, 2, 29, 0, 0, 0}, 45351.0, 5, 60},
      {{2024, 12, 31, 23, 59, 59}, 45657.99998842592, 3, 366},
      {{1600, 2, 29, 18, 0, 0}, -109512.75, 3, 60},  // leap year divisible by 400
      {{100, 1, 1, 0, 0, 0}, -657434.0, 6, 1},
      {{9999, 12, 31, 23, 59, 59}, 2958465.999988426, 6, 365},
  };
  for (const auto& c : cases) {
    const Moment& m = c.moment;
    COleDateTime built;
    EXPECT_EQ(built.SetDateTime(m[0], m[1], m[2], m[3], m[4], m[5]), 0) << c.date;
    EXPECT_NEAR(built.m_dt, c.date, 1e-9);
    const COleDateTime read(c.date);
    EXPECT_EQ(ComponentsOf(read), m);
    EXPECT_EQ(read.GetDayOfWeek(), c.dayOfWeek) << c.date;
    EXPECT_EQ(read.GetDayOfYear(), c.dayOfYear) << c.date;
  }
}

TEST(COleDateTimeComponents, OutOfRangeComponentsAreInvalidAndKeepTheValue) {
  const Moment cases[] = {
      {2023, 2, 29, 0, 0, 0},  {2024, 2, 30, 0, 0, 0}, {2100, 2, 29, 0, 0, 0}, {2024, 13, 1, 0, 0, 0},
      {2024, 4, 31, 0, 0, 0},  {2024, 1, 0, 0, 0, 0},  {99, 12, 31, 0, 0, 0},  {10000, 1, 1, 0, 0, 0},
      {2024, 1, 1, 24, 0, 0},  {2024, 1, 1, 0, 60, 0}, {2024, 1, 1, 0, 0, 60},
  };
  for (const Moment& m : cases) {
    COleDateTime date(45296.5);
    EXPECT_EQ(date.SetDateTime(m[0], m[1], m[2], m[3], m[4], m[5]), 1);
    EXPECT_EQ(date.GetStatus(), COleDateTime::invalid);
    EXPECT_EQ(date.m_dt, 45296.5);
    EXPECT_EQ(date.GetYear(), AFX_OLE_DATETIME_ERROR);
  }
}

TEST(COleDateTimeComponents, UnrepresentableValuesNeverYieldComponents) {
  for (const DATE value : {-657435.0, 2958466.0, 1e300, std::numeric_limits<double>::quiet_NaN()}) {
    EXPECT_EQ(COleDateTime(value).GetStatus(), COleDateTime::invalid) << value;
    COleDateTime forced;
    forced.m_dt = value;  // public members may hold anything
    EXPECT_EQ(forced.GetMonth(), -1) << value;
    EXPECT_EQ(forced.Format(), "Invalid DateTime") << value;
    EXPECT_EQ(forced.Format("%Y"), "Invalid DateTime") << value;
    EXPECT_EQ(forced.FormatTimestamp(), "") << value;
  }
}

TEST(COleDateTimeComponents, SecondsRoundHalfUpIntoTheNextDay) {
  const double day = 45296.0;  // 5 January 2024
  EXPECT_EQ(ComponentsOf(COleDateTime(day + 37815.5 / 86400)), (Moment{2024, 1, 5, 10, 30, 16}));
  EXPECT_EQ(ComponentsOf(COleDateTime(day + 37815.499 / 86400)), (Moment{2024, 1, 5, 10, 30, 15}));
  EXPECT_EQ(ComponentsOf(COleDateTime(day + 86399.6 / 86400)), (Moment{2024, 1, 6, 0, 0, 0}));
  EXPECT_EQ(ComponentsOf(COleDateTime(-1 - 86399.6 / 86400)), (Moment{1899, 12, 30, 0, 0, 0}));
  EXPECT_EQ(COleDateTime(2958465 + 86399.6 / 86400).GetYear(), -1);  // would be year 10000
}

TEST(COleDateTimeCompare, FollowsTimeAcrossNegativeDatesAndStatus) {
  EXPECT_TRUE(COleDateTime(-1.25) < COleDateTime(-1.75));  // the larger double is the earlier time
  EXPECT_TRUE(COleDateTime(-1.75) < COleDateTime(0.25));
  EXPECT_TRUE(COleDateTime(-0.25) == COleDateTime(0.25));  // day 0 written negative
  COleDateTime null, invalid;
  null.SetStatus(COleDateTime::null);
  invalid.SetStatus(COleDateTime::invalid);
  EXPECT_TRUE(null == COleDateTime(null));
  EXPECT_FALSE(null == COleDateTime());
  EXPECT_TRUE(invalid != COleDateTime(invalid));
  EXPECT_FALSE(COleDateTime() < invalid);
  EXPECT_FALSE(invalid < COleDateTime());
}

TEST(COleDateTimeFormat, DefaultFormIsUsEnglish) {
  const struct { DATE date; const char* expected; } cases[] = {
      {45296.43767361111, "1/5/2024 10:30:15 AM"},
      {45296.0, "1/5/2024"},  // midnight: date only
      {45296.5, "1/5/2024 12:00:00 PM"},
      {0.0, "12:00:00 AM"},  // 30 December 1899: time only
      {13.0 / 24 + 7.0 / 1440, "1:07:00 PM"},
      {-1.25, "12/29/1899 6:00:00 AM"},
      {-657434.0, "1/1/100"},
  };
  for (const auto& c : cases) EXPECT_EQ(COleDateTime(c.date).Format(), c.expected) << c.date;
  COleDateTime date;
  date.SetStatus(COleDateTime::null);
  EXPECT_EQ(date.Format(), "");
  EXPECT_EQ(date.Format("%Y"), "");
}

TEST(COleDateTimeFormat, PatternsUseStrftimeCodesForAnyYear) {
  const COleDateTime leapDay(1600, 2, 29, 18, 5, 9);
  EXPECT_EQ(leapDay.Format("%a %A %b %d.%m.%Y %I:%M:%S %p %j"), "Tue Tuesday Feb 29.02.1600 06:05:09 PM 060");
  EXPECT_EQ(leapDay.Format(nullptr), "2/29/1600 6:05:09 PM");
  std::string longPattern;
  for (int i = 0; i < 1000; ++i) longPattern += "%Y";
  EXPECT_EQ(leapDay.Format(longPattern.c_str()).GetLength(), 4000);
}

TEST(COleDateTimeParse, ReadsEveryAcceptedFormAndKeepsThePartAsked) {
  const struct { const char* text; const char* timestamp; } cases[] = {
      {"2024-01-05T10:30:15", "2024-01-05 10:30:15.000"},
      {"2024/1/5", "2024-01-05 00:00:00.000"},
      {"2024-01-05 10:30:15.25", "2024-01-05 10:30:15.250"},
      {"2024-01-05 10:30:15.123456", "2024-01-05 10:30:15.123"},
      {"  2024-01-05   10:30  ", "2024-01-05 10:30:00.000"},
      {"01/05/2024 10:30 PM", "2024-01-05 22:30:00.000"},
      {"1/5/2024 10:30:15am", "2024-01-05 10:30:15.000"},
      {"12/31/99", "1999-12-31 00:00:00.000"},
      {"1/5/24", "2024-01-05 00:00:00.000"},
      {"1/5/29", "2029-01-05 00:00:00.000"},  // two-digit years run from 1930 to 2029
      {"1/5/30", "1930-01-05 00:00:00.000"},
      {"1/5/0", "2000-01-05 00:00:00.000"},
      {"January 5, 2024", "2024-01-05 00:00:00.000"},
      {"jan. 5, 2024 12:15 PM", "2024-01-05 12:15:00.000"},
      {"SEPT 1 2024", "2024-09-01 00:00:00.000"},
      {"5-Jan-2024 10:30", "2024-01-05 10:30:00.000"},
      {"10:30:15", "1899-12-30 10:30:15.000"},
      {"10 PM", "1899-12-30 22:00:00.000"},
      {"12:00 AM", "1899-12-30 00:00:00.000"},
      {"1/1/100", "0100-01-01 00:00:00.000"},
      {"12/31/9999 11:59:59 PM", "9999-12-31 23:59:59.000"},
  };
  for (const auto& c : cases) {
    COleDateTime date;
    date.SetStatus(COleDateTime::null);
    EXPECT_TRUE(date.ParseDateTime(c.text)) << c.text;
    EXPECT_EQ(date.GetStatus(), COleDateTime::valid) << c.text;
    EXPECT_EQ(date.FormatTimestamp(), c.timestamp) << c.text;
  }
  COleDateTime date;
  ASSERT_TRUE(date.ParseDateTime("2024-01-05 10:30:15.250", 0, LANG_USER_DEFAULT));
  EXPECT_NEAR(date.m_dt, 45296.43767650463, 1e-10);  // the milliseconds are in the value
  ASSERT_TRUE(date.ParseDateTime("1/1/1800 6:00 AM"));
  EXPECT_DOUBLE_EQ(date.m_dt, -36522.25);
  ASSERT_TRUE(date.ParseDateTime("2024-01-05 18:00", VAR_DATEVALUEONLY));
  EXPECT_EQ(date.m_dt, 45296.0);
  ASSERT_TRUE(date.ParseDateTime("2024-01-05 18:00", VAR_TIMEVALUEONLY));
  EXPECT_EQ(date.m_dt, 0.75);
  EXPECT_FALSE(date.ParseDateTime("2024-02-30 18:00", VAR_TIMEVALUEONLY));  // still checked whole
}

// A stored date comes back from its count of milliseconds; it must be the very value that
// reading its text gives, to the last bit, or a row read back would compare unequal.
TEST(COleDateTimeParse, AMillisecondCountGivesTheValueOfItsText) {
  const struct { long long milliseconds; const char* text; } cases[] = {
      {0, "1970-01-01 00:00:00"},
      {1796553930250, "2026-12-06 10:45:30.25"},       // a fraction shorter than three digits
      {1796553930999, "2026-12-06 10:45:30.999"},
      {-2209075200000, "1899-12-31 00:00:00"},          // day 1 of the OLE calendar
      {-2209161599001, "1899-12-30 00:00:00.999"},      // day 0
      {-2209204800125, "1899-12-29 11:59:59.875"},      // negative: the time counts forward
      {-59011459200000, "0100-01-01 00:00:00"},         // the first day there is
      {253402300799999, "9999-12-31 23:59:59.999"},     // the last millisecond there is
  };
  for (const auto& c : cases) {
    COleDateTime parsed;
    ASSERT_TRUE(parsed.ParseDateTime(c.text)) << c.text;
    const COleDateTime counted = COleDateTime::FromUnixMilliseconds(c.milliseconds);
    EXPECT_EQ(counted.GetStatus(), COleDateTime::valid) << c.text;
    EXPECT_EQ(counted.m_dt, parsed.m_dt) << c.text;
  }
  EXPECT_EQ(COleDateTime::FromUnixMilliseconds(-59011459200001).GetStatus(), COleDateTime::invalid);
  EXPECT_EQ(COleDateTime::FromUnixMilliseconds(253402300800000).GetStatus(), COleDateTime::invalid);
}

TEST(COleDateTimeParse, RejectsWhatIsNoDate) {
  const std::string digits(100000, '9');
  const std::string blanksThenJunk = std::string(100000, ' ') + "x";
  const char* cases[] = {
      "", "   ", "hello", "2024-02-30", "2023-02-29", "0099-01-01", "10000-01-01", "13/5/2024", "1/5/99999",
      "2024-01-05 24:00", "2024-01-05 10:60", "2024-01-05 10:30:60", "2024-01-05 10:3", "13:00 PM", "0:30 AM",
      "10", "2024-01-05x", "2024-01-05 10:30 extra", "2024-01-05T", "2024-01-05 10:30:15.", "2024-01-05 10:30.5",
      "2024-1-5-7", "2024-01/05", "Foo 5 2024", "Jan 2024", "5 Jan", "99999999999999999999-01-01",
      "1/5/2024 10:30 XM", "\xFF\xFE\x80", "\xE2\x80\x83" "1/5/2024", digits.c_str(), blanksThenJunk.c_str(), nullptr,
  };
  for (const char* text : cases) {
    COleDateTime date(45296.5);
    const std::string what = text ? std::string(text).substr(0, 40) : "null";
    EXPECT_FALSE(date.ParseDateTime(text)) << what;
    EXPECT_EQ(date.GetStatus(), COleDateTime::invalid) << what;
    EXPECT_EQ(date.m_dt, 0.0) << what;
  }
}

}  // namespace
