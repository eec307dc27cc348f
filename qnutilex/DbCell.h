#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

#include "qnutilex/DbValue.h"

// A stored value seen in place: what a row of a result holds at one column. The text views
// the result's own storage and stays valid until that result changes (a date's text, until the
// same column is read again).
struct DbCell {
  static DbCell Integer(std::int64_t value) { return Made(DbKind::kInteger, value, 0.0, {}); }
  static DbCell Real(double value) { return Made(DbKind::kReal, 0, value, {}); }
  static DbCell Text(std::string_view value) { return Made(DbKind::kText, 0, 0.0, value); }
  static DbCell DateCount(std::int64_t unixMilliseconds) {
    DbCell cell = Made(DbKind::kText, 0, 0.0, {});
    cell.unixMilliseconds = unixMilliseconds;
    return cell;
  }

  DbKind kind = DbKind::kNull;
  std::int64_t integer = 0;
  double real = 0.0;
  std::string_view text;
  // Set when the result keeps this text as a date and the reader asked for dates as counts
  // (DbRows::DateForm::kCount): the milliseconds since 1970-01-01 00:00, and `text` is empty.
  std::optional<std::int64_t> unixMilliseconds;

 private:
  static DbCell Made(DbKind kind, std::int64_t integer, double real, std::string_view text) {
    DbCell cell;
    cell.kind = kind;
    cell.integer = integer;
    cell.real = real;
    cell.text = text;
    return cell;
  }
};
