#pragma once

#include <string>

// The current local time written by strftime's `format`, as the station's lines show it.
std::string LocalTimeText(const char* format);
