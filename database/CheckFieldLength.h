#pragma once

#include "platform/AfxExport.h"
#include "platform/CString.h"

// The text-length check of every table's FieldCheck. Returns 1 when `text` fits in
// `maxLength` bytes, else 0; when it does not fit and `abbreviate` is nonzero, `text` is
// replaced by QnGF::AbbreviateText(text, maxLength). The result tells whether the text fitted
// before any shortening.
AFX_EXT_API int CheckFieldLength(CString& text, int maxLength, int abbreviate);
