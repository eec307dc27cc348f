#pragma once

#include <cstdint>
#include <string>

#include "platform/AfxExport.h"

// The kinds of value that every database engine stores: SQL NULL, a 64-bit integer, a real
// number and a text (UTF-8 bytes; an engine's binary values arrive as texts too).
enum class DbKind : unsigned char { kNull, kInteger, kReal, kText };

// One value that owns its text: a statement parameter, or a column set on a row being edited.
struct AFX_EXT_CLASS DbValue {
  static DbValue Null() { return DbValue{}; }
  static DbValue Integer(std::int64_t value) { return DbValue{DbKind::kInteger, value, 0.0, {}}; }
  static DbValue Real(double value) { return DbValue{DbKind::kReal, 0, value, {}}; }
  static DbValue Text(std::string value) { return DbValue{DbKind::kText, 0, 0.0, std::move(value)}; }

  bool operator==(const DbValue& other) const = default;

  DbKind kind = DbKind::kNull;
  std::int64_t integer = 0;
  double real = 0.0;
  std::string text;
};
