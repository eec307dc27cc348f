#include "platform/COleDateTime.h"

#include <gtest/gtest.h>

#include <cmath>
#include <ctime>
#include <limits>
#include <string>

namespace {

struct Moment {
  int year, month, day, hour, minute, second;
};

void ExpectComponents(const COleDateTime& date, const Moment& m, const std::string& what) {
  EXPECT_EQ(date.GetYear(), m.year) << what;
  EXPECT_EQ(date.GetMonth(), m.month) << what;
  EXPECT_EQ(date.GetDay(), m.day) << what;
  EXPECT_EQ(date.GetHour(), m.hour) << what;
  EXPECT_EQ(date.GetMinute(), m.minute) << what;
  EXPECT_EQ(date.GetSecond(), m.second) << what;
}

TEST(COleDateTimeComponents, RoundTripThroughTheOleDate) {
  const struct {
    Moment moment;
    DATE date;
    int dayOfWeek;
    int dayOfYear;
  } cases[] = {
      {{1899, 12, 30, 0, 0, 0}, 0.0, 7, 364},
      {{1899, 12, 29, 6, 0, 0}, -1.25, 6, 363},  // negative: the time is subtracted
      {{1899, 12, 31, 0, 0, 0}, 1.0, 1, 365},
      {{1900, 2, 28, 0, 0, 0}, 60.0, 4, 59},
      {{1900, 3, 1, 0, 0, 0}, 61.0, 5, 60},  // 1900 is no leap year
      {{2024, 1, 5, 10, 30, 15}, 45296.43767361111, 6, 5},
      {{2024, 2, 29, 0, 0, 0}, 45351.0, 5, 60},
      {{2024, 12, 31, 23, 59, 59}, 45657.99998842592, 3, 366},
      {{2023, 12, 31, 0, 0, 0}, 45291.0, 1, 365},
      {{1800, 1, 1, 12, 0, 0}, -36522.5, 4, 1},
      {{1600, 2, 29, 18, 0, 0}, -109512.75, 3, 60},  // leap year divisible by 400
      {{100, 1, 1, 0, 0, 0}, -657434.0, 6, 1},
      {{9999, 12, 31, 23, 59, 59}, 2958465.999988426, 6, 365},
  };
  for (const auto& c : cases) {
    const Moment& m = c.moment;
    const std::string what = std::to_string(c.date);
    COleDateTime built;
    EXPECT_EQ(built.SetDateTime(m.year, m.month, m.day, m.hour, m.minute, m.second), 0) << what;
    EXPECT_NEAR(built.m_dt, c.date, 1e-9) << what;
    const COleDateTime read(c.date);
    ASSERT_EQ(read.GetStatus(), COleDateTime::valid) << what;
    ExpectComponents(read, m, what);
    EXPECT_EQ(read.GetDayOfWeek(), c.dayOfWeek) << what;
    EXPECT_EQ(read.GetDayOfYear(), c.dayOfYear) << what;
  }
}

TEST(COleDateTimeComponents, OutOfRangeComponentsAreInvalidAndKeepTheValue) {
  const Moment cases[] = {
      {2023, 2, 29, 0, 0, 0}, {2024, 2, 30, 0, 0, 0}, {2100, 2, 29, 0, 0, 0}, {2024, 13, 1, 0, 0, 0},
      {2024, 0, 1, 0, 0, 0},  {2024, 4, 31, 0, 0, 0}, {2024, 1, 0, 0, 0, 0},  {99, 12, 31, 0, 0, 0},
      {10000, 1, 1, 0, 0, 0}, {2024, 1, 1, 24, 0, 0}, {2024, 1, 1, 0, 60, 0}, {2024, 1, 1, 0, 0, 60},
      {2024, 1, 1, -1, 0, 0},
  };
  for (const Moment& m : cases) {
    COleDateTime date(45296.5);
    EXPECT_EQ(date.SetDateTime(m.year, m.month, m.day, m.hour, m.minute, m.second), 1);
    EXPECT_EQ(date.GetStatus(), COleDateTime::invalid);
    EXPECT_EQ(date.m_dt, 45296.5);
    EXPECT_EQ(date.GetYear(), AFX_OLE_DATETIME_ERROR);
    EXPECT_EQ(date.GetDayOfWeek(), -1);
  }
  EXPECT_EQ(COleDateTime().SetTime(23, 59, 59), 0);
  EXPECT_EQ(COleDateTime(2024, 2, 30, 0, 0, 0).GetStatus(), COleDateTime::invalid);
}

TEST(COleDateTimeComponents, UnrepresentableValuesNeverYieldComponents) {
  for (const DATE value : {-657435.0, 2958466.0, 1e300, -1e300, std::numeric_limits<double>::quiet_NaN(),
                           std::numeric_limits<double>::infinity()}) {
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
  ExpectComponents(COleDateTime(day + 37815.5 / 86400), {2024, 1, 5, 10, 30, 16}, "15.5 s");
  ExpectComponents(COleDateTime(day + 37815.499 / 86400), {2024, 1, 5, 10, 30, 15}, "15.499 s");
  ExpectComponents(COleDateTime(day + 86399.6 / 86400), {2024, 1, 6, 0, 0, 0}, "23:59:59.6");
  ExpectComponents(COleDateTime(-1 - 86399.6 / 86400), {1899, 12, 30, 0, 0, 0}, "negative");
  EXPECT_EQ(COleDateTime(2958465 + 86399.6 / 86400).GetYear(), -1);  // would be year 10000
}

TEST(COleDateTimeCompare, FollowsTimeAcrossNegativeDatesAndStatus) {
  const COleDateTime dec29Morning(-1.25), dec29Evening(-1.75), dec30Morning(0.25);
  EXPECT_TRUE(dec29Morning < dec29Evening);  // the larger double is the earlier time
  EXPECT_TRUE(dec29Evening < dec30Morning);
  EXPECT_TRUE(dec30Morning > dec29Evening);
  EXPECT_TRUE(COleDateTime(-0.25) == dec30Morning);  // day 0 written negative
  EXPECT_TRUE(dec29Morning <= dec29Morning);
  EXPECT_TRUE(dec29Evening >= dec29Morning);

  COleDateTime null1, null2, invalid1, invalid2;
  null1.SetStatus(COleDateTime::null);
  null2.SetStatus(COleDateTime::null);
  invalid1.SetStatus(COleDateTime::invalid);
  invalid2.SetStatus(COleDateTime::invalid);
  EXPECT_TRUE(null1 == null2);
  EXPECT_FALSE(invalid1 == invalid2);
  EXPECT_TRUE(invalid1 != invalid2);
  EXPECT_FALSE(null1 == COleDateTime());
  EXPECT_FALSE(COleDateTime() < invalid1);
  EXPECT_FALSE(invalid1 < COleDateTime());
  EXPECT_FALSE(invalid1 <= invalid2);
}

TEST(COleDateTimeFormat, DefaultFormIsUsEnglish) {
  const struct {
    DATE date;
    const char* expected;
  } cases[] = {
      {45296.43767361111, "1/5/2024 10:30:15 AM"},
      {45296.0, "1/5/2024"},  // midnight: date only
      {45296.5, "1/5/2024 12:00:00 PM"},
      {45657.96190972222, "12/31/2024 11:05:09 PM"},
      {0.0, "12:00:00 AM"},  // 30 December 1899: time only
      {1.0 / 86400, "12:00:01 AM"},
      {13.0 / 24 + 7.0 / 1440, "1:07:00 PM"},
      {-1.25, "12/29/1899 6:00:00 AM"},
      {-657434.0, "1/1/100"},
  };
  for (const auto& c : cases) EXPECT_EQ(COleDateTime(c.date).Format(), c.expected) << c.date;

  COleDateTime date;
  date.SetStatus(COleDateTime::null);
  EXPECT_EQ(date.Format(), "");
  EXPECT_EQ(date.Format("%Y"), "");
  date.SetStatus(COleDateTime::invalid);
  EXPECT_EQ(date.Format(), "Invalid DateTime");
}

TEST(COleDateTimeFormat, PatternsUseStrftimeCodes) {
  const COleDateTime date(2024, 1, 5, 10, 30, 15);
  EXPECT_EQ(date.Format("%Y%m%d%H%M%S"), "20240105103015");
  EXPECT_EQ(COleDateTime(2024, 12, 31, 23, 5, 9).Format("%Y%m%d%H%M%S"), "20241231230509");
  EXPECT_EQ(date.Format("%A %B %j %I %p"), "Friday January 005 10 AM");
  EXPECT_EQ(COleDateTime(1600, 2, 29, 0, 0, 0).Format("%a %d.%m.%Y"), "Tue 29.02.1600");
  EXPECT_EQ(date.Format(""), "");
  EXPECT_EQ(date.Format(nullptr), "1/5/2024 10:30:15 AM");
  std::string longPattern;
  for (int i = 0; i < 1000; ++i) longPattern += "%Y";
  EXPECT_EQ(date.Format(longPattern.c_str()).GetLength(), 4000);
}

COleDateTime LocalTime(std::time_t when) {
  std::tm local{};
  localtime_r(&when, &local);
  return COleDateTime(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min,
                      local.tm_sec);
}

TEST(COleDateTimeCurrent, IsLocalTimeInWholeSeconds) {
  const COleDateTime earliest = LocalTime(std::time(nullptr));
  const COleDateTime now = COleDateTime::GetCurrentTime();
  const COleDateTime latest = LocalTime(std::time(nullptr));
  EXPECT_TRUE(earliest <= now && now <= latest);
  EXPECT_EQ(now.FormatTimestamp().Right(4), ".000");
}

TEST(COleDateTimeParse, ReadsEveryAcceptedForm) {
  const struct {
    const char* text;
    const char* timestamp;
  } cases[] = {
      {"2024-01-05", "2024-01-05 00:00:00.000"},
      {"2024-01-05 10:30", "2024-01-05 10:30:00.000"},
      {"2024-01-05 10:30:15", "2024-01-05 10:30:15.000"},
      {"2024-01-05T10:30:15", "2024-01-05 10:30:15.000"},
      {"2024/1/5", "2024-01-05 00:00:00.000"},
      {"2024-01-05 10:30:15.250", "2024-01-05 10:30:15.250"},
      {"2024-01-05 10:30:15.25", "2024-01-05 10:30:15.250"},
      {"2024-01-05 10:30:15.123456", "2024-01-05 10:30:15.123"},
      {"  2024-01-05   10:30  ", "2024-01-05 10:30:00.000"},
      {"1/5/2024", "2024-01-05 00:00:00.000"},
      {"01/05/2024 10:30 PM", "2024-01-05 22:30:00.000"},
      {"1/5/2024 10:30:15am", "2024-01-05 10:30:15.000"},
      {"12/31/99", "1999-12-31 00:00:00.000"},
      {"1/5/24", "2024-01-05 00:00:00.000"},
      {"Jan 5 2024", "2024-01-05 00:00:00.000"},
      {"January 5, 2024", "2024-01-05 00:00:00.000"},
      {"jan. 5, 2024 12:15 PM", "2024-01-05 12:15:00.000"},
      {"SEPT 1 2024", "2024-09-01 00:00:00.000"},
      {"5 Jan 2024", "2024-01-05 00:00:00.000"},
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
}

TEST(COleDateTimeParse, FlagsKeepOnlyOnePart) {
  COleDateTime date;
  ASSERT_TRUE(date.ParseDateTime("2024-01-05 18:00", VAR_DATEVALUEONLY));
  EXPECT_EQ(date.m_dt, 45296.0);
  ASSERT_TRUE(date.ParseDateTime("2024-01-05 18:00", VAR_TIMEVALUEONLY));
  EXPECT_EQ(date.m_dt, 0.75);
  EXPECT_FALSE(date.ParseDateTime("2024-02-30 18:00", VAR_TIMEVALUEONLY));  // still checked whole
}

TEST(COleDateTimeParse, RejectsWhatIsNoDate) {
  const std::string digits(100000, '9');
  const std::string letters(100000, 'a');
  const std::string blanksThenJunk = std::string(100000, ' ') + "x";
  const char* cases[] = {
      "", "   ", "hello", "2024-02-30", "2024-13-45", "2023-02-29", "2024-00-10", "0099-01-01",
      "10000-01-01", "13/5/2024", "1/5/99999", "2024-01-05 24:00", "2024-01-05 10:60",
      "2024-01-05 10:30:60", "2024-01-05 10:3", "13:00 PM", "0:30 AM", "10", "2024-01-05x",
      "2024-01-05 10:30 extra", "2024-01-05T", "2024-01-05 10:30:15.", "2024-01-05 10:30.5",
      "2024-1-5-7", "2024-01/05", "Foo 5 2024", "Jan 2024", "5 Jan", "99999999999999999999-01-01",
      "1/5/2024 10:30 XM", "\xFF\xFE\x80", "\xE2\x80\x83" "1/5/2024", digits.c_str(), letters.c_str(),
      blanksThenJunk.c_str(), nullptr,
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
