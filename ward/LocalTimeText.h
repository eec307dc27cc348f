#pragma once

#include <ctime>
#include <string>

#include "ward/WardApi.h"

// `instant` as local wall time written by strftime's `format`, as a person reads it.
VUDODA_WARD_API std::string LocalTimeText(const char* format, std::time_t instant = std::time(nullptr));
// `instant` as a stored line (an event log) begins: local wall time and its offset from UTC,
// "2026-10-25 02:30:00 +0100", so that no line is ambiguous after the clock falls back.
VUDODA_WARD_API std::string StampText(std::time_t instant = std::time(nullptr));
