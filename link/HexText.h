#pragma once

#include <string>

#include "link/LinkApi.h"

// The two uppercase hex digits of a byte, e.g. "B0"; the one spelling of bytes in the
// texts (hex streams, keys, escapes, messages).
VUDODA_LINK_API std::string HexByte(unsigned char byte);
// The value 0-15 of a hex digit of either case, or -1 for any other character.
VUDODA_LINK_API int HexDigitValue(char ch);
