#pragma once

// The C runtime's multibyte string functions, as Windows' <mbstring.h> has them, for texts in
// the process code page (GetACP).
#include <cstddef>
#include <string_view>

#include "platform/AfxExport.h"

// Compares two texts without regard to case: <0, 0 or >0, the order of their lowercase forms.
// Single bytes are lowered when they are ASCII letters; in the Korean code page (949) a lead
// byte and its trail byte form one character that is compared as it stands, so a trail byte
// that looks like a letter is not folded. A null text compares as the empty one.
AFX_EXT_API int _mbsicmp(const unsigned char* string1, const unsigned char* string2);

// Bytes of the character that begins at `character`, as the process code page reads it: 1 for
// ASCII and in 1252; 2 for a lead byte 0x81-0xFE in 949; 2 to 4 by the lead byte in UTF-8. A
// broken sequence is measured by its first byte alone (a stray UTF-8 trail byte counts 1).
AFX_EXT_API std::size_t _mbclen(const unsigned char* character);

// Not in the C runtime: how many bytes at the start of `text` hold the most whole characters
// that fit in `limit` bytes, so that a cut text never ends in half a character. A text that
// fits is kept whole, a broken last sequence included; nothing past its end is counted.
AFX_EXT_API std::size_t WholeCharacterPrefix(std::string_view text, std::size_t limit);
