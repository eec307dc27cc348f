#pragma once

#include <string>

#include <CLI/CLI.hpp>

// Checks of option values that CLI11's own validators leave open.

// A decimal number such as "10" or "2.5" within min … max; "nan", "inf", exponents and hex
// are refused (CLI::Range lets a NaN through, since no comparison with it fails).
CLI::Validator DecimalBetween(double min, double max);
