#pragma once

#include <cmath>
#include <optional>
#include <string>
#include <variant>
#include <vector>

// One named field of a decoded packet, as both decode printers show it.

// The constant map whose codes a field carries, so that a printer can put the map's text next
// to the code. None for plain quantities and for codes that no map is known to serve.
enum class CodeKind {
  None,
  Model,
  ACFilter,
  Gender,
  AlarmLevel,
  ECGLead,
  ECGFilter,
  NIBPCuff,
  NIBPInterval,
  NIBPSource,
  Pacemaker,
  ECGAlarm,
  SpO2Alarm,
  FHR1Alarm,
  FHR2Alarm,
  FECGAlarm,
  FSpO2Alarm,
  UCAlarm,
  IUPAlarm,
  NIBPAlarm,
  TempAlarm,
};

// A decimal quantity with the number of decimals it carries on the link (36.8 has one).
struct RealValue {
  double value;
  int decimals;
  bool operator==(const RealValue&) const = default;
};

// A present value: an integer, a decimal quantity or a text (the link's 8-bit bytes, as sent).
using Scalar = std::variant<long long, RealValue, std::string>;
// A value or, when the packet marks it as missing, nothing.
using FieldValue = std::optional<Scalar>;

struct Field {
  std::string name;                // the accessor's name without Get, e.g. "FHR1", "NIBPSys"
  std::vector<FieldValue> values;  // one value, or the samples or the pair of a list field
  bool isList;                     // shown as a list even when it holds one value
  CodeKind code;
};

// Shorthands for the values of a listing. Each builds its value in place: moving a temporary
// variant makes GCC 12 warn, wrongly, that its string may be used uninitialized.
inline FieldValue IntValue(long long value) {
  return FieldValue(std::in_place, std::in_place_type<long long>, value);
}
inline FieldValue IntValueIf(bool present, long long value) {
  return present ? IntValue(value) : std::nullopt;
}
// The value rounded to `decimals`, so that a float read from the link prints as it was sent.
inline FieldValue DecimalValue(double value, int decimals) {
  const double scale = std::pow(10.0, decimals);
  return FieldValue(std::in_place, std::in_place_type<RealValue>, RealValue{std::round(value * scale) / scale, decimals});
}
inline FieldValue DecimalValueIf(bool present, double value, int decimals) {
  return present ? DecimalValue(value, decimals) : std::nullopt;
}
inline FieldValue TextValue(std::string text) {
  return FieldValue(std::in_place, std::in_place_type<std::string>, std::move(text));
}
