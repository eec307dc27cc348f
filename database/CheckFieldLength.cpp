#include "database/CheckFieldLength.h"

#include "qnutil/QnGF.h"

int CheckFieldLength(CString& text, int maxLength, int abbreviate) {
  const bool fits = text.GetLength() <= maxLength;
  if (!fits && abbreviate) text = QnGF::AbbreviateText(text, maxLength);
  return fits ? 1 : 0;
}
