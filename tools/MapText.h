#pragma once

#include <optional>
#include <string>

#include "link/Field.h"

// The display text of a coded field's value, from the constant map of its code kind, in the
// current language and process code page. Nullopt for a field without a map (or without a
// present whole-number value); the empty string when the map has no row for the value.
std::optional<std::string> MapText(const Field& field);
