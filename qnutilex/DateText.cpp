#include "qnutilex/DateText.h"

namespace {

constexpr std::int64_t kMsPerDay = 86'400'000;

// Days since 1970-01-01 of a date of the proleptic Gregorian calendar, and back.
std::int64_t DaysFromCivil(std::int64_t year, unsigned month, unsigned day) {
  year -= month <= 2;
  const std::int64_t era = (year >= 0 ? year : year - 399) / 400;
  const auto yearOfEra = static_cast<unsigned>(year - era * 400);
  const unsigned dayOfYear = (153 * (month > 2 ? month - 3 : month + 9) + 2) / 5 + day - 1;
  const unsigned dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
  return era * 146097 + static_cast<std::int64_t>(dayOfEra) - 719468;
}

void CivilFromDays(std::int64_t days, std::int64_t& year, unsigned& month, unsigned& day) {
  days += 719468;
  const std::int64_t era = (days >= 0 ? days : days - 146096) / 146097;
  const auto dayOfEra = static_cast<unsigned>(days - era * 146097);
  const unsigned yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
  const unsigned dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
  const unsigned shifted = (5 * dayOfYear + 2) / 153;
  day = dayOfYear - (153 * shifted + 2) / 5 + 1;
  month = shifted < 10 ? shifted + 3 : shifted - 9;
  year = static_cast<std::int64_t>(yearOfEra) + era * 400 + (month <= 2);
}

void PutDigits(char* out, std::int64_t value, int count) {
  for (int index = count - 1; index >= 0; --index, value /= 10) out[index] = static_cast<char>('0' + value % 10);
}

bool ReadDigits(std::string_view text, std::size_t at, std::size_t count, std::int64_t& value) {
  value = 0;
  for (std::size_t index = at; index < at + count; ++index) {
    if (text[index] < '0' || text[index] > '9') return false;
    value = value * 10 + (text[index] - '0');
  }
  return true;
}

unsigned DaysInMonth(std::int64_t year, std::int64_t month) {
  static constexpr unsigned kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
  return kDays[month - 1] + (month == 2 && leap ? 1 : 0);
}

}  // namespace

std::size_t WriteDateText(std::int64_t ms, int fractionDigits, char* out) {
  const std::int64_t days = (ms >= 0 ? ms : ms - (kMsPerDay - 1)) / kMsPerDay;
  const std::int64_t inDay = ms - days * kMsPerDay;
  std::int64_t year;
  unsigned month, day;
  CivilFromDays(days, year, month, day);
  PutDigits(out, year, 4);
  out[4] = '-';
  PutDigits(out + 5, month, 2);
  out[7] = '-';
  PutDigits(out + 8, day, 2);
  out[10] = ' ';
  PutDigits(out + 11, inDay / 3'600'000, 2);
  out[13] = ':';
  PutDigits(out + 14, inDay / 60'000 % 60, 2);
  out[16] = ':';
  PutDigits(out + 17, inDay / 1000 % 60, 2);
  if (fractionDigits == 0) return 19;
  out[19] = '.';
  static constexpr int kScale[] = {1000, 100, 10, 1};
  PutDigits(out + 20, inDay % 1000 / kScale[fractionDigits], fractionDigits);
  return 20 + static_cast<std::size_t>(fractionDigits);
}

bool ReadDateText(std::string_view text, std::int64_t& ms, int& fractionDigits) {
  if (text.size() != 19 && (text.size() < 21 || text.size() > 23 || text[19] != '.')) return false;
  if (text[4] != '-' || text[7] != '-' || text[10] != ' ' || text[13] != ':' || text[16] != ':') return false;
  std::int64_t year, month, day, hour, minute, second, fraction = 0;
  fractionDigits = text.size() == 19 ? 0 : static_cast<int>(text.size() - 20);
  if (!ReadDigits(text, 0, 4, year) || !ReadDigits(text, 5, 2, month) || !ReadDigits(text, 8, 2, day) ||
      !ReadDigits(text, 11, 2, hour) || !ReadDigits(text, 14, 2, minute) || !ReadDigits(text, 17, 2, second) ||
      !ReadDigits(text, 20, static_cast<std::size_t>(fractionDigits), fraction)) {
    return false;
  }
  if (month < 1 || month > 12 || day < 1 || day > DaysInMonth(year, month) || hour > 23 || minute > 59 ||
      second > 59) {
    return false;
  }
  for (int digit = fractionDigits; digit < 3; ++digit) fraction *= 10;
  ms = DaysFromCivil(year, static_cast<unsigned>(month), static_cast<unsigned>(day)) * kMsPerDay +
       ((hour * 60 + minute) * 60 + second) * 1000 + fraction;
  return true;
}
