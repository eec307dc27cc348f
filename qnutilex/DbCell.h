#pragma once

#include <cstdint>
#include <string_view>

#include "qnutilex/DbValue.h"

// A stored value seen in place: what a row of a result holds at one column. The text views
// the result's own storage and stays valid until that result changes (a text spelled out again,
// until another row is read).
struct DbCell {
  static DbCell Integer(std::int64_t value) { return {DbKind::kInteger, false, value, 0.0, {}}; }
  static DbCell Real(double value) { return {DbKind::kReal, false, 0, value, {}}; }
  static DbCell Text(std::string_view value) { return {DbKind::kText, false, 0, 0.0, value}; }
  // A text that the result keeps as a date, given to a reader that asked for dates as counts
  // (DbRows::DateForm::kCount).
  static DbCell DateCount(std::int64_t unixMilliseconds) { return {DbKind::kText, true, unixMilliseconds, 0.0, {}}; }

  // A date count's milliseconds since 1970-01-01 00:00.
  std::int64_t UnixMilliseconds() const { return integer; }

  DbKind kind = DbKind::kNull;
  bool isDateCount = false;  // then `integer` holds the count and `text` is empty
  std::int64_t integer = 0;
  double real = 0.0;
  std::string_view text;
};
