#include "tools/OptionChecks.h"

#include <charconv>
#include <cmath>

namespace {

// 2592000 rather than 2.592e+06.
std::string Shown(double value) {
  return value == std::floor(value) ? std::to_string(static_cast<long long>(value)) : CLI::detail::to_string(value);
}

}  // namespace

CLI::Validator DecimalBetween(double min, double max) {
  return CLI::Validator(
      [min, max](const std::string& text) {
        double value = 0;
        const char* end = text.data() + text.size();
        const auto [stop, error] = std::from_chars(text.data(), end, value, std::chars_format::fixed);
        if (text.empty() || error != std::errc() || stop != end || !(value >= min && value <= max)) {
          return "takes a number from " + Shown(min) + " to " + Shown(max) +
                 ", not '" + text + "'";
        }
        return std::string();
      },
      "NUMBER in [" + Shown(min) + " - " + Shown(max) + "]");
}
