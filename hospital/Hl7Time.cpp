#include "hospital/Hl7Time.h"

#include <cctype>
#include <cstdio>
#include <ctime>

namespace {

// The number `width` digits at `at` stand for, or -1 when they are not all digits.
int Digits(std::string_view text, std::size_t at, std::size_t width) {
  if (at + width > text.size()) return -1;
  int value = 0;
  for (std::size_t i = at; i < at + width; ++i) {
    if (!std::isdigit(static_cast<unsigned char>(text[i]))) return -1;
    value = value * 10 + (text[i] - '0');
  }
  return value;
}

// Checks the time of day after a date at `at`: pairs of digits for hours, minutes and seconds,
// a fraction of up to four digits, an offset; the fault, or an empty text.
std::string TimeOfDayFault(std::string_view text, std::size_t at) {
  static constexpr int kLimits[] = {23, 59, 59};
  for (int limit : kLimits) {
    if (at >= text.size() || text[at] == '.' || text[at] == '+' || text[at] == '-') break;
    const int value = Digits(text, at, 2);
    if (value < 0 || value > limit) return "its time of day is not HH[MM[SS]]";
    at += 2;
  }
  if (at < text.size() && text[at] == '.') {
    std::size_t digits = 0;
    while (at + 1 + digits < text.size() && std::isdigit(static_cast<unsigned char>(text[at + 1 + digits]))) ++digits;
    if (digits == 0 || digits > 4) return "its fraction of a second has not 1 to 4 digits";
    at += 1 + digits;
  }
  if (at < text.size() && (text[at] == '+' || text[at] == '-')) {
    const int hours = Digits(text, at + 1, 2);
    const int minutes = Digits(text, at + 3, 2);
    if (hours < 0 || hours > 14 || minutes < 0 || minutes > 59) return "its UTC offset is not +/-HHMM";
    at += 5;
  }
  return at == text.size() ? std::string() : "it goes on after its time";
}

}  // namespace

std::string Hl7Time::Instant(std::chrono::system_clock::time_point instant, bool milliseconds) {
  const auto sinceEpoch = instant.time_since_epoch();
  const auto seconds = std::chrono::floor<std::chrono::seconds>(sinceEpoch);
  const std::time_t whole = static_cast<std::time_t>(seconds.count());
  std::tm utc{};
  ::gmtime_r(&whole, &utc);
  char text[40];
  std::snprintf(text, sizeof text, "%04d%02d%02d%02d%02d%02d", utc.tm_year + 1900, utc.tm_mon + 1, utc.tm_mday,
                utc.tm_hour, utc.tm_min, utc.tm_sec);
  std::string written(text);
  if (milliseconds) {
    const auto fraction = std::chrono::duration_cast<std::chrono::milliseconds>(sinceEpoch - seconds).count();
    std::snprintf(text, sizeof text, ".%03d", static_cast<int>(fraction));
    written += text;
  }
  return written + "+0000";
}

// The faults' texts are appended piece by piece: GCC 12 at -O3 takes "'" + std::string(...) for
// an overlapping copy (-Wrestrict) and refuses the Release build.
std::optional<std::chrono::year_month_day> Hl7Time::Date(std::string_view text, std::string& fault) {
  const int year = Digits(text, 0, 4);
  const int month = Digits(text, 4, 2);
  const int day = Digits(text, 6, 2);
  if (year < 0 || month < 0 || day < 0) {
    fault = std::string("'").append(text.substr(0, 40)).append("' is not a date YYYYMMDD");
    return std::nullopt;
  }
  const std::chrono::year_month_day date{std::chrono::year(year), std::chrono::month(static_cast<unsigned>(month)),
                                         std::chrono::day(static_cast<unsigned>(day))};
  if (!date.ok() || year < 1850) {
    fault = std::string("'").append(text.substr(0, 8)).append("' is not a day of the calendar");
    return std::nullopt;
  }
  if (const std::string timeFault = TimeOfDayFault(text, 8); !timeFault.empty()) {
    fault = std::string("'").append(text.substr(0, 40)).append("': ").append(timeFault);
    return std::nullopt;
  }
  return date;
}
