#pragma once

// The C runtime's multibyte string comparison, as Windows' <mbstring.h> has it, for texts in
// the process code page (GetACP).
#include "platform/AfxExport.h"

// Compares two texts without regard to case: <0, 0 or >0, the order of their lowercase forms.
// Single bytes are lowered when they are ASCII letters; in the Korean code page (949) a lead
// byte and its trail byte form one character that is compared as it stands, so a trail byte
// that looks like a letter is not folded. A null text compares as the empty one.
AFX_EXT_API int _mbsicmp(const unsigned char* string1, const unsigned char* string2);
