#pragma once

#include <cstdint>
#include <string_view>

#include "qnutilex/DbValue.h"

// A stored value seen in place: what a row of a result holds at one column. The text views
// the result's own storage and stays valid until that result changes (a date's text, until the
// same column is read again).
struct DbCell {
  DbKind kind = DbKind::kNull;
  std::int64_t integer = 0;
  double real = 0.0;
  std::string_view text;
};
