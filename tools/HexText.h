#pragma once

#include <string>

// The two uppercase hex digits of a byte, e.g. "B0"; the one spelling of bytes in the
// tool's texts (hex streams, keys, escapes, messages).
std::string HexByte(unsigned char byte);
// The value 0-15 of a hex digit of either case, or -1 for any other character.
int HexDigitValue(char ch);
