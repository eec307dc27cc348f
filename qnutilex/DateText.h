#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

// Dates as both engines spell them, "YYYY-MM-DD HH:MM:SS" with a fraction of up to three digits
// ("2026-03-01 08:15:30.250"), and as their count of milliseconds since 1970-01-01 00:00: a
// listing keeps its dates as counts, and a date member is stored as such a text.

// The milliseconds of `text` and the digits of its fraction; true only for a real date and time
// of the years 0-9999 in that very spelling, so that WriteDateText gives back the same text byte
// for byte.
bool ReadDateText(std::string_view text, std::int64_t& ms, int& fractionDigits);

// Writes the text of `ms` (a count of the years 0-9999) with `fractionDigits` (0-3) digits of
// its fraction, at most 23 bytes, to `out`; its length.
std::size_t WriteDateText(std::int64_t ms, int fractionDigits, char* out);
