#pragma once

#include <cstdint>
#include <string_view>

#include "qnutilex/DbValue.h"

// A stored value seen in place: what a row of a result holds at one column. The text views
// the result's own storage and stays valid until that result changes (a date's text, until the
// same column is read again).
struct DbCell {
  static DbCell Integer(std::int64_t value) { return {DbKind::kInteger, value, 0.0, {}}; }
  static DbCell Real(double value) { return {DbKind::kReal, 0, value, {}}; }
  static DbCell Text(std::string_view value) { return {DbKind::kText, 0, 0.0, value}; }
  // A text that the result keeps as a date, given to a reader that asked for dates as counts
  // (DbRows::DateForm::kCount): `text` is empty.
  static DbCell DateCount(std::int64_t unixMilliseconds) { return {DbKind::kText, 0, 0.0, {}, true, unixMilliseconds}; }

  DbKind kind = DbKind::kNull;
  std::int64_t integer = 0;
  double real = 0.0;
  std::string_view text;
  bool isDateCount = false;
  std::int64_t unixMilliseconds = 0;  // since 1970-01-01 00:00, when isDateCount
};
