#include "platform/COleDateTime.h"

#include <algorithm>
#include <cmath>
#include <ctime>
#include <optional>
#include <string>
#include <string_view>

namespace {

constexpr int kSecondsPerDay = 86400;
// Serial days of the first and the last representable day, 1 January 100 and 31 December 9999.
constexpr long kFirstDay = -657434;
constexpr long kLastDay = 2958465;
// Day 0 of the OLE calendar, 30 December 1899, counted from 1 January 1970.
constexpr long kOleEpochFromUnixEpoch = -25569;
constexpr int kFirstYear = 100;
constexpr int kLastYear = 9999;

struct CivilDate {
  int year;
  int month;
  int day;
};

// The calendar reading of a date. `fraction` is the part of the second below the precision
// that was asked for, in those units (milliseconds, or 0 at whole seconds).
struct DateParts {
  long serialDay;
  int year, month, day, hour, minute, second, fraction;
  int dayOfWeek, dayOfYear;
};

constexpr int kWholeSeconds = 1;
constexpr int kMilliseconds = 1000;

bool IsLeapYear(int year) { return year % 4 == 0 && (year % 100 != 0 || year % 400 == 0); }

int DaysInMonth(int year, int month) {
  static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return kDays[month - 1] + (month == 2 && IsLeapYear(year) ? 1 : 0);
}

bool IsValidDate(int year, int month, int day) {
  return year >= kFirstYear && year <= kLastYear && month >= 1 && month <= 12 && day >= 1 &&
         day <= DaysInMonth(year, month);
}

bool IsValidTime(int hour, int minute, int second) {
  return hour >= 0 && hour <= 23 && minute >= 0 && minute <= 59 && second >= 0 && second <= 59;
}

// Proleptic Gregorian calendar arithmetic in 400-year eras (H. Hinnant's algorithms), exact
// for every day of the representable range.
long SerialDayFromCivil(int year, int month, int day) {
  year -= month <= 2;
  const long era = (year >= 0 ? year : year - 399) / 400;
  const long yearOfEra = year - era * 400;
  const long dayOfYear = (153 * (month > 2 ? month - 3 : month + 9) + 2) / 5 + day - 1;
  const long dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
  return era * 146097 + dayOfEra - 719468 - kOleEpochFromUnixEpoch;
}

CivilDate CivilFromSerialDay(long serialDay) {
  const long z = serialDay + kOleEpochFromUnixEpoch + 719468;
  const long era = (z >= 0 ? z : z - 146096) / 146097;
  const long dayOfEra = z - era * 146097;
  const long yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
  const long dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
  const long shiftedMonth = (5 * dayOfYear + 2) / 153;
  const int day = static_cast<int>(dayOfYear - (153 * shiftedMonth + 2) / 5 + 1);
  const int month = static_cast<int>(shiftedMonth < 10 ? shiftedMonth + 3 : shiftedMonth - 9);
  return {static_cast<int>(yearOfEra + era * 400 + (month <= 2)), month, day};
}

// A negative date counts its time of day away from zero, so the time is subtracted.
DATE DateFromParts(long serialDay, double secondsOfDay) {
  const double fraction = secondsOfDay / kSecondsPerDay;
  return serialDay >= 0 ? serialDay + fraction : serialDay - fraction;
}

// The date on a continuous time axis (negative dates mirrored back), the order of comparisons.
double LinearFromDate(DATE date) {
  const double day = std::trunc(date);
  return date >= 0 ? date : 2 * day - date;
}

// The calendar reading of `date`, rounded to 1/ticksPerSecond; nothing when the value is not a
// representable date (NaN included).
std::optional<DateParts> SplitDate(DATE date, int ticksPerSecond) {
  if (!(date > kFirstDay - 1.0 && date < kLastDay + 1.0)) return std::nullopt;
  const double wholeDays = std::trunc(date);
  const long long ticksPerDay = static_cast<long long>(kSecondsPerDay) * ticksPerSecond;
  long long ticks = std::llround(std::fabs(date - wholeDays) * static_cast<double>(ticksPerDay));
  long serialDay = static_cast<long>(wholeDays);
  if (ticks >= ticksPerDay) {  // rounded up to midnight: the next calendar day
    ticks -= ticksPerDay;
    ++serialDay;
  }
  if (serialDay > kLastDay) return std::nullopt;
  const CivilDate civil = CivilFromSerialDay(serialDay);
  const long long seconds = ticks / ticksPerSecond;
  DateParts parts{};
  parts.serialDay = serialDay;
  parts.year = civil.year;
  parts.month = civil.month;
  parts.day = civil.day;
  parts.hour = static_cast<int>(seconds / 3600);
  parts.minute = static_cast<int>(seconds / 60 % 60);
  parts.second = static_cast<int>(seconds % 60);
  parts.fraction = static_cast<int>(ticks % ticksPerSecond);
  // Serial day 0 was a Saturday (7); day 1 a Sunday (1).
  parts.dayOfWeek = static_cast<int>(((serialDay % 7) + 13) % 7) + 1;
  parts.dayOfYear = static_cast<int>(serialDay - SerialDayFromCivil(civil.year, 1, 1)) + 1;
  return parts;
}

std::optional<DateParts> SplitValidDate(const COleDateTime& date, int ticksPerSecond) {
  if (date.GetStatus() != COleDateTime::valid) return std::nullopt;
  return SplitDate(date.m_dt, ticksPerSecond);
}

int Component(const COleDateTime& date, int DateParts::*member) {
  const std::optional<DateParts> parts = SplitValidDate(date, kWholeSeconds);
  return parts ? (*parts).*member : AFX_OLE_DATETIME_ERROR;
}

constexpr const char* kInvalidText = "Invalid DateTime";

// ---- reading date texts ----

struct ParsedDateTime {
  int year = 1899, month = 12, day = 30;
  int hour = 0, minute = 0, second = 0;
  double fraction = 0.0;  // of a second
};

bool IsDigit(char ch) { return ch >= '0' && ch <= '9'; }
bool IsLetter(char ch) { return (ch >= 'a' && ch <= 'z') || (ch >= 'A' && ch <= 'Z'); }
bool IsBlank(char ch) { return ch == ' ' || ch == '\t'; }

bool EqualsNoCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return (x | 0x20) == (y | 0x20);  // both are ASCII letters here
         });
}

// A cursor over the text with one reader per grammar element. A reader that fails leaves the
// cursor where it was, so that the alternatives of a form can be tried one after another.
class DateTextReader {
 public:
  explicit DateTextReader(std::string_view text) : m_text(text) {}

  std::optional<ParsedDateTime> Read() {
    ParsedDateTime value;
    SkipBlanks();
    bool complete;
    if (Attempt(&DateTextReader::ReadIsoDate, value)) {
      complete = Accept('T') ? ReadTime(value) : ReadOptionalTime(value);
    } else if (Attempt(&DateTextReader::ReadNumericDate, value) ||
               Attempt(&DateTextReader::ReadMonthFirstDate, value) ||
               Attempt(&DateTextReader::ReadDayFirstDate, value)) {
      complete = ReadOptionalTime(value);
    } else {
      complete = ReadTime(value);
    }
    SkipBlanks();
    if (!complete || m_pos != m_text.size()) return std::nullopt;
    return value;
  }

 private:
  bool Attempt(bool (DateTextReader::*reader)(ParsedDateTime&), ParsedDateTime& value) {
    const size_t start = m_pos;
    if ((this->*reader)(value)) return true;
    m_pos = start;
    return false;
  }

  // "2024-01-05" (also with '/' or '.').
  bool ReadIsoDate(ParsedDateTime& value) {
    const auto year = ReadNumber(4, 4);
    char separator = 0;
    if (!year || !AcceptAnyOf("-/.", separator)) return false;
    const auto month = ReadNumber(1, 2);
    if (!month || !Accept(separator)) return false;
    return StoreDate(value, year, month, ReadNumber(1, 2));
  }

  // "1/5/2024", month first (also with '-' or '.').
  bool ReadNumericDate(ParsedDateTime& value) {
    const auto month = ReadNumber(1, 2);
    char separator = 0;
    if (!month || !AcceptAnyOf("/-.", separator)) return false;
    const auto day = ReadNumber(1, 2);
    if (!day || !Accept(separator)) return false;
    return StoreDate(value, ReadYear(), month, day);
  }

  // "Jan 5 2024", "January 5, 2024".
  bool ReadMonthFirstDate(ParsedDateTime& value) {
    const auto month = ReadMonthName();
    if (!month || !ReadNameSeparator()) return false;
    const auto day = ReadNumber(1, 2);
    if (!day || !ReadNameSeparator()) return false;
    return StoreDate(value, ReadYear(), month, day);
  }

  // "5 Jan 2024", "5-Jan-2024".
  bool ReadDayFirstDate(ParsedDateTime& value) {
    const auto day = ReadNumber(1, 2);
    if (!day || !ReadNameSeparator()) return false;
    const auto month = ReadMonthName();
    if (!month || !ReadNameSeparator()) return false;
    return StoreDate(value, ReadYear(), month, day);
  }

  static bool StoreDate(ParsedDateTime& value, std::optional<int> year, std::optional<int> month,
                        std::optional<int> day) {
    if (!year || !month || !day) return false;
    value.year = *year;
    value.month = *month;
    value.day = *day;
    return true;
  }

  // The year that ends a date; two digits or fewer fall in 1930 … 2029, as Windows reads them.
  std::optional<int> ReadYear() {
    const size_t start = m_pos;
    const auto year = ReadNumber(1, 4);
    if (!year || m_pos - start > 2) return year;
    return *year + (*year < 30 ? 2000 : 1900);
  }

  // A time after a date needs a blank before it; nothing else may follow the date.
  bool ReadOptionalTime(ParsedDateTime& value) {
    if (!SkipBlanks() || m_pos == m_text.size()) return true;
    return ReadTime(value);
  }

  // "10:30", "10:30:15", "10:30:15.250", each with an optional AM/PM; or "10 PM".
  bool ReadTime(ParsedDateTime& value) {
    const auto hour = ReadNumber(1, 2);
    if (!hour) return false;
    value.hour = *hour;
    const bool hasMinutes = Accept(':');
    if (hasMinutes && !ReadMinutesAndSeconds(value)) return false;
    const size_t beforeMarker = m_pos;
    SkipBlanks();
    const auto afternoon = ReadMeridiem();
    if (!afternoon) {
      m_pos = beforeMarker;
      return hasMinutes;
    }
    if (value.hour < 1 || value.hour > 12) return false;
    value.hour = value.hour % 12 + (*afternoon ? 12 : 0);
    return true;
  }

  bool ReadMinutesAndSeconds(ParsedDateTime& value) {
    const auto minute = ReadNumber(2, 2);
    if (!minute) return false;
    value.minute = *minute;
    if (!Accept(':')) return true;
    const auto second = ReadNumber(2, 2);
    if (!second) return false;
    value.second = *second;
    return !Accept('.') || ReadFraction(value.fraction);
  }

  // Digits after the decimal point; those beyond the ninth are below any clock's precision.
  // One division of the digits by their power of ten rounds correctly, so ".25" and ".250"
  // give the very value that a count of milliseconds gives (FromUnixMilliseconds).
  bool ReadFraction(double& fraction) {
    const size_t start = m_pos;
    long long digits = 0, scale = 1;
    for (; m_pos < m_text.size() && IsDigit(m_text[m_pos]); ++m_pos) {
      if (m_pos - start >= 9) continue;
      digits = digits * 10 + (m_text[m_pos] - '0');
      scale *= 10;
    }
    fraction = static_cast<double>(digits) / static_cast<double>(scale);
    return m_pos > start;
  }

  // true for PM, false for AM.
  std::optional<bool> ReadMeridiem() {
    const size_t start = m_pos;
    const std::string_view word = ReadWord();
    if (EqualsNoCase(word, "AM")) return false;
    if (EqualsNoCase(word, "PM")) return true;
    m_pos = start;
    return std::nullopt;
  }

  // 1-12 for an English month name or its three-letter abbreviation ("Sept" too).
  std::optional<int> ReadMonthName() {
    static constexpr std::string_view kMonths[] = {"January", "February", "March",     "April",
                                                   "May",     "June",     "July",      "August",
                                                   "September", "October", "November", "December"};
    const size_t start = m_pos;
    const std::string_view word = ReadWord();
    for (int index = 0; index < 12; ++index) {
      const std::string_view name = kMonths[index];
      if (EqualsNoCase(word, name) || EqualsNoCase(word, name.substr(0, 3)) ||
          (index == 8 && EqualsNoCase(word, "Sept"))) {
        Accept('.');
        return index + 1;
      }
    }
    m_pos = start;
    return std::nullopt;
  }

  // Between the parts of a date written with a month name: blanks, one of ",-/." or both.
  bool ReadNameSeparator() {
    bool found = SkipBlanks();
    char separator = 0;
    if (AcceptAnyOf(",-/.", separator)) {
      found = true;
      SkipBlanks();
    }
    return found;
  }

  // A run of `minDigits` to `maxDigits` digits; a longer run is not a number of this form.
  std::optional<int> ReadNumber(size_t minDigits, size_t maxDigits) {
    size_t end = m_pos;
    while (end < m_text.size() && IsDigit(m_text[end])) ++end;
    if (end - m_pos < minDigits || end - m_pos > maxDigits) return std::nullopt;
    int value = 0;
    for (; m_pos < end; ++m_pos) value = value * 10 + (m_text[m_pos] - '0');
    return value;
  }

  std::string_view ReadWord() {
    const size_t start = m_pos;
    while (m_pos < m_text.size() && IsLetter(m_text[m_pos])) ++m_pos;
    return m_text.substr(start, m_pos - start);
  }

  bool Accept(char ch) {
    if (m_pos >= m_text.size() || m_text[m_pos] != ch) return false;
    ++m_pos;
    return true;
  }

  bool AcceptAnyOf(std::string_view choices, char& found) {
    if (m_pos >= m_text.size() || choices.find(m_text[m_pos]) == std::string_view::npos) return false;
    found = m_text[m_pos++];
    return true;
  }

  bool SkipBlanks() {
    const size_t start = m_pos;
    while (m_pos < m_text.size() && IsBlank(m_text[m_pos])) ++m_pos;
    return m_pos > start;
  }

  std::string_view m_text;
  size_t m_pos = 0;
};

}  // namespace

COleDateTime::COleDateTime(DATE date)
    : m_dt(date), m_status(SplitDate(date, kWholeSeconds) ? valid : invalid) {}

COleDateTime::COleDateTime(int year, int month, int day, int hour, int minute, int second) {
  SetDateTime(year, month, day, hour, minute, second);
}

COleDateTime COleDateTime::GetCurrentTime() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  COleDateTime result;
  if (!localtime_r(&now, &local)) {
    result.SetStatus(invalid);
    return result;
  }
  // A leap second (60) is shown as the last second of its minute.
  result.SetDateTime(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour,
                     local.tm_min, std::min(local.tm_sec, 59));
  return result;
}

int COleDateTime::SetDateTime(int year, int month, int day, int hour, int minute, int second) {
  if (!IsValidDate(year, month, day) || !IsValidTime(hour, minute, second)) {
    m_status = invalid;
    return 1;
  }
  m_dt = DateFromParts(SerialDayFromCivil(year, month, day), hour * 3600 + minute * 60 + second);
  m_status = valid;
  return 0;
}

COleDateTime COleDateTime::FromUnixMilliseconds(long long milliseconds) {
  constexpr long long kMsPerDay = 1000LL * kSecondsPerDay;
  const long long unixDay = (milliseconds >= 0 ? milliseconds : milliseconds - (kMsPerDay - 1)) / kMsPerDay;
  const long long inDay = milliseconds - unixDay * kMsPerDay;
  COleDateTime result;
  const long long serialDay = unixDay - kOleEpochFromUnixEpoch;
  if (serialDay < kFirstDay || serialDay > kLastDay) {
    result.m_status = invalid;
    return result;
  }
  // The whole seconds, then the milliseconds as one correctly rounded fraction: the sum that
  // ParseDateTime forms from the same moment's text.
  const long long wholeSeconds = inDay / 1000, fraction = inDay % 1000;
  const double seconds = fraction == 0 ? static_cast<double>(wholeSeconds)
                                       : static_cast<double>(wholeSeconds) + static_cast<double>(fraction) / 1000.0;
  result.m_dt = DateFromParts(static_cast<long>(serialDay), seconds);
  return result;
}

int COleDateTime::SetDate(int year, int month, int day) { return SetDateTime(year, month, day, 0, 0, 0); }

int COleDateTime::SetTime(int hour, int minute, int second) {
  return SetDateTime(1899, 12, 30, hour, minute, second);
}

int COleDateTime::GetYear() const { return Component(*this, &DateParts::year); }
int COleDateTime::GetMonth() const { return Component(*this, &DateParts::month); }
int COleDateTime::GetDay() const { return Component(*this, &DateParts::day); }
int COleDateTime::GetHour() const { return Component(*this, &DateParts::hour); }
int COleDateTime::GetMinute() const { return Component(*this, &DateParts::minute); }
int COleDateTime::GetSecond() const { return Component(*this, &DateParts::second); }
int COleDateTime::GetDayOfWeek() const { return Component(*this, &DateParts::dayOfWeek); }
int COleDateTime::GetDayOfYear() const { return Component(*this, &DateParts::dayOfYear); }

bool COleDateTime::operator==(const COleDateTime& other) const {
  if (m_status == valid && other.m_status == valid) {
    return LinearFromDate(m_dt) == LinearFromDate(other.m_dt);
  }
  return m_status == null && other.m_status == null;
}

bool COleDateTime::operator<(const COleDateTime& other) const {
  return m_status == valid && other.m_status == valid &&
         LinearFromDate(m_dt) < LinearFromDate(other.m_dt);
}

CString COleDateTime::Format() const {
  if (m_status == null) return CString();
  const std::optional<DateParts> parts = SplitValidDate(*this, kWholeSeconds);
  if (!parts) return CString(kInvalidText);
  CString text;
  const bool midnight = parts->hour == 0 && parts->minute == 0 && parts->second == 0;
  if (parts->serialDay != 0) text.Format("%d/%d/%d", parts->month, parts->day, parts->year);
  if (parts->serialDay == 0 || !midnight) {
    if (!text.IsEmpty()) text += ' ';
    text.AppendFormat("%d:%02d:%02d %s", (parts->hour + 11) % 12 + 1, parts->minute,
                      parts->second, parts->hour < 12 ? "AM" : "PM");
  }
  return text;
}

CString COleDateTime::Format(const char* format) const {
  if (!format) return Format();
  if (m_status == null) return CString();
  const std::optional<DateParts> parts = SplitValidDate(*this, kWholeSeconds);
  if (!parts) return CString(kInvalidText);
  std::tm fields{};
  fields.tm_year = parts->year - 1900;
  fields.tm_mon = parts->month - 1;
  fields.tm_mday = parts->day;
  fields.tm_hour = parts->hour;
  fields.tm_min = parts->minute;
  fields.tm_sec = parts->second;
  fields.tm_wday = parts->dayOfWeek - 1;
  fields.tm_yday = parts->dayOfYear - 1;
  fields.tm_isdst = -1;
  // strftime reports both "no room" and "empty result" as 0, so the buffer grows up to a bound
  // that no expansion of the pattern can exceed.
  const std::string_view pattern(format);
  const size_t bound = 256 + 64 * pattern.size();
  std::string buffer;
  for (size_t size = 256; !pattern.empty() && size <= bound; size *= 2) {
    buffer.resize(size);
    const size_t length = std::strftime(buffer.data(), size, format, &fields);
    if (length > 0) return CString(buffer.data(), static_cast<int>(length));
  }
  return CString();
}

CString COleDateTime::FormatTimestamp() const {
  const std::optional<DateParts> parts = SplitValidDate(*this, kMilliseconds);
  CString text;
  if (parts) {
    text.Format("%04d-%02d-%02d %02d:%02d:%02d.%03d", parts->year, parts->month, parts->day,
                parts->hour, parts->minute, parts->second, parts->fraction);
  }
  return text;
}

bool COleDateTime::ParseDateTime(const char* text, DWORD flags, LCID /*locale*/) {
  const std::optional<ParsedDateTime> parsed = DateTextReader(text ? text : "").Read();
  if (!parsed || !IsValidDate(parsed->year, parsed->month, parsed->day) ||
      !IsValidTime(parsed->hour, parsed->minute, parsed->second)) {
    m_dt = 0.0;
    m_status = invalid;
    return false;
  }
  // The flags drop a part only after the whole text has proved to be a real date and time.
  const long serialDay =
      (flags & VAR_TIMEVALUEONLY) ? 0 : SerialDayFromCivil(parsed->year, parsed->month, parsed->day);
  const double seconds = (flags & VAR_DATEVALUEONLY)
                             ? 0.0
                             : parsed->hour * 3600 + parsed->minute * 60 + parsed->second + parsed->fraction;
  m_dt = DateFromParts(serialDay, seconds);
  m_status = valid;
  return true;
}
