#include "qnutilex/DbFieldValue.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <limits>

#include "platform/CodePage.h"
#include "qnutilex/AsciiText.h"
#include "qnutilex/DateText.h"

namespace {

template <typename Number>
bool ParseNumber(std::string_view text, Number& value) {
  const char* end = text.data() + text.size();
  Number parsed{};
  const auto [stop, fault] = std::from_chars(text.data(), end, parsed);
  if (fault != std::errc() || stop != end || text.empty()) return false;
  value = parsed;
  return true;
}

std::string CodePageName() { return std::to_string(GetACP()); }

bool FitsInt32(std::int64_t value) {
  return value >= std::numeric_limits<std::int32_t>::min() && value <= std::numeric_limits<std::int32_t>::max();
}

}  // namespace

bool ToDbValue(long value, DbValue& stored, std::string& error) {
  if (!FitsInt32(value)) {
    error = "the value " + std::to_string(value) + " is outside the 32-bit range of a long";
    return false;
  }
  stored = DbValue::Integer(value);
  return true;
}

bool ToDbValue(double value, DbValue& stored, std::string& error) {
  if (!std::isfinite(value)) {
    error = "a number that is not finite cannot be stored";
    return false;
  }
  stored = DbValue::Real(value);
  return true;
}

bool WholeMilliseconds(const COleDateTime& value, std::int64_t& ms) {
  constexpr double kUnixEpochDay = 25569.0;  // 1970-01-01 as a serial day
  constexpr double kMsPerDay = 86'400'000.0;
  // From 1899-12-31 on a date's day and its time add up as on a number line; before, MFC counts
  // the time forward from a negative day.
  if (value.GetStatus() != COleDateTime::valid || !(value.m_dt >= 1.0)) return false;
  const double day = std::floor(value.m_dt);
  ms = static_cast<std::int64_t>(day - kUnixEpochDay) * 86'400'000 + std::llround((value.m_dt - day) * kMsPerDay);
  const COleDateTime back = COleDateTime::FromUnixMilliseconds(ms);
  return back.GetStatus() == COleDateTime::valid && back.m_dt == value.m_dt;
}

bool ToDbValue(const COleDateTime& value, DbValue& stored, std::string& error) {
  if (value.GetStatus() == COleDateTime::null) {
    stored = DbValue::Null();
    return true;
  }
  // A date on a whole millisecond is spelled from its count, without a printf; any other as
  // COleDateTime rounds it.
  std::int64_t ms;
  if (WholeMilliseconds(value, ms)) {
    char text[24];
    stored = DbValue::Text(std::string(text, WriteDateText(ms, 3, text)));
    return true;
  }
  const CString text = value.FormatTimestamp();
  if (text.IsEmpty()) {
    error = "an invalid date cannot be stored";
    return false;
  }
  stored = DbValue::Text(text.str());
  return true;
}

bool ToDbValue(const CString& value, DbValue& stored, std::string& error) {
  std::string utf8;
  if (!AnsiToUtf8(value.str(), utf8)) {
    error = "the text is not valid in the process code page " + CodePageName();
    return false;
  }
  stored = DbValue::Text(std::move(utf8));
  return true;
}

bool FromDbCell(const DbCell& cell, long& value, std::string& error) {
  std::int64_t whole = 0;
  switch (cell.kind) {
    case DbKind::kNull:
      value = 0;
      return true;
    case DbKind::kInteger:
      whole = cell.integer;
      break;
    case DbKind::kReal:
      // Below 2^63 in magnitude, so that the conversion is defined.
      if (std::trunc(cell.real) != cell.real || std::fabs(cell.real) >= 9.2e18) {
        error = "the value is not a whole number";
        return false;
      }
      whole = static_cast<std::int64_t>(cell.real);
      break;
    case DbKind::kText:
      if (!ParseNumber(cell.text, whole)) {
        error = "the value is not a whole number";
        return false;
      }
      break;
  }
  // A long is 32 bits where the station was born: a wider value would read as another number
  // there, so it reads as no number here either.
  if (!FitsInt32(whole)) {
    error = "the value " + std::to_string(whole) + " is outside the 32-bit range of a long";
    return false;
  }
  value = static_cast<long>(whole);
  return true;
}

bool FromDbCell(const DbCell& cell, double& value, std::string& error) {
  switch (cell.kind) {
    case DbKind::kNull:
      value = 0.0;
      return true;
    case DbKind::kInteger:
      value = static_cast<double>(cell.integer);
      return true;
    case DbKind::kReal:
      value = cell.real;
      return true;
    case DbKind::kText:
      if (ParseNumber(cell.text, value) && std::isfinite(value)) return true;
      break;
  }
  error = "the value is not a number";
  return false;
}

bool FromDbCell(const DbCell& cell, COleDateTime& value, std::string& error) {
  if (cell.kind == DbKind::kNull) {
    value.m_dt = 0.0;
    value.SetStatus(COleDateTime::null);
    return true;
  }
  COleDateTime parsed;
  if (cell.isDateCount) parsed = COleDateTime::FromUnixMilliseconds(cell.UnixMilliseconds());
  if (cell.isDateCount && parsed.GetStatus() == COleDateTime::valid) {
    value = parsed;
    return true;
  }
  // ParseDateTime needs a terminated text; dates are short, so this copy stays on the stack.
  if (cell.kind == DbKind::kText && cell.text.size() < 64 && cell.text.find('\0') == std::string_view::npos) {
    char text[64];
    cell.text.copy(text, cell.text.size());
    text[cell.text.size()] = '\0';
    if (parsed.ParseDateTime(text)) {
      value = parsed;
      return true;
    }
  }
  error = "the value is not a date";
  return false;
}

bool FromDbCell(const DbCell& cell, CString& value, std::string& error) {
  switch (cell.kind) {
    case DbKind::kNull:
      value.Empty();
      return true;
    case DbKind::kInteger:
      value = CString(std::to_string(cell.integer));
      return true;
    case DbKind::kReal: {
      char text[32];
      const auto [end, fault] = std::to_chars(text, text + sizeof text, cell.real);
      value = CString(text, static_cast<int>(end - text));
      return true;
    }
    case DbKind::kText:
      break;
  }
  if (IsAsciiText(cell.text)) {
    value.SetString(cell.text.data(), static_cast<int>(cell.text.size()));
    return true;
  }
  std::string converted;
  if (!Utf8ToAnsi(cell.text, converted)) {
    error = "the stored text is not valid UTF-8 or has characters that the process code page " + CodePageName() +
            " cannot hold";
    return false;
  }
  value = CString(std::move(converted));
  return true;
}
